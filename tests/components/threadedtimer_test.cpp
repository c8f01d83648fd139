// The threaded timer against a real worker thread and a real event loop. Timing checks are
// strict on order and lower bounds and loose on upper bounds, so that a busy machine passes.

#include "components/threadedtimer.h"

#include <gtest/gtest.h>
#include <sched.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/errors.h"
#include "ui/application.h"

namespace tov {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Room for a loaded machine above the time a tick should take.
constexpr std::int64_t kSlackMs = 600;

void ensureApplication() {
  static int argc = 1;
  static char name[] = "components_tests";
  static char* argv[] = {name, nullptr};
  static QCoreApplication* app = QCoreApplication::instance() ? nullptr : new QCoreApplication(argc, argv);
  (void)app;
}

// Blocks the user-interface thread, as a handler busy with work would.
void blockFor(std::chrono::milliseconds time) { std::this_thread::sleep_for(time); }

class ThreadedTimerTest : public ::testing::Test {
 public:
  static void SetUpTestSuite() { ensureApplication(); }

  void SetUp() override {
    start_ = Clock::now();
    previousMessages_ = Application::setMessageHandler([this](const Application::MessageRequest& box) {
      reported.push_back(box.text);
      return ModalResult::mrOk;
    });
  }
  void TearDown() override { Application::setMessageHandler(previousMessages_); }

  std::int64_t now() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start_).count();
  }

  // A timer whose ticks are recorded in `ticks`; `extra` runs inside the handler after that.
  std::unique_ptr<TThreadedTimer> recordingTimer(std::uint32_t interval,
                                                 std::function<void(TThreadedTimer*)> extra = {}) {
    auto timer = std::make_unique<TThreadedTimer>();
    timer->setInterval(interval);
    timer->OnTimer = [this, extra](TThreadedTimer* sender) {
      recordTick();
      if (extra) extra(sender);
    };
    return timer;
  }

  void recordTick() {
    ticks.push_back(now());
    if (loop_ && ticks.size() >= wantedTicks_) loop_->quit();
  }

  // Serves events until `count` ticks have been recorded or maxMs have passed.
  bool runUntilTicks(std::size_t count, int maxMs) {
    QEventLoop loop;
    QTimer::singleShot(maxMs, &loop, &QEventLoop::quit);
    wantedTicks_ = count;
    loop_ = &loop;
    if (ticks.size() < count) loop.exec();
    loop_ = nullptr;
    return ticks.size() >= count;
  }

  void runFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
  }

  std::vector<std::int64_t> ticks;
  std::vector<std::string> reported;

 private:
  Clock::time_point start_;
  Application::MessageHandler previousMessages_;
  QEventLoop* loop_ = nullptr;
  std::size_t wantedTicks_ = 0;
};

TEST_F(ThreadedTimerTest, FreshTimerIsDisabledAndNeverTicks) {
  TThreadedTimer timer;
  EXPECT_FALSE(timer.Enabled());
  EXPECT_EQ(timer.Interval(), 1000u);
  EXPECT_EQ(timer.ThreadPriority(), TThreadPriority::tpNormal);

  timer.OnTimer = [this](TThreadedTimer*) { recordTick(); };
  timer.setInterval(50);  // a disabled timer only stores it
  runFor(400);
  EXPECT_TRUE(ticks.empty());
}

TEST_F(ThreadedTimerTest, FirstTickComesOneFullIntervalAfterEnabling) {
  TThreadedTimer* seen = nullptr;
  auto timer = recordingTimer(300, [&](TThreadedTimer* sender) { seen = sender; });
  const std::int64_t enabledAt = now();
  timer->setEnabled(true);
  ASSERT_TRUE(runUntilTicks(1, 3000));
  EXPECT_GE(ticks[0] - enabledAt, 300);
  EXPECT_LT(ticks[0] - enabledAt, 300 + kSlackMs);
  EXPECT_EQ(seen, timer.get());
}

