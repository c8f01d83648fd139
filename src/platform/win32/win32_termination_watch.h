#pragma once
// Requests from outside to end the program, delivered on the user-interface thread:
// - the end of the session (WM_ENDSESSION): the request is handled before the handler
//   returns, since the system may end the process right after it;
// - WM_CLOSE sent to the program's top-level windows by another program (taskkill without
//   /F), received by a hidden top-level window of its own;
// - the console's Ctrl+C, Ctrl+Break and its closing, log-off and shut-down events, which
//   the system raises on a thread of its own: they are posted to the window, and for the
//   last three the system's thread waits a while for the request to be handled, since the
//   process ends when that thread returns.

#include <functional>
#include <memory>

#include "platform/termination.h"
#include "platform/win32/message_window.h"

namespace tov::win32 {

class Win32TerminationWatch : public ITerminationWatch {
 public:
  // On the user-interface thread.
  Win32TerminationWatch();
  ~Win32TerminationWatch() override;
  Win32TerminationWatch(const Win32TerminationWatch&) = delete;
  Win32TerminationWatch& operator=(const Win32TerminationWatch&) = delete;

  // Requests that arrive before are delivered once the loop runs after this. Only one watch
  // in a process holds the console's events; the latest made does.
  void watch(std::function<void()> onRequest) override;

  HWND window() const { return window_->handle(); }

 private:
  static BOOL WINAPI consoleEvent(DWORD event);
  void request();

  std::unique_ptr<MessageWindow> window_;
  std::function<void()> onRequest_;
  bool pending_ = false;  // a request came before watch()
  HANDLE handled_ = nullptr;  // set once a request has been handled
};

}  // namespace tov::win32
