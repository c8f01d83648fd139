// The event loop's seam on Qt: what the program's components rely on from it.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "platform/event_loop.h"

namespace tov {
namespace {

TEST(EventLoop, WorkPostedFromAnotherThreadRunsOnTheLoopsThreadInOrder) {
  std::vector<int> ran;
  bool allOnLoopThread = true;
  std::thread poster([&] {
    for (int n = 0; n < 100; ++n)
      eventLoop().post([&, n] {
        allOnLoopThread = allOnLoopThread && eventLoop().onLoopThread();
        ran.push_back(n);
      });
  });
  poster.join();
  serveEventsUntil([&] { return ran.size() == 100; });
  EXPECT_TRUE(allOnLoopThread);
  for (int n = 0; n < 100; ++n) ASSERT_EQ(ran[std::size_t(n)], n);
}

TEST(EventLoop, ATimerStoppedInItsOwnHandlerDoesNotTickAgain) {
  int ticks = 0;
  LoopTimer timer;
  timer.setHandler([&] {
    ++ticks;
    timer.stop();
  });
  timer.start(1);
  // A second timer, slower, marks the moment by which the first would have ticked again.
  int laterTicks = 0;
  LoopTimer later([&] { ++laterTicks; });
  later.start(30);
  serveEventsUntil([&] { return laterTicks >= 2; });
  EXPECT_EQ(ticks, 1);
  EXPECT_FALSE(timer.active());
}

TEST(EventLoop, WorkOfAContextThatWentIsDropped) {
  bool ran = false;
  bool marker = false;
  {
    LoopContext context;
    context.post([&] { ran = true; });
  }
  eventLoop().post([&] { marker = true; });
  serveEventsUntil([&] { return marker; });
  EXPECT_FALSE(ran);
}

// What a library reads into a queue of its own is seen before the loop sleeps: the hook runs
// each time the loop is about to wait, and never again once removed, even in its own call.
TEST(EventLoop, ABeforeWaitHookRunsAtEachWaitUntilRemovedInItsOwnCall) {
  int calls = 0;
  IEventLoop::Id hook = 0;
  hook = eventLoop().addBeforeWait([&] {
    if (++calls == 2) eventLoop().removeBeforeWait(hook);
  });
  int ticks = 0;
  LoopTimer timer([&] { ++ticks; });
  timer.start(5);
  serveEventsUntil([&] { return ticks >= 5; });
  EXPECT_EQ(calls, 2);
}

}  // namespace
}  // namespace tov
