#include "components/threadedtimer.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QPointer>
#include <array>
#include <chrono>
#include <utility>

#include "platform/thread_scheduling.h"

namespace tov {

namespace {

// The seven priorities line up one to one with Qt's; Qt's InheritPriority has no match.
constexpr std::array<std::pair<TThreadPriority, QThread::Priority>, 7> kPriorities{{
    {TThreadPriority::tpIdle, QThread::IdlePriority},
    {TThreadPriority::tpLowest, QThread::LowestPriority},
    {TThreadPriority::tpLower, QThread::LowPriority},
    {TThreadPriority::tpNormal, QThread::NormalPriority},
    {TThreadPriority::tpHigher, QThread::HighPriority},
    {TThreadPriority::tpHighest, QThread::HighestPriority},
    {TThreadPriority::tpTimeCritical, QThread::TimeCriticalPriority},
}};

QThread::Priority toQtPriority(TThreadPriority priority) {
  for (const auto& [ours, qt] : kPriorities)
    if (ours == priority) return qt;
  return QThread::NormalPriority;
}

TThreadPriority fromQtPriority(QThread::Priority priority) {
  for (const auto& [ours, qt] : kPriorities)
    if (qt == priority) return ours;
  return TThreadPriority::tpNormal;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// TThreadedTimer

TThreadedTimer::TThreadedTimer(QObject* owner)
    : QObject(owner), worker_(std::make_unique<TTimerThread>(*this)) {
  // Hand-overs are delivered through this object's thread; it must be the one serving events.
  Q_ASSERT(!QCoreApplication::instance() || thread() == QCoreApplication::instance()->thread());
}

TThreadedTimer::~TThreadedTimer() {
  // The worker is gone before ~QObject runs, and ~QObject drops a tick still queued for this
  // object, so no tick reaches a destroyed timer.
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
  QPointer<TThreadedTimer> alive(this);
  // A tick that arrives after the timer was disabled is dropped.
  const bool handled = !(enabled_ && OnTimer) || callOnTimer();
  // A handler may free its own timer; the destructor has then released the worker already.
  if (alive) worker_->completeHandOver(handled);
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
  // Qt keeps no priority for a thread that has not started; the stored one applies at start.
  std::lock_guard lock(mutex_);
  return started_ ? fromQtPriority(priority()) : priority_;
}

void TTimerThread::setThreadPriority(TThreadPriority value) {
  std::lock_guard lock(mutex_);
  priority_ = value;
  if (started_) applyPriority();
}

void TTimerThread::applyPriority() {
  const QThread::Priority wanted = toQtPriority(priority_);
  if (priority() == QThread::IdlePriority && wanted != QThread::IdlePriority) {
    // Until run() begins the thread cannot be addressed; run() applies the wanted priority then.
    // Refused, the thread keeps the idle priority, in Qt's record as in the system.
    // Qt would keep it in the idle class whatever priority came later.
    if (nativeThread_ == nullptr || !leaveIdleScheduling(nativeThread_)) return;
  }
  setPriority(wanted);
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
  QThread::Priority startPriority;
  {
    std::lock_guard lock(mutex_);
    paused_ = false;
    startPriority = toQtPriority(priority_);
  }
  wakeup_.notify_one();
  if (!started_) {
    started_ = true;
    start(startPriority);
  }
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
  if (started_) wait();
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
  nativeThread_ = currentThreadId();
  applyPriority();  // a change made since start() may not have reached the thread
  tickUntilTerminated(lock);
  // The thread ends once run() is left; its handle must not be used after that.
  nativeThread_ = nullptr;
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
  // Queued to the owner's thread: any event processing there runs it, nested loops and modal
  // boxes included. Posting under the lock keeps "paused means no hand-over" exact.
  QMetaObject::invokeMethod(
      &owner_, [owner = &owner_] { owner->tickRoutine(); }, Qt::QueuedConnection);
  wakeup_.wait(lock, [this] { return handOver_ != HandOver::Pending; });
  const bool handled = handOver_ != HandOver::Failed;
  handOver_ = HandOver::None;
  return handled;
}

}  // namespace tov
