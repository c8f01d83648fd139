#include "components/threadedtimer.h"

#include <array>
#include <cassert>
#include <chrono>
#include <utility>

namespace tov {

namespace {

// The component's priorities are the loop's, one to one.
constexpr std::array<std::pair<TThreadPriority, ThreadPriority>, 7> kPriorities{{
    {TThreadPriority::tpIdle, ThreadPriority::Idle},
    {TThreadPriority::tpLowest, ThreadPriority::Lowest},
    {TThreadPriority::tpLower, ThreadPriority::Lower},
    {TThreadPriority::tpNormal, ThreadPriority::Normal},
    {TThreadPriority::tpHigher, ThreadPriority::Higher},
    {TThreadPriority::tpHighest, ThreadPriority::Highest},
    {TThreadPriority::tpTimeCritical, ThreadPriority::TimeCritical},
}};

ThreadPriority toLoopPriority(TThreadPriority priority) {
  for (const auto& [ours, loop] : kPriorities)
    if (ours == priority) return loop;
  return ThreadPriority::Normal;
}

TThreadPriority fromLoopPriority(ThreadPriority priority) {
  for (const auto& [ours, loop] : kPriorities)
    if (loop == priority) return ours;
  return TThreadPriority::tpNormal;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// TThreadedTimer

TThreadedTimer::TThreadedTimer() : worker_(std::make_unique<TTimerThread>(*this)) {
  // Hand-overs are delivered on the loop's thread; it must be the one that uses the timer.
  assert(!hasEventLoop() || eventLoop().onLoopThread());
}

TThreadedTimer::~TThreadedTimer() {
  // The worker is gone before the hand-over context goes, which drops a tick still queued,
  // so no tick reaches a destroyed timer.
  worker_->terminateAndWait();
}

void TThreadedTimer::setEnabled(bool value) {
  if (value == enabled_) return;
  enabled_ = value;
  if (!value) {
    worker_->pause();
    return;
  }
  if (worker_->interval() == 0) return;  // stays paused: an interval of 0 gives no ticks
  // Signalled before resuming, so the wait the worker stands in ends without a tick and the
  // first tick comes a full interval from now.
  worker_->signalWake();
  worker_->resume();
}

std::uint32_t TThreadedTimer::Interval() const { return worker_->interval(); }

void TThreadedTimer::setInterval(std::uint32_t value) {
  if (value == worker_->interval()) return;
  const bool wasEnabled = enabled_;
  setEnabled(false);
  worker_->setInterval(value);
  setEnabled(wasEnabled);
}

TThreadPriority TThreadedTimer::ThreadPriority() const { return worker_->threadPriority(); }

void TThreadedTimer::setThreadPriority(TThreadPriority value) { worker_->setThreadPriority(value); }

void TThreadedTimer::tickRoutine() {
  const std::weak_ptr<const bool> alive = lifetime_;
  // A tick that arrives after the timer was disabled is dropped.
  const bool handled = !(enabled_ && OnTimer) || callOnTimer();
  // A handler may free its own timer; the destructor has then released the worker already.
  if (!alive.expired()) worker_->completeHandOver(handled);
}

bool TThreadedTimer::callOnTimer() {
  // A copy, so that a handler freeing this timer does not destroy the function it runs in.
  const auto handler = OnTimer;
  try {
    handler(this);
    return true;
  } catch (...) {
    // The error goes back to the worker, which ends; nothing is reported. A handler that
    // must not stop its timer catches its own errors.
    return false;
  }
}

// ---------------------------------------------------------------------------------------------
// TTimerThread

TTimerThread::TTimerThread(TThreadedTimer& owner) : owner_(owner) {}

TTimerThread::~TTimerThread() { terminateAndWait(); }

std::uint32_t TTimerThread::interval() const {
  std::lock_guard lock(mutex_);
  return interval_;
}

void TTimerThread::setInterval(std::uint32_t milliseconds) {
  std::lock_guard lock(mutex_);
  interval_ = milliseconds;
}

TThreadPriority TTimerThread::threadPriority() const {
  // A thread that has not started has no priority yet; the stored one applies at start.
  return thread_ ? fromLoopPriority(thread_->priority()) : priority_;
}

void TTimerThread::setThreadPriority(TThreadPriority value) {
  priority_ = value;
  if (thread_) thread_->setPriority(toLoopPriority(value));
}

void TTimerThread::signalWake() {
  {
    std::lock_guard lock(mutex_);
    wakeSignalled_ = true;
  }
  wakeup_.notify_one();
}

void TTimerThread::pause() {
  std::lock_guard lock(mutex_);
  paused_ = true;
}

void TTimerThread::resume() {
  {
    std::lock_guard lock(mutex_);
    paused_ = false;
  }
  wakeup_.notify_one();
  if (!thread_) thread_ = eventLoop().startThread(toLoopPriority(priority_), [this] { run(); });
}

void TTimerThread::terminateAndWait() {
  {
    std::lock_guard lock(mutex_);
    terminateRequested_ = true;
    wakeSignalled_ = true;
    paused_ = false;
    if (handOver_ == HandOver::Pending) handOver_ = HandOver::Cancelled;
  }
  wakeup_.notify_one();
  // A worker that never started has nothing to end. One that did ends without waiting on
  // this thread, so joining here cannot deadlock.
  if (thread_) thread_->join();
}

void TTimerThread::completeHandOver(bool handled) {
  {
    std::lock_guard lock(mutex_);
    if (handOver_ != HandOver::Pending) return;
    handOver_ = handled ? HandOver::Completed : HandOver::Failed;
  }
  wakeup_.notify_one();
}

void TTimerThread::run() {
  std::unique_lock lock(mutex_);
  tickUntilTerminated(lock);
}

void TTimerThread::tickUntilTerminated(std::unique_lock<std::mutex>& lock) {
  // Termination is looked at only after a wait; the destructor signals the wake event, so
  // that wait is short.
  do {
    waitWhilePaused(lock);
    if (waitOutInterval(lock)) {
      waitWhilePaused(lock);  // paused after the time-out: the hand-over waits for resumption
      // An error in the tick's handler ends the worker for good.
      if (!terminateRequested_ && !handOver(lock)) return;
    }
  } while (!terminateRequested_);
}

void TTimerThread::waitWhilePaused(std::unique_lock<std::mutex>& lock) {
  wakeup_.wait(lock, [this] { return !paused_ || terminateRequested_; });
}

// True when the interval ran out, false when the wake event ended the wait.
bool TTimerThread::waitOutInterval(std::unique_lock<std::mutex>& lock) {
  const std::uint32_t interval = interval_;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(interval);
  while (!wakeSignalled_) {
    // While paused the wait stands still: resumption signals the event, which ends it.
    // An interval of 0 never runs out (it is never waited while enabled, but stays safe).
    if (paused_ || interval == 0) {
      wakeup_.wait(lock);
    } else if (wakeup_.wait_until(lock, deadline) == std::cv_status::timeout && !wakeSignalled_ &&
               !paused_) {
      return true;
    }
  }
  wakeSignalled_ = false;
  return false;
}

bool TTimerThread::handOver(std::unique_lock<std::mutex>& lock) {
  handOver_ = HandOver::Pending;
  // Posted to the loop's thread: any event processing there runs it, nested loops and modal
  // boxes included. Posting under the lock keeps "paused means no hand-over" exact.
  owner_.handOvers_.post([owner = &owner_] { owner->tickRoutine(); });
  wakeup_.wait(lock, [this] { return handOver_ != HandOver::Pending; });
  const bool handled = handOver_ != HandOver::Failed;
  handOver_ = HandOver::None;
  return handled;
}

}  // namespace tov
