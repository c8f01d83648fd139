#pragma once
// SIGTERM, SIGINT and SIGHUP turned into a call on the user-interface thread. The signal
// handler only writes a byte into a pipe; a watch on the pipe's other end calls the callback
// from the event loop, where closing the main window is safe.

#include "platform/event_loop.h"
#include "platform/termination.h"

#include <signal.h>

#include <array>
#include <functional>
#include <memory>

namespace tov::posix {

class PosixTerminationWatch : public ITerminationWatch {
 public:
  PosixTerminationWatch();
  // Puts back the signal dispositions it replaced.
  ~PosixTerminationWatch() override;
  PosixTerminationWatch(const PosixTerminationWatch&) = delete;
  PosixTerminationWatch& operator=(const PosixTerminationWatch&) = delete;

  // Requests that arrive before the event loop runs are delivered once it does. Only one
  // watch in a process can hold the signals; the latest to call watch() does.
  void watch(std::function<void()> onRequest) override;

 private:
  void takeRequests();

  int readEnd_ = -1;
  int writeEnd_ = -1;
  std::unique_ptr<LoopWatch> watch_;
  std::function<void()> onRequest_;
  bool handlersInstalled_ = false;
  std::array<struct sigaction, 3> previousActions_{};
};

}  // namespace tov::posix
