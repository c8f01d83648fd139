#include "ui/win32/win32_backend.h"

#include <windows.h>

#include "ui/win32/win32_cursors.h"
#include "ui/win32/win32_edit.h"
#include "ui/win32/win32_message_box.h"
#include "ui/win32/win32_mouse.h"
#include "ui/win32/win32_window.h"

namespace tov::win32 {

// One form pixel is one screen pixel: the system must not scale the program's windows for
// the screen's text size.
Win32Backend::Win32Backend() { SetProcessDPIAware(); }

std::unique_ptr<ui::NativeWindow> Win32Backend::createWindow(ui::WindowEvents& events, ui::NativeWindow* parent,
                                                             const ui::WindowOptions& options) {
  return std::make_unique<Win32Window>(events, static_cast<Win32Window*>(parent), options);
}

std::unique_ptr<ui::NativeEdit> Win32Backend::createEdit(ui::EditEvents& events, ui::NativeWindow& parent,
                                                         const std::string&) {
  return std::make_unique<Win32Edit>(events, static_cast<Win32Window&>(parent));
}

ModalResult Win32Backend::showMessage(const Application::MessageRequest& request) { return showMessageBox(request); }

void Win32Backend::registerCursor(TCursor id, const CursorImage& image) { win32::registerCursor(id, image); }

void Win32Backend::raiseWindow(std::uint64_t nativeId, const std::string&) {
  HWND window = reinterpret_cast<HWND>(std::uintptr_t(nativeId));
  if (!IsWindow(window)) return;
  if (IsIconic(window)) ShowWindow(window, SW_RESTORE);
  SetForegroundWindow(window);
  BringWindowToTop(window);
}

Rect Win32Backend::primaryScreenArea() const {
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  if (!GetMonitorInfoW(MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &monitor)) return Rect{};
  return Rect{int(monitor.rcMonitor.left), int(monitor.rcMonitor.top), int(monitor.rcMonitor.right),
              int(monitor.rcMonitor.bottom)};
}

void Win32Backend::setMouseButtonsMirrored(bool mirrored) { setButtonsMirrored(mirrored); }

void Win32Backend::quit() { PostQuitMessage(0); }

}  // namespace tov::win32
