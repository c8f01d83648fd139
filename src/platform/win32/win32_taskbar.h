#pragma once
// The taskbar: the shell's "Shell_TrayWnd", and on a desktop of several monitors the
// "Shell_SecondaryTrayWnd" of each other monitor, hidden with ShowWindow(SW_HIDE) and shown
// with SW_SHOW.

#include <windows.h>

#include <vector>

#include "platform/taskbar.h"

namespace tov::guardian {
class IUndoRecorder;
}

namespace tov::win32 {

class Win32Taskbar : public ITaskbar {
 public:
  // guardian (may be null) is told before taskbars are hidden, and once they are shown.
  explicit Win32Taskbar(guardian::IUndoRecorder* guardian = nullptr) : guardian_(guardian) {}
  // Gives back what is still hidden: the desktop returns however the program ends.
  ~Win32Taskbar() override;
  Win32Taskbar(const Win32Taskbar&) = delete;
  Win32Taskbar& operator=(const Win32Taskbar&) = delete;

  // The primary monitor's taskbar, 0 when the shell has none.
  TaskbarHandle find() override;
  // Hides taskbar and every secondary taskbar that is visible now, remembering those.
  void hide(TaskbarHandle taskbar) override;
  // Shows taskbar and the secondary taskbars that hide() hid.
  void show(TaskbarHandle taskbar) override;

 private:
  guardian::IUndoRecorder* guardian_;
  HWND hiddenPrimary_ = nullptr;
  std::vector<HWND> hiddenSecondaries_;
};

}  // namespace tov::win32
