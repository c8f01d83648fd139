// The event loop on the Win32 message loop, beyond the seam's own tests (tests/ui): what the
// message queue could get wrong.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <vector>

#include "platform/event_loop.h"
#include "win32/win32_testing.h"

namespace tov {
namespace {

TEST(Win32EventLoop, TimersDueInTheSamePassNeverTickOnceRemoved) {
  int ticks = 0;
  LoopTimer first, second;
  // Whichever ticks first removes both; the other's WM_TIMER may be in the queue already.
  const auto tickAndStopBoth = [&] {
    ++ticks;
    first.stop();
    second.stop();
  };
  first.setHandler(tickAndStopBoth);
  second.setHandler(tickAndStopBoth);
  first.start(1);
  second.start(1);
  Sleep(50);  // both are due before the loop looks
  int laterTicks = 0;
  LoopTimer later([&] { ++laterTicks; });
  later.start(30);
  serveEventsUntil([&] { return laterTicks >= 2; });
  EXPECT_EQ(ticks, 1);
}

TEST(Win32EventLoop, AWatchedHandleIsReportedOnTheLoopThreadWhileSignalledAndNeverOnceRemoved) {
  HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  ASSERT_NE(event, nullptr);
  int reports = 0;
  bool onLoopThread = true;
  auto watch = std::make_unique<LoopWatch>(NativeHandle(event), WatchFor::Readable, [&] {
    onLoopThread = onLoopThread && eventLoop().onLoopThread();
    // Stays signalled for three reports, then is reset by its handler.
    if (++reports == 3) ResetEvent(event);
  });
  SetEvent(event);
  ASSERT_TRUE(test::serveUntil([&] { return reports >= 3; }));
  EXPECT_TRUE(onLoopThread);

  watch.reset();
  SetEvent(event);
  bool marker = false;
  LoopTimer later([&] { marker = true; });
  later.start(100);
  serveEventsUntil([&] { return marker; });
  EXPECT_EQ(reports, 3);
  CloseHandle(event);
}

TEST(Win32EventLoop, AnExceptionOfPostedWorkComesOutOfTheLoopAndTheRestStillRuns) {
  std::vector<int> ran;
  eventLoop().post([&] { ran.push_back(1); });
  eventLoop().post([] { throw std::runtime_error("posted work failed"); });
  eventLoop().post([&] { ran.push_back(3); });
  try {
    serveEventsUntil([&] { return ran.size() == 2; });
    ADD_FAILURE() << "the exception did not come out of the loop";
  } catch (const std::runtime_error& error) {
    EXPECT_STREQ(error.what(), "posted work failed");
  }
  serveEventsUntil([&] { return ran.size() == 2; });
  EXPECT_EQ(ran, (std::vector<int>{1, 3}));
}

// The idle level is the trap: a thread must run its work there from the start, and leave it
// when asked while it runs.
TEST(Win32EventLoop, AWorkerThreadRunsAtItsPriorityFromTheStartAndLeavesIdleWhenAsked) {
  HANDLE started = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HANDLE go = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  ASSERT_TRUE(started && go);
  int atStart = 0, afterChange = 0;
  std::unique_ptr<IWorkerThread> worker = eventLoop().startThread(ThreadPriority::Idle, [&] {
    atStart = GetThreadPriority(GetCurrentThread());
    SetEvent(started);
    WaitForSingleObject(go, INFINITE);
    afterChange = GetThreadPriority(GetCurrentThread());
  });
  ASSERT_EQ(WaitForSingleObject(started, 30000), WAIT_OBJECT_0);
  EXPECT_EQ(worker->priority(), ThreadPriority::Idle);
  worker->setPriority(ThreadPriority::Higher);
  SetEvent(go);
  worker->join();
  EXPECT_EQ(atStart, THREAD_PRIORITY_IDLE);
  EXPECT_EQ(afterChange, THREAD_PRIORITY_ABOVE_NORMAL);
  EXPECT_EQ(worker->priority(), ThreadPriority::Higher);
  CloseHandle(started);
  CloseHandle(go);
}

}  // namespace
}  // namespace tov
