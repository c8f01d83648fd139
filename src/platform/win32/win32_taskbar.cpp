#include "platform/win32/win32_taskbar.h"

#include "platform/guardian/undo_recorder.h"

namespace tov::win32 {

namespace {

HWND windowOf(TaskbarHandle taskbar) { return reinterpret_cast<HWND>(static_cast<ULONG_PTR>(taskbar)); }

std::vector<HWND> visibleSecondaryTaskbars() {
  std::vector<HWND> found;
  for (HWND window = nullptr; (window = FindWindowExW(nullptr, window, L"Shell_SecondaryTrayWnd", nullptr));)
    if (IsWindowVisible(window)) found.push_back(window);
  return found;
}

}  // namespace

Win32Taskbar::~Win32Taskbar() {
  if (hiddenPrimary_) show(reinterpret_cast<ULONG_PTR>(hiddenPrimary_));
}

TaskbarHandle Win32Taskbar::find() {
  return reinterpret_cast<ULONG_PTR>(FindWindowW(L"Shell_TrayWnd", nullptr));
}

void Win32Taskbar::hide(TaskbarHandle taskbar) {
  if (taskbar == 0) return;
  // Recorded before the change, as every undo is.
  if (guardian_ && !hiddenPrimary_) guardian_->record(guardian::TaskbarsHidden{});
  hiddenPrimary_ = windowOf(taskbar);
  for (HWND secondary : visibleSecondaryTaskbars()) {
    hiddenSecondaries_.push_back(secondary);
    ShowWindow(secondary, SW_HIDE);
  }
  ShowWindow(hiddenPrimary_, SW_HIDE);
}

void Win32Taskbar::show(TaskbarHandle taskbar) {
  if (taskbar == 0) return;
  ShowWindow(windowOf(taskbar), SW_SHOW);
  // A monitor's taskbar that went with its monitor meanwhile is no longer a window.
  for (HWND secondary : hiddenSecondaries_)
    if (IsWindow(secondary)) ShowWindow(secondary, SW_SHOW);
  hiddenSecondaries_.clear();
  if (guardian_ && hiddenPrimary_) guardian_->record(guardian::TaskbarsShown{});
  hiddenPrimary_ = nullptr;
}

}  // namespace tov::win32
