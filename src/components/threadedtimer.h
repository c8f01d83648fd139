#pragma once
// A timer whose ticks are timed by a worker thread of its own and run on the user-interface
// thread. The worker hands each tick over and waits until it has been handled, so ticks never
// queue up, and they keep coming while the user-interface thread serves a modal box or a
// nested event loop (unlike a timer of the main message loop).

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

#include "platform/event_loop.h"

namespace tov {

enum class TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

class TTimerThread;

// Create, use and destroy on the user-interface thread (the thread of the event loop).
class TThreadedTimer {
 public:
  TThreadedTimer();
  ~TThreadedTimer();
  TThreadedTimer(const TThreadedTimer&) = delete;
  TThreadedTimer& operator=(const TThreadedTimer&) = delete;

  bool Enabled() const { return enabled_; }
  // Enabling starts a full interval from now; enabling an enabled timer changes nothing.
  void setEnabled(bool value);

  // Milliseconds between the end of one tick and the next; 0 means no ticks.
  std::uint32_t Interval() const;
  // A new value restarts the count of an enabled timer.
  void setInterval(std::uint32_t value);

  TThreadPriority ThreadPriority() const;
  void setThreadPriority(TThreadPriority value);

  // Runs on the user-interface thread at each tick while the timer is enabled. What it throws
  // is not reported: it ends the worker, and no tick comes again. A handler whose timer must
  // keep ticking catches (and reports) its own errors.
  std::function<void(TThreadedTimer* sender)> OnTimer;

 private:
  friend class TTimerThread;

  // The receiving end of a hand-over, run by the user-interface thread's event processing.
  void tickRoutine();
  bool callOnTimer();  // false when the handler failed

  bool enabled_ = false;
  // Expires with the timer: a handler may destroy its own timer.
  std::shared_ptr<const bool> lifetime_ = std::make_shared<const bool>(true);
  // Hand-overs are posted in its name, so one still queued when the timer goes is dropped.
  // Declared before the worker, which ends first.
  LoopContext handOvers_;
  std::unique_ptr<TTimerThread> worker_;
};

// The worker: waits out the interval on its wake event, then hands one tick over to the
// user-interface thread and blocks until the tick routine has run. Its thread is one of the
// event loop's worker threads, started at the first resumption.
//
// Linux has no thread suspension, so pausing is emulated at the two places where it can be
// observed: a paused worker holds its wait (its time-out does not run out) and makes no
// hand-over; a resumed one goes on where it stood.
class TTimerThread {
 public:
  explicit TTimerThread(TThreadedTimer& owner);
  ~TTimerThread();
  TTimerThread(const TTimerThread&) = delete;
  TTimerThread& operator=(const TTimerThread&) = delete;

  std::uint32_t interval() const;
  void setInterval(std::uint32_t milliseconds);

  TThreadPriority threadPriority() const;
  void setThreadPriority(TThreadPriority value);

  // Wakes a waiting worker: its wait ends at once without a tick. Auto-reset: one signal
  // ends one wait, however often it was given.
  void signalWake();
  void pause();
  // Starts the worker at its first resumption.
  void resume();
  // Ends the worker without the user-interface thread's help: a hand-over in flight is
  // cancelled, so this may be called from anywhere on that thread, even inside a tick.
  void terminateAndWait();

  // Called by the tick routine when the tick has been handled.
  // handled false: the tick's handler failed, and the worker ends.
  void completeHandOver(bool handled);

 private:
  enum class HandOver { None, Pending, Completed, Failed, Cancelled };

  void run();
  void tickUntilTerminated(std::unique_lock<std::mutex>& lock);
  bool waitOutInterval(std::unique_lock<std::mutex>& lock);
  void waitWhilePaused(std::unique_lock<std::mutex>& lock);
  bool handOver(std::unique_lock<std::mutex>& lock);  // false: the handler failed

  TThreadedTimer& owner_;
  // User-interface thread only: the priority the thread starts with, and the thread, null
  // until the first resumption. What the started thread has is what it reports.
  TThreadPriority priority_ = TThreadPriority::tpNormal;
  std::unique_ptr<IWorkerThread> thread_;

  // Shared with the worker: every field below is guarded by mutex_, and the worker is the
  // only thread that waits on wakeup_. The wake event is wakeSignalled_.
  mutable std::mutex mutex_;
  std::condition_variable wakeup_;
  std::uint32_t interval_ = 1000;
  bool wakeSignalled_ = false;
  bool paused_ = true;
  bool terminateRequested_ = false;
  HandOver handOver_ = HandOver::None;
};

}  // namespace tov
