#pragma once
// The program's event loop on Qt's: made once the QCoreApplication exists, on its thread.

#include <QObject>
#include <map>
#include <memory>

#include "platform/event_loop.h"

class QSocketNotifier;
class QTimer;

namespace tov::qt {

class QtEventLoop final : public IEventLoop {
 public:
  QtEventLoop();
  ~QtEventLoop() override;

  void post(Work work) override;
  Id addTimer(std::uint32_t intervalMs, Work tick) override;
  void removeTimer(Id timer) override;
  Id addWatch(NativeHandle handle, WatchFor what, Work ready) override;
  void removeWatch(Id watch) override;
  Id addBeforeWait(Work work) override;
  void removeBeforeWait(Id hook) override;
  std::unique_ptr<IWorkerThread> startThread(ThreadPriority priority, Work work) override;
  void processEvents(bool waitForMore) override;
  bool onLoopThread() const override;

 private:
  // The receiver of posted work: lives on the loop's thread.
  QObject context_;
  Id lastId_ = 0;
  std::map<Id, std::unique_ptr<QTimer>> timers_;
  std::map<Id, std::unique_ptr<QSocketNotifier>> watches_;
  std::map<Id, QMetaObject::Connection> beforeWaits_;
};

// Makes a QtEventLoop and installs it for as long as it lives.
class InstalledQtEventLoop {
 public:
  InstalledQtEventLoop() { installEventLoop(&loop_); }
  ~InstalledQtEventLoop() { installEventLoop(nullptr); }

 private:
  QtEventLoop loop_;
};

}  // namespace tov::qt
