#include "platform/win32/message_window.h"

#include <system_error>
#include <utility>

namespace tov::win32 {

namespace {

constexpr wchar_t kClassName[] = L"TovaleerMessageWindow";

// One per thread: a handler's exception is raised again by the loop of the thread it ran on.
thread_local std::exception_ptr deferredException;

void keep(std::exception_ptr error) {
  // A second one before the loop came back is dropped: the first is what went wrong.
  if (!deferredException) deferredException = std::move(error);
}

ATOM registerClass(WNDPROC procedure) {
  static const ATOM atom = [procedure] {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kClassName;
    return RegisterClassExW(&windowClass);
  }();
  return atom;
}

}  // namespace

MessageWindow::MessageWindow(Handler handler, Kind kind) : handler_(std::move(handler)) {
  if (!registerClass(&MessageWindow::procedure)) throw std::system_error(int(GetLastError()), std::system_category(), "RegisterClassExW");
  const bool topLevel = kind == Kind::HiddenTopLevel;
  window_ = CreateWindowExW(topLevel ? WS_EX_TOOLWINDOW : 0, kClassName, L"", topLevel ? WS_POPUP : 0, 0, 0, 0,
                            0, topLevel ? nullptr : HWND_MESSAGE, nullptr, GetModuleHandleW(nullptr), nullptr);
  if (!window_) throw std::system_error(int(GetLastError()), std::system_category(), "CreateWindowExW");
  // Messages of the creation itself go to DefWindowProcW: the handler is not reached yet.
  SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

MessageWindow::~MessageWindow() {
  SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
  DestroyWindow(window_);
}

LRESULT CALLBACK MessageWindow::procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<MessageWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  LRESULT result = 0;
  bool handled = false;
  if (self) runInWindowProcedure([&] { handled = self->handler_(message, wParam, lParam, result); });
  return handled ? result : DefWindowProcW(window, message, wParam, lParam);
}

void runInWindowProcedure(const std::function<void()>& work) noexcept {
  try {
    work();
  } catch (...) {
    keep(std::current_exception());
  }
}

std::exception_ptr takeDeferredException() { return std::exchange(deferredException, nullptr); }

}  // namespace tov::win32
