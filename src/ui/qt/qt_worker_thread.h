#pragma once
// A worker thread of the program's own on a QThread, so that its priority is Qt's: the idle
// priority puts it in the system's idle class, and every other priority in the normal one.

#include <QThread>
#include <memory>
#include <mutex>

#include "platform/event_loop.h"

namespace tov::qt {

class QtWorkerThread final : public IWorkerThread {
 public:
  QtWorkerThread(ThreadPriority priority, IEventLoop::Work work);
  ~QtWorkerThread() override;
  QtWorkerThread(const QtWorkerThread&) = delete;
  QtWorkerThread& operator=(const QtWorkerThread&) = delete;

  void setPriority(ThreadPriority priority) override;
  ThreadPriority priority() const override;
  void join() override;

 private:
  void run();
  // Gives the thread the wanted priority. Called with mutex_ held, on either thread.
  void applyPriority();

  IEventLoop::Work work_;
  std::unique_ptr<QThread> thread_;
  mutable std::mutex mutex_;
  ThreadPriority wanted_;
  // The thread itself while its work runs; before and after, nothing to address.
  Qt::HANDLE running_ = nullptr;
};

}  // namespace tov::qt
