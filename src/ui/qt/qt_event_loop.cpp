#include "ui/qt/qt_event_loop.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>
#include <utility>

#include "ui/qt/qt_worker_thread.h"

namespace tov::qt {

QtEventLoop::QtEventLoop() = default;

QtEventLoop::~QtEventLoop() = default;

void QtEventLoop::post(Work work) {
  QMetaObject::invokeMethod(&context_, std::move(work), Qt::QueuedConnection);
}

IEventLoop::Id QtEventLoop::addTimer(std::uint32_t intervalMs, Work tick) {
  auto timer = std::make_unique<QTimer>();
  // A tick is counted from the end of the last one's handler, as the platform's timers do.
  timer->setTimerType(Qt::PreciseTimer);
  QObject::connect(timer.get(), &QTimer::timeout, std::move(tick));
  timer->start(int(intervalMs));
  const Id id = ++lastId_;
  timers_.emplace(id, std::move(timer));
  return id;
}

void QtEventLoop::removeTimer(Id id) {
  const auto found = timers_.find(id);
  if (found == timers_.end()) return;
  // It may be the timer whose handler is running: stopped now, deleted once that is done.
  found->second->stop();
  found->second.release()->deleteLater();
  timers_.erase(found);
}

IEventLoop::Id QtEventLoop::addWatch(NativeHandle handle, WatchFor what, Work ready) {
  auto notifier = std::make_unique<QSocketNotifier>(
      qintptr(handle), what == WatchFor::Readable ? QSocketNotifier::Read : QSocketNotifier::Write);
  QObject::connect(notifier.get(), &QSocketNotifier::activated, std::move(ready));
  const Id id = ++lastId_;
  watches_.emplace(id, std::move(notifier));
  return id;
}

void QtEventLoop::removeWatch(Id id) {
  const auto found = watches_.find(id);
  if (found == watches_.end()) return;
  found->second->setEnabled(false);
  found->second.release()->deleteLater();
  watches_.erase(found);
}

IEventLoop::Id QtEventLoop::addBeforeWait(Work work) {
  const Id id = ++lastId_;
  // The dispatcher of the loop's thread, which exists as long as the application object.
  beforeWaits_.emplace(id, QObject::connect(QAbstractEventDispatcher::instance(context_.thread()),
                                            &QAbstractEventDispatcher::aboutToBlock, &context_,
                                            std::move(work)));
  return id;
}

void QtEventLoop::removeBeforeWait(Id id) {
  const auto found = beforeWaits_.find(id);
  if (found == beforeWaits_.end()) return;
  // Qt lets a slot be disconnected while its signal is being delivered.
  QObject::disconnect(found->second);
  beforeWaits_.erase(found);
}

std::unique_ptr<IWorkerThread> QtEventLoop::startThread(ThreadPriority priority, Work work) {
  return std::make_unique<QtWorkerThread>(priority, std::move(work));
}

void QtEventLoop::processEvents(bool waitForMore) {
  QCoreApplication::processEvents(waitForMore ? QEventLoop::WaitForMoreEvents : QEventLoop::AllEvents);
}

bool QtEventLoop::onLoopThread() const { return QThread::currentThread() == context_.thread(); }

}  // namespace tov::qt
