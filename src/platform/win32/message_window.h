#pragma once
// A message-only window: the receiver of timers, hot keys and work posted from other threads,
// on the thread that makes it. Its messages are handled by whatever loop serves that thread
// (the program's, or a message box's own).
//
// A C++ exception must not unwind through the system's frames between the message loop and a
// window procedure. One leaving a handler is kept instead, and the event loop raises it again
// once DispatchMessageW has returned (takeDeferredException), so it reaches the program's
// error report as if the handler had been called from the loop.

#include <windows.h>

#include <exception>
#include <functional>

namespace tov::win32 {

class MessageWindow {
 public:
  // Answers a message; false leaves it to DefWindowProcW.
  using Handler = std::function<bool(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)>;

  // MessageOnly: HWND_MESSAGE's child, which no broadcast or search reaches. HiddenTopLevel:
  // a top-level window never shown, for what the system sends to top-level windows only
  // (the end of the session, a close request from another program).
  enum class Kind { MessageOnly, HiddenTopLevel };

  explicit MessageWindow(Handler handler, Kind kind = Kind::MessageOnly);
  ~MessageWindow();
  MessageWindow(const MessageWindow&) = delete;
  MessageWindow& operator=(const MessageWindow&) = delete;

  HWND handle() const { return window_; }

 private:
  static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  Handler handler_;
  HWND window_ = nullptr;
};

// Runs work inside a window procedure: an exception is kept for the loop of this thread.
void runInWindowProcedure(const std::function<void()>& work) noexcept;

// The exception a window procedure of this thread kept, if any; it is kept no longer.
std::exception_ptr takeDeferredException();

}  // namespace tov::win32
