#include "ui/qt/qt_worker_thread.h"

#include <array>
#include <utility>

#include "platform/thread_scheduling.h"

namespace tov::qt {

namespace {

// The seven priorities line up one to one with Qt's; Qt's InheritPriority has no match.
constexpr std::array<std::pair<ThreadPriority, QThread::Priority>, 7> kPriorities{{
    {ThreadPriority::Idle, QThread::IdlePriority},
    {ThreadPriority::Lowest, QThread::LowestPriority},
    {ThreadPriority::Lower, QThread::LowPriority},
    {ThreadPriority::Normal, QThread::NormalPriority},
    {ThreadPriority::Higher, QThread::HighPriority},
    {ThreadPriority::Highest, QThread::HighestPriority},
    {ThreadPriority::TimeCritical, QThread::TimeCriticalPriority},
}};

QThread::Priority toQtPriority(ThreadPriority priority) {
  for (const auto& [ours, qt] : kPriorities)
    if (ours == priority) return qt;
  return QThread::NormalPriority;
}

ThreadPriority fromQtPriority(QThread::Priority priority) {
  for (const auto& [ours, qt] : kPriorities)
    if (qt == priority) return ours;
  return ThreadPriority::Normal;
}

}  // namespace

QtWorkerThread::QtWorkerThread(ThreadPriority priority, IEventLoop::Work work)
    : work_(std::move(work)), thread_(QThread::create([this] { run(); })), wanted_(priority) {
  thread_->start(toQtPriority(priority));
}

QtWorkerThread::~QtWorkerThread() { join(); }

void QtWorkerThread::join() { thread_->wait(); }

void QtWorkerThread::setPriority(ThreadPriority priority) {
  std::lock_guard lock(mutex_);
  wanted_ = priority;
  applyPriority();
}

ThreadPriority QtWorkerThread::priority() const {
  std::lock_guard lock(mutex_);
  return fromQtPriority(thread_->priority());
}

void QtWorkerThread::applyPriority() {
  const QThread::Priority wanted = toQtPriority(wanted_);
  if (thread_->priority() == QThread::IdlePriority && wanted != QThread::IdlePriority) {
    // Qt changes a running thread's priority only within its scheduling class, so it would
    // keep an idle thread idle whatever came later. The thread can be taken out of the
    // class only once it runs; run() applies the wanted priority then. Refused, the thread
    // stays idle, in Qt's record as in the system.
    if (running_ == nullptr || !leaveIdleScheduling(running_)) return;
  }
  thread_->setPriority(wanted);
}

void QtWorkerThread::run() {
  {
    std::lock_guard lock(mutex_);
    running_ = QThread::currentThreadId();
    applyPriority();  // a change made since the start may not have reached the thread
  }
  work_();
  // The thread ends once this returns; its handle must not be used after that.
  std::lock_guard lock(mutex_);
  running_ = nullptr;
}

}  // namespace tov::qt