// A setting made during the wait restarts the count exactly when it changes something: the
// first tick then comes a full interval after the restart, otherwise one interval after enabling.
struct SettingCase {
  const char* name;
  void (*change)(TThreadedTimer& timer);
  std::int64_t restartAfter;  // ms after the change at which the count restarts; -1: no restart
};

class SettingDuringTheWaitTest : public ThreadedTimerTest, public ::testing::WithParamInterface<SettingCase> {};

TEST_P(SettingDuringTheWaitTest, RestartsTheCountOnlyOnAChange) {
  constexpr std::int64_t kChangeAt = 600;
  auto timer = recordingTimer(1000);
  timer->setEnabled(true);
  QTimer::singleShot(int(kChangeAt), [&] { GetParam().change(*timer); });
  ASSERT_TRUE(runUntilTicks(1, 5000));
  EXPECT_TRUE(timer->Enabled());
  const std::int64_t restart = GetParam().restartAfter;
  const std::int64_t expected = restart < 0 ? 1000 : kChangeAt + restart + timer->Interval();
  EXPECT_GE(ticks[0], expected);
  EXPECT_LT(ticks[0], expected + 500);  // every wrong outcome is at least 500 ms away
}

INSTANTIATE_TEST_SUITE_P(
    ThreadedTimer, SettingDuringTheWaitTest,
    ::testing::Values(SettingCase{"EnabledTrueAgain", [](TThreadedTimer& t) { t.setEnabled(true); }, -1},
                      SettingCase{"SameInterval", [](TThreadedTimer& t) { t.setInterval(1000); }, -1},
                      SettingCase{"DisabledAndEnabled",
                                  [](TThreadedTimer& t) {
                                    t.setEnabled(false);
                                    t.setEnabled(true);
                                  },
                                  0},
                      // A paused wait stands still: no tick is owed when enabled after its end.
                      SettingCase{"DisabledPastTheWaitsEnd",
                                  [](TThreadedTimer& t) {
                                    t.setEnabled(false);
                                    QTimer::singleShot(900, [&t] { t.setEnabled(true); });
                                  },
                                  900},
                      SettingCase{"OtherInterval", [](TThreadedTimer& t) { t.setInterval(900); }, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ThreadedTimerTest, IntervalSetInsideATickTimesTheNextTickFromTheHandlersReturn) {
  std::vector<std::int64_t> returns;
  auto timer = recordingTimer(1000, [&](TThreadedTimer* sender) {
    sender->setInterval(200);  // as the animation tick does at every tick
    blockFor(50ms);
    returns.push_back(now());
  });
  timer->setEnabled(true);
  ASSERT_TRUE(runUntilTicks(4, 8000));
  EXPECT_GE(ticks[0], 1000);
  for (std::size_t i = 1; i < 4; ++i) {
    EXPECT_GE(ticks[i] - returns[i - 1], 200) << "tick " << i;
    EXPECT_LT(ticks[i] - returns[i - 1], 200 + kSlackMs) << "tick " << i;
  }
}

TEST_F(ThreadedTimerTest, DisablingInsideATickStopsTicksUntilEnabledAgain) {
  auto timer = recordingTimer(200, [](TThreadedTimer* sender) { sender->setEnabled(false); });
  timer->setEnabled(true);
  ASSERT_TRUE(runUntilTicks(1, 3000));
  runFor(700);
  EXPECT_EQ(ticks.size(), 1u);

  const std::int64_t enabledAt = now();
  timer->setEnabled(true);
  ASSERT_TRUE(runUntilTicks(2, 3000));
  EXPECT_GE(ticks[1] - enabledAt, 200);
  EXPECT_LT(ticks[1] - enabledAt, 200 + kSlackMs);
}

TEST_F(ThreadedTimerTest, TickArrivingAfterDisablingFromAnotherHandlerIsDropped) {
  auto timer = recordingTimer(100);
  timer->setEnabled(true);
  QTimer::singleShot(0, [&] {
    blockFor(400ms);  // the worker's wait runs out meanwhile and its tick waits in the queue
    timer->setEnabled(false);
  });
  runFor(700);
  EXPECT_TRUE(ticks.empty());

  timer->setEnabled(true);
  EXPECT_TRUE(runUntilTicks(1, 3000));
}

// However long the user-interface thread is held (by the handler itself or by other work),
// each tick is timed from the end of the previous one: ticks never queue up and bunch.
struct HoldCase {
  const char* name;
  std::chrono::milliseconds inHandler;
  std::chrono::milliseconds elsewhere;
};

class HeldUserInterfaceTest : public ThreadedTimerTest, public ::testing::WithParamInterface<HoldCase> {};

TEST_P(HeldUserInterfaceTest, DelaysTicksWithoutBunchingThem) {
  constexpr std::int64_t kInterval = 100;
  std::vector<std::int64_t> returns;
  auto timer = recordingTimer(kInterval, [&](TThreadedTimer*) {
    blockFor(GetParam().inHandler);
    returns.push_back(now());
  });
  timer->setEnabled(true);
  QTimer::singleShot(0, [&] { blockFor(GetParam().elsewhere); });
  ASSERT_TRUE(runUntilTicks(4, 8000));
  for (std::size_t i = 1; i < 4; ++i) EXPECT_GE(ticks[i] - returns[i - 1], kInterval) << "tick " << i;
}

INSTANTIATE_TEST_SUITE_P(ThreadedTimer, HeldUserInterfaceTest,
                         ::testing::Values(HoldCase{"SlowHandler", 250ms, 0ms},
                                           HoldCase{"BusyOtherHandler", 0ms, 600ms}),
                         [](const auto& info) { return std::string(info.param.name); });

// An error leaving the handler ends the worker and is reported nowhere: a handler that must
// keep its timer ticking catches its own errors.
struct ErrorCase {
  const char* name;
  void (*fail)();
};

class HandlerErrorTest : public ThreadedTimerTest, public ::testing::WithParamInterface<ErrorCase> {};

TEST_P(HandlerErrorTest, EndsTheWorkerSilently) {
  auto timer = recordingTimer(100, [this](TThreadedTimer*) {
    if (ticks.size() == 1) GetParam().fail();
  });
  timer->setEnabled(true);
  ASSERT_TRUE(runUntilTicks(1, 4000));
  // No tick comes any more, not even after the timer is disabled and enabled again.
  EXPECT_FALSE(runUntilTicks(2, 500));
  timer->setEnabled(false);
  timer->setEnabled(true);
  EXPECT_FALSE(runUntilTicks(2, 500));
  EXPECT_TRUE(reported.empty());

  const auto destroyStart = Clock::now();
  timer.reset();
  EXPECT_LT(Clock::now() - destroyStart, 1s);
}

INSTANTIATE_TEST_SUITE_P(
    ThreadedTimer, HandlerErrorTest,
    ::testing::Values(ErrorCase{"ProgramError", [] { throw EReadError("Cannot read file m5.jpg"); }},
                      ErrorCase{"ForeignThrow", [] { throw 42; }}),
    [](const auto& info) { return std::string(info.param.name); });

// Destruction must end the worker promptly in every state it can be in, and no tick may reach
// the destroyed timer or its owner afterwards (the sanitizer build watches for that).
struct DestroyCase {
  const char* name;
  std::uint32_t interval;
  // Brings the timer into the state under test and destroys it by deleting its owner.
  void (*destroy)(ThreadedTimerTest& test, QObject*& owner, TThreadedTimer& timer);
};

class DestructionTest : public ThreadedTimerTest, public ::testing::WithParamInterface<DestroyCase> {};

// Clears the caller's pointer first, so that a handler run during destruction would see it.
void destroyOwner(QObject*& owner) {
  QObject* dying = owner;
  owner = nullptr;
  delete dying;
}

// A destruction that deadlocks would hang the suite; this turns the hang into a failure.
class Watchdog {
 public:
  explicit Watchdog(std::chrono::seconds limit)
      : thread_([this, limit] {
          std::unique_lock lock(mutex_);
          if (!done_.wait_for(lock, limit, [this] { return finished_; })) {
            std::fprintf(stderr, "destruction did not finish within %llds\n", (long long)limit.count());
            std::abort();
          }
        }) {}
  ~Watchdog() {
    {
      std::lock_guard lock(mutex_);
      finished_ = true;
    }
    done_.notify_one();
    thread_.join();
  }

 private:
  std::mutex mutex_;
  std::condition_variable done_;
  bool finished_ = false;
  std::thread thread_;
};

TEST_P(DestructionTest, EndsTheWorkerPromptlyAndDeliversNothingAfterwards) {
  Watchdog watchdog(20s);
  QObject* owner = new QObject;
  auto* timer = new TThreadedTimer(owner);
  timer->setInterval(GetParam().interval);
  timer->OnTimer = [this, &owner](TThreadedTimer*) {
    ASSERT_NE(owner, nullptr) << "tick during or after destruction";
    recordTick();
  };
  const auto start = Clock::now();
  GetParam().destroy(*this, owner, *timer);
  ASSERT_EQ(owner, nullptr);
  EXPECT_LT(Clock::now() - start, 3s);
  const std::size_t ticksAtDestruction = ticks.size();
  runFor(300);
  EXPECT_EQ(ticks.size(), ticksAtDestruction);
}

void neverStarted(ThreadedTimerTest&, QObject*& owner, TThreadedTimer&) { destroyOwner(owner); }

void disabledAfterTicking(ThreadedTimerTest& test, QObject*& owner, TThreadedTimer& timer) {
  timer.setEnabled(true);
  ASSERT_TRUE(test.runUntilTicks(1, 3000));
  timer.setEnabled(false);
  destroyOwner(owner);
}

void waitingALongInterval(ThreadedTimerTest&, QObject*& owner, TThreadedTimer& timer) {
  timer.setEnabled(true);
  blockFor(100ms);
  destroyOwner(owner);
}

void tickQueuedButNotRun(ThreadedTimerTest&, QObject*& owner, TThreadedTimer& timer) {
  timer.setEnabled(true);
  blockFor(300ms);  // the tick is posted meanwhile and the worker waits for it
  destroyOwner(owner);
}

void insideItsOwnTick(ThreadedTimerTest& test, QObject*& owner, TThreadedTimer& timer) {
  timer.OnTimer = [&owner](TThreadedTimer*) { destroyOwner(owner); };
  timer.setEnabled(true);
  test.runFor(1000);
}

void fromANestedLoopInsideItsTick(ThreadedTimerTest& test, QObject*& owner, TThreadedTimer& timer) {
  timer.OnTimer = [&owner](TThreadedTimer*) {
    QEventLoop nested;
    QTimer::singleShot(50, [&owner] { destroyOwner(owner); });
    QTimer::singleShot(200, &nested, &QEventLoop::quit);
    nested.exec();
  };
  timer.setEnabled(true);
  test.runFor(1000);
}

INSTANTIATE_TEST_SUITE_P(ThreadedTimer, DestructionTest,
                         ::testing::Values(DestroyCase{"NeverStarted", 100, neverStarted},
                                           DestroyCase{"DisabledAfterTicking", 100, disabledAfterTicking},
                                           DestroyCase{"WaitingALongInterval", 60000, waitingALongInterval},
                                           DestroyCase{"TickQueuedButNotRun", 50, tickQueuedButNotRun},
                                           DestroyCase{"InsideItsOwnTick", 100, insideItsOwnTick},
                                           DestroyCase{"FromANestedLoopInsideItsTick", 100,
                                                       fromANestedLoopInsideItsTick}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ThreadedTimerTest, IntervalZeroGivesNoTicksUntilANonzeroIntervalIsSet) {
  auto timer = recordingTimer(0);
  timer->setEnabled(true);
  EXPECT_TRUE(timer->Enabled());
  runFor(400);
  EXPECT_TRUE(ticks.empty());

  const std::int64_t changedAt = now();
  timer->setInterval(150);
  ASSERT_TRUE(runUntilTicks(1, 3000));
  EXPECT_GE(ticks[0] - changedAt, 150);
  EXPECT_LT(ticks[0] - changedAt, 150 + kSlackMs);

  timer->setInterval(0);
  const std::size_t ticksBefore = ticks.size();
  runFor(400);
  EXPECT_EQ(ticks.size(), ticksBefore);
}

std::set<pid_t> threadsOfThisProcess() {
  std::set<pid_t> threads;
  for (const auto& entry : std::filesystem::directory_iterator("/proc/self/task"))
    threads.insert(pid_t(std::stol(entry.path().filename().string())));
  return threads;
}

// Enables timer and returns the id of the thread that this started: its worker.
std::optional<pid_t> startWorkerThread(TThreadedTimer& timer) {
  const std::set<pid_t> before = threadsOfThisProcess();
  timer.setEnabled(true);
  std::vector<pid_t> started;
  std::ranges::set_difference(threadsOfThisProcess(), before, std::back_inserter(started));
  if (started.size() != 1) return std::nullopt;
  return started.front();
}

// The priority must reach the worker thread itself, as the system schedules it. Linux gives
// normal threads a single static priority; what it tells apart is the idle class, which the
// idle priority selects and every other priority leaves. A priority that cannot be given at
// creation the new thread takes on itself before it runs, so it is looked at after a tick.
TEST_F(ThreadedTimerTest, ThreadPriorityReachesTheWorkerThreadBeforeAndAfterStart) {
  const TThreadPriority all[] = {TThreadPriority::tpIdle,   TThreadPriority::tpLowest, TThreadPriority::tpLower,
                                 TThreadPriority::tpNormal, TThreadPriority::tpHigher, TThreadPriority::tpHighest,
                                 TThreadPriority::tpTimeCritical};
  struct Case {
    TThreadPriority atStart;
    std::optional<TThreadPriority> whileRunning;
    int policy;  // the worker's scheduling policy at the end
  };
  const Case cases[] = {
      {TThreadPriority::tpIdle, std::nullopt, SCHED_IDLE},
      {TThreadPriority::tpLowest, std::nullopt, SCHED_OTHER},
      {TThreadPriority::tpNormal, std::nullopt, SCHED_OTHER},
      {TThreadPriority::tpTimeCritical, std::nullopt, SCHED_OTHER},
      {TThreadPriority::tpNormal, TThreadPriority::tpIdle, SCHED_IDLE},
      {TThreadPriority::tpHigher, TThreadPriority::tpIdle, SCHED_IDLE},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("at start " + std::to_string(int(c.atStart)) + ", while running " +
                 (c.whileRunning ? std::to_string(int(*c.whileRunning)) : "unchanged"));
    ticks.clear();
    auto timer = recordingTimer(50);
    for (TThreadPriority priority : all) {
      timer->setThreadPriority(priority);
      EXPECT_EQ(timer->ThreadPriority(), priority) << "before start: " << int(priority);
    }
    timer->setThreadPriority(c.atStart);
    const std::optional<pid_t> worker = startWorkerThread(*timer);
    ASSERT_TRUE(worker) << "enabling did not start exactly one thread";
    ASSERT_TRUE(runUntilTicks(1, 5000));
    EXPECT_EQ(timer->ThreadPriority(), c.atStart);
    if (c.whileRunning) {
      timer->setThreadPriority(*c.whileRunning);
      EXPECT_EQ(timer->ThreadPriority(), *c.whileRunning);
    }
    EXPECT_EQ(::sched_getscheduler(*worker), c.policy);
  }
}

// A modal box runs a nested event loop; the timer must keep ticking inside it.
TEST_F(ThreadedTimerTest, TicksKeepComingInsideANestedEventLoop) {
  bool nestedRunning = false;
  int ticksInNestedLoop = 0;
  auto timer = recordingTimer(100, [&](TThreadedTimer*) { ticksInNestedLoop += nestedRunning; });
  timer->setEnabled(true);
  QTimer::singleShot(0, [&] {
    QEventLoop modal;
    QTimer::singleShot(1000, &modal, &QEventLoop::quit);
    nestedRunning = true;
    modal.exec();
    nestedRunning = false;
  });
  runFor(1300);
  EXPECT_GE(ticksInNestedLoop, 3);
}

}  // namespace
}  // namespace tov
