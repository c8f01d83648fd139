#include "platform/win32/win32_termination_watch.h"

#include <atomic>
#include <utility>

namespace tov::win32 {

namespace {

constexpr UINT kConsoleRequest = WM_APP + 1;
// The system gives a console's close 5 s before it ends the process itself.
constexpr DWORD kConsoleCloseWaitMs = 4500;

std::atomic<Win32TerminationWatch*> consoleWatch{nullptr};

}  // namespace

Win32TerminationWatch::Win32TerminationWatch()
    : handled_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
  window_ = std::make_unique<MessageWindow>(
      [this](UINT message, WPARAM wParam, LPARAM, LRESULT& result) {
        switch (message) {
          case WM_QUERYENDSESSION:
            result = TRUE;
            return true;
          case WM_ENDSESSION:
            if (wParam) request();
            result = 0;
            return true;
          case WM_CLOSE:
          case kConsoleRequest:
            request();
            result = 0;
            return true;
          default:
            return false;
        }
      },
      MessageWindow::Kind::HiddenTopLevel);
  consoleWatch = this;
  SetConsoleCtrlHandler(&Win32TerminationWatch::consoleEvent, TRUE);
}

Win32TerminationWatch::~Win32TerminationWatch() {
  Win32TerminationWatch* self = this;
  if (consoleWatch.compare_exchange_strong(self, nullptr))
    SetConsoleCtrlHandler(&Win32TerminationWatch::consoleEvent, FALSE);
  window_.reset();
  if (handled_) CloseHandle(handled_);
}

void Win32TerminationWatch::watch(std::function<void()> onRequest) {
  onRequest_ = std::move(onRequest);
  if (std::exchange(pending_, false)) PostMessageW(window_->handle(), kConsoleRequest, 0, 0);
}

void Win32TerminationWatch::request() {
  if (onRequest_)
    onRequest_();
  else
    pending_ = true;
  if (handled_) SetEvent(handled_);
}

BOOL WINAPI Win32TerminationWatch::consoleEvent(DWORD event) {
  Win32TerminationWatch* watch = consoleWatch;
  if (!watch) return FALSE;
  PostMessageW(watch->window(), kConsoleRequest, 0, 0);
  const bool processEndsOnReturn =
      event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT;
  if (processEndsOnReturn && watch->handled_) WaitForSingleObject(watch->handled_, kConsoleCloseWaitMs);
  return TRUE;
}

}  // namespace tov::win32
