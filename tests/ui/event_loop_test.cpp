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

}  // namespace
}  // namespace tov
