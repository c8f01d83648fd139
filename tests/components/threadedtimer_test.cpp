// The threaded timer against a real worker thread and a real event loop. Timing is checked
// by lower bounds (a busy machine only makes things later) and by the order of events; every
// wait for something to happen has a generous time-out that only turns a hang into a failure.

#include "components/threadedtimer.h"

#include <gtest/gtest.h>
#include <pthread.h>
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
#include "ui/qt/qt_event_loop.h"

namespace tov {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// How long anything that should happen may take before the test calls it a hang.
constexpr std::chrono::milliseconds kHangGuard = 30s;

void ensureApplication() {
  static int argc = 1;
  static char name[] = "components_tests";
  static char* argv[] = {name, nullptr};
  static QCoreApplication* app = QCoreApplication::instance() ? nullptr : new QCoreApplication(argc, argv);
  static auto* loop = new qt::InstalledQtEventLoop;
  (void)app;
  (void)loop;
}

// Blocks the user-interface thread, as a handler busy with work would.
void blockFor(std::chrono::milliseconds time) { std::this_thread::sleep_for(time); }

// A destruction that deadlocks would hang the suite; this turns the hang into a failure.
class Watchdog {
 public:
  explicit Watchdog(std::chrono::milliseconds limit)
      : thread_([this, limit] {
          std::unique_lock lock(mutex_);
          if (!done_.wait_for(lock, limit, [this] { return finished_; })) {
            std::fprintf(stderr, "not finished within %lld ms\n", (long long)limit.count());
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

// "The tick came before that moment", checked as the order of two events on the
// user-interface thread rather than as a duration: a rival single-shot timer notes whether
// the tick had come when it ran out. A machine that holds the thread up delays both alike.
class Rivals {
 public:
  explicit Rivals(const std::vector<std::int64_t>& ticks) : ticks_(ticks) {}

  // Starts a rival that runs out `time` from now; it beats the timer unless `tickCount` ticks
  // have come by then. One that never runs out is beaten.
  void start(std::chrono::milliseconds time, std::size_t tickCount) {
    QTimer::singleShot(time, &context_, [this, tickCount] {
      if (ticks_.size() < tickCount) beatenTicks_.push_back(tickCount);
    });
  }
  // The numbers (counted from 1) of the ticks that came after their rival.
  const std::vector<std::size_t>& beatenTicks() const { return beatenTicks_; }

 private:
  const std::vector<std::int64_t>& ticks_;
  std::vector<std::size_t> beatenTicks_;
  QObject context_;  // its destruction cancels the rivals still running
};

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

  // Serves events until `count` ticks have been recorded or `limit` has passed.
  bool runUntilTicks(std::size_t count, std::chrono::milliseconds limit = kHangGuard) {
    QEventLoop loop;
    QTimer::singleShot(limit, &loop, &QEventLoop::quit);
    wantedTicks_ = count;
    loop_ = &loop;
    if (ticks.size() < count) loop.exec();
    loop_ = nullptr;
    return ticks.size() >= count;
  }

  // Serves events until `done` holds, looked at every few milliseconds, or the guard has
  // passed; true when it holds.
  bool runUntil(const std::function<bool()>& done) {
    QEventLoop loop;
    QTimer poll;
    poll.callOnTimeout([&] {
      if (done()) loop.quit();
    });
    poll.start(10);
    QTimer::singleShot(kHangGuard, &loop, &QEventLoop::quit);
    if (!done()) loop.exec();
    return done();
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
  ASSERT_TRUE(runUntilTicks(1));
  EXPECT_GE(ticks[0] - enabledAt, 300);
  EXPECT_EQ(seen, timer.get());
}

// A setting made during the wait restarts the count exactly when it changes something: the
// first tick then comes a full interval after the restart, otherwise one interval after enabling.
// A tick sooner than that shows a missing restart; one that comes after a rival started at the
// change shows a restart that should not have been.
struct SettingCase {
  const char* name;
  void (*change)(TThreadedTimer& timer);
  std::int64_t restartAfter;  // ms after the change at which the count restarts; -1: no restart
};

// Started at the change, this rival runs out between the tick of the count that went on
// (400 ms after the change) and that of a count restarted by the change (1000 ms after it).
constexpr auto kRestartedCountRival = 700ms;

class SettingDuringTheWaitTest : public ThreadedTimerTest, public ::testing::WithParamInterface<SettingCase> {};

TEST_P(SettingDuringTheWaitTest, RestartsTheCountOnlyOnAChange) {
  constexpr std::int64_t kChangeAt = 600;
  auto timer = recordingTimer(1000);
  timer->setEnabled(true);
  const std::int64_t restart = GetParam().restartAfter;
  Rivals rivals(ticks);
  QTimer::singleShot(int(kChangeAt), [&] {
    if (restart < 0) rivals.start(kRestartedCountRival, 1);
    GetParam().change(*timer);
  });
  ASSERT_TRUE(runUntilTicks(1));
  EXPECT_TRUE(timer->Enabled());
  const std::int64_t expected = restart < 0 ? 1000 : kChangeAt + restart + timer->Interval();
  EXPECT_GE(ticks[0], expected);
  EXPECT_TRUE(rivals.beatenTicks().empty()) << "the count was restarted";
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

// Each following tick comes at least the new interval after the handler's return, and before
// a rival started at that return runs out midway to where the old interval would end.
TEST_F(ThreadedTimerTest, IntervalSetInsideATickTimesTheNextTickFromTheHandlersReturn) {
  std::vector<std::int64_t> returns;
  Rivals oldIntervalRivals(ticks);
  auto timer = recordingTimer(1000, [&](TThreadedTimer* sender) {
    sender->setInterval(200);  // as the animation tick does at every tick
    blockFor(50ms);
    returns.push_back(now());
    oldIntervalRivals.start(600ms, ticks.size() + 1);
  });
  timer->setEnabled(true);
  ASSERT_TRUE(runUntilTicks(4));
  EXPECT_GE(ticks[0], 1000);
  for (std::size_t i = 1; i < 4; ++i) EXPECT_GE(ticks[i] - returns[i - 1], 200) << "tick " << i;
  EXPECT_TRUE(oldIntervalRivals.beatenTicks().empty()) << "a tick was timed by the old interval";
}

TEST_F(ThreadedTimerTest, DisablingInsideATickStopsTicksUntilEnabledAgain) {
  auto timer = recordingTimer(200, [](TThreadedTimer* sender) { sender->setEnabled(false); });
  timer->setEnabled(true);
  ASSERT_TRUE(runUntilTicks(1));
  runFor(700);
  EXPECT_EQ(ticks.size(), 1u);

  const std::int64_t enabledAt = now();
  timer->setEnabled(true);
  ASSERT_TRUE(runUntilTicks(2));
  EXPECT_GE(ticks[1] - enabledAt, 200);
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
  EXPECT_TRUE(runUntilTicks(1));
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
  ASSERT_TRUE(runUntilTicks(4));
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
  ASSERT_TRUE(runUntilTicks(1));
  // No tick comes any more, not even after the timer is disabled and enabled again.
  EXPECT_FALSE(runUntilTicks(2, 500ms));
  timer->setEnabled(false);
  timer->setEnabled(true);
  EXPECT_FALSE(runUntilTicks(2, 500ms));
  EXPECT_TRUE(reported.empty());

  Watchdog watchdog(kHangGuard);  // destruction still completes
  timer.reset();
}

INSTANTIATE_TEST_SUITE_P(
    ThreadedTimer, HandlerErrorTest,
    ::testing::Values(ErrorCase{"ProgramError", [] { throw EReadError("Cannot read file m5.jpg"); }},
                      ErrorCase{"ForeignThrow", [] { throw 42; }}),
    [](const auto& info) { return std::string(info.param.name); });

// What holds a timer, as a form holds its animation timer: destroying it destroys the timer.
struct TimerOwner {
  std::unique_ptr<TThreadedTimer> timer = std::make_unique<TThreadedTimer>();
};

// Destruction must end the worker promptly in every state it can be in, and no tick may reach
// the destroyed timer or its owner afterwards (the sanitizer build watches for that).
struct DestroyCase {
  const char* name;
  std::uint32_t interval;
  // Brings the timer into the state under test and destroys it by deleting its owner.
  void (*destroy)(ThreadedTimerTest& test, TimerOwner*& owner, TThreadedTimer& timer);
};

class DestructionTest : public ThreadedTimerTest, public ::testing::WithParamInterface<DestroyCase> {};

// Clears the caller's pointer first, so that a handler run during destruction would see it.
void destroyOwner(TimerOwner*& owner) {
  TimerOwner* dying = owner;
  owner = nullptr;
  delete dying;
}

// Promptly: the watchdog's limit is far below the long interval of "WaitingALongInterval", so
// a destruction that waits the interval out fails.
constexpr std::uint32_t kLongInterval = 600000;
static_assert(std::chrono::milliseconds(kLongInterval) > 2 * kHangGuard);

TEST_P(DestructionTest, EndsTheWorkerPromptlyAndDeliversNothingAfterwards) {
  Watchdog watchdog(2 * kHangGuard);  // room for the setting-up waits, which have their own guard
  TimerOwner* owner = new TimerOwner;
  TThreadedTimer* timer = owner->timer.get();
  timer->setInterval(GetParam().interval);
  timer->OnTimer = [this, &owner](TThreadedTimer*) {
    ASSERT_NE(owner, nullptr) << "tick during or after destruction";
    recordTick();
  };
  GetParam().destroy(*this, owner, *timer);
  ASSERT_EQ(owner, nullptr);
  const std::size_t ticksAtDestruction = ticks.size();
  runFor(300);
  EXPECT_EQ(ticks.size(), ticksAtDestruction);
}

void neverStarted(ThreadedTimerTest&, TimerOwner*& owner, TThreadedTimer&) { destroyOwner(owner); }

void disabledAfterTicking(ThreadedTimerTest& test, TimerOwner*& owner, TThreadedTimer& timer) {
  timer.setEnabled(true);
  ASSERT_TRUE(test.runUntilTicks(1));
  timer.setEnabled(false);
  destroyOwner(owner);
}

void waitingALongInterval(ThreadedTimerTest&, TimerOwner*& owner, TThreadedTimer& timer) {
  timer.setEnabled(true);
  blockFor(100ms);
  destroyOwner(owner);
}

void tickQueuedButNotRun(ThreadedTimerTest&, TimerOwner*& owner, TThreadedTimer& timer) {
  timer.setEnabled(true);
  blockFor(300ms);  // the tick is posted meanwhile and the worker waits for it
  destroyOwner(owner);
}

void insideItsOwnTick(ThreadedTimerTest& test, TimerOwner*& owner, TThreadedTimer& timer) {
  timer.OnTimer = [&owner](TThreadedTimer*) { destroyOwner(owner); };
  timer.setEnabled(true);
  test.runUntil([&owner] { return owner == nullptr; });
}

void fromANestedLoopInsideItsTick(ThreadedTimerTest& test, TimerOwner*& owner, TThreadedTimer& timer) {
  timer.OnTimer = [&owner](TThreadedTimer*) {
    QEventLoop nested;
    QTimer::singleShot(50, [&owner] { destroyOwner(owner); });
    QTimer::singleShot(200, &nested, &QEventLoop::quit);
    nested.exec();
  };
  timer.setEnabled(true);
  test.runUntil([&owner] { return owner == nullptr; });
}

INSTANTIATE_TEST_SUITE_P(ThreadedTimer, DestructionTest,
                         ::testing::Values(DestroyCase{"NeverStarted", 100, neverStarted},
                                           DestroyCase{"DisabledAfterTicking", 100, disabledAfterTicking},
                                           DestroyCase{"WaitingALongInterval", kLongInterval, waitingALongInterval},
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
  ASSERT_TRUE(runUntilTicks(1));
  EXPECT_GE(ticks[0] - changedAt, 150);

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

// Whether this process may take a thread out of the idle class. Linux allows it only with
// CAP_SYS_NICE or a nice limit (RLIMIT_NICE) that reaches nice 0; without, a worker asked to
// leave the idle class stays in it, and its priority must then read as idle.
bool mayLeaveIdleClass() {
  bool allowed = false;
  std::thread probe([&allowed] {
    const sched_param none{};
    allowed = ::pthread_setschedparam(::pthread_self(), SCHED_IDLE, &none) == 0 &&
              ::pthread_setschedparam(::pthread_self(), SCHED_OTHER, &none) == 0;
  });
  probe.join();
  return allowed;
}

// The priority must reach the worker thread itself, as the system schedules it, both ways.
// Linux gives normal threads a single static priority; what it tells apart is the idle class,
// which the idle priority selects and every other priority leaves. A priority that cannot be
// given at creation the new thread takes on itself before it runs, and one set right after
// the start may reach the thread before it runs, so these are looked at after a tick.
TEST_F(ThreadedTimerTest, ThreadPriorityReachesTheWorkerThreadBeforeAndAfterStart) {
  using enum TThreadPriority;
  const TThreadPriority all[] = {tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical};
  struct Case {
    TThreadPriority atStart;
    std::optional<TThreadPriority> rightAfterStart;
    std::vector<TThreadPriority> afterATick;  // set one after the other
    int policy;                               // the worker's scheduling policy at the end
  };
  const Case cases[] = {
      {tpIdle, std::nullopt, {}, SCHED_IDLE},
      {tpLowest, std::nullopt, {}, SCHED_OTHER},
      {tpNormal, std::nullopt, {}, SCHED_OTHER},
      {tpTimeCritical, std::nullopt, {}, SCHED_OTHER},
      {tpNormal, std::nullopt, {tpIdle}, SCHED_IDLE},
      {tpHigher, std::nullopt, {tpIdle}, SCHED_IDLE},
      {tpNormal, std::nullopt, {tpIdle, tpNormal}, SCHED_OTHER},
      {tpIdle, std::nullopt, {tpLowest}, SCHED_OTHER},
      {tpIdle, tpNormal, {}, SCHED_OTHER},
  };
  const bool leavingIdleAllowed = mayLeaveIdleClass();
  // What the priority reads after a change from `current` to `wanted`.
  const auto readAfterChange = [leavingIdleAllowed](TThreadPriority current, TThreadPriority wanted) {
    return current == tpIdle && wanted != tpIdle && !leavingIdleAllowed ? tpIdle : wanted;
  };
  for (const Case& c : cases) {
    std::string trace = "at start " + std::to_string(int(c.atStart));
    if (c.rightAfterStart) trace += ", right after it " + std::to_string(int(*c.rightAfterStart));
    for (TThreadPriority later : c.afterATick) trace += ", after a tick " + std::to_string(int(later));
    SCOPED_TRACE(trace);
    ticks.clear();
    auto timer = recordingTimer(50);
    for (TThreadPriority priority : all) {
      timer->setThreadPriority(priority);
      EXPECT_EQ(timer->ThreadPriority(), priority) << "before start: " << int(priority);
    }
    timer->setThreadPriority(c.atStart);
    const std::optional<pid_t> worker = startWorkerThread(*timer);
    ASSERT_TRUE(worker) << "enabling did not start exactly one thread";
    TThreadPriority expected = c.atStart;
    if (c.rightAfterStart) {
      timer->setThreadPriority(*c.rightAfterStart);
      expected = readAfterChange(expected, *c.rightAfterStart);
    }
    ASSERT_TRUE(runUntilTicks(1));
    EXPECT_EQ(timer->ThreadPriority(), expected);
    for (TThreadPriority later : c.afterATick) {
      timer->setThreadPriority(later);
      expected = readAfterChange(expected, later);
      EXPECT_EQ(timer->ThreadPriority(), expected) << "after setting " << int(later);
    }
    const bool keptIdle = expected == tpIdle && c.policy != SCHED_IDLE;
    EXPECT_EQ(::sched_getscheduler(*worker), keptIdle ? SCHED_IDLE : c.policy);
  }
}

// A modal box runs a nested event loop; the timer must keep ticking inside it. The loop ends
// at its third tick, or at the guard when ticks wait for the outer loop.
TEST_F(ThreadedTimerTest, TicksKeepComingInsideANestedEventLoop) {
  QEventLoop* modal = nullptr;
  int ticksInNestedLoop = 0;
  auto timer = recordingTimer(100, [&](TThreadedTimer*) {
    if (modal && ++ticksInNestedLoop == 3) modal->quit();
  });
  timer->setEnabled(true);
  bool modalEnded = false;
  QTimer::singleShot(0, [&] {
    QEventLoop loop;
    QTimer::singleShot(kHangGuard, &loop, &QEventLoop::quit);
    modal = &loop;
    loop.exec();
    modal = nullptr;
    modalEnded = true;
  });
  ASSERT_TRUE(runUntil([&] { return modalEnded; }));
  EXPECT_EQ(ticksInNestedLoop, 3);
}

}  // namespace
}  // namespace tov
