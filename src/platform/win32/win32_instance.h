#pragma once
// One running copy on Windows: a named mutex after the program's file name, which the system
// closes when the process ends, however it ends; and the first copy's main window found by
// the application title and brought forward.

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/instance.h"

namespace tov::win32 {

// The mutex's name for programPath (the first command-line element): only its file name
// counts, so a copy in another folder is the same program and one under another name is
// not. Either separator ends a folder.
std::wstring instanceMutexName(const std::string& programPath);

class Win32InstanceLock : public IInstanceLock {
 public:
  // Creates the mutex, or opens the first copy's (ERROR_ALREADY_EXISTS). A mutex that cannot
  // be made at all leaves this copy the first.
  explicit Win32InstanceLock(const std::string& programPath);
  ~Win32InstanceLock() override;
  Win32InstanceLock(const Win32InstanceLock&) = delete;
  Win32InstanceLock& operator=(const Win32InstanceLock&) = delete;

  bool alreadyRunning() override { return alreadyRunning_; }
  // TerminateProcess on this process: no destructor, no exit handler, no DLL's detach code.
  [[noreturn]] void haltProcess(int exitCode) override;

 private:
  HANDLE mutex_ = nullptr;
  bool alreadyRunning_ = false;
};

// The application window: a hidden top-level window of the class "TovaleerApplication" whose
// text is the application title, as the first copy's mark; FindWindowW finds it by that
// text, and it names the main window (its GWLP_USERDATA, which other processes may read).
// The main window's own text stays the form's caption.
class Win32WindowActivator : public IWindowActivator {
 public:
  Win32WindowActivator() = default;
  ~Win32WindowActivator() override;
  Win32WindowActivator(const Win32WindowActivator&) = delete;
  Win32WindowActivator& operator=(const Win32WindowActivator&) = delete;

  void markMainWindow(WindowHandle window, const std::string& applicationTitle) override;
  // Restores the main window when it is minimised, then makes it the foreground window and
  // brings it to the top. A process may hand the foreground on while it has it, which a
  // copy just started by the user does.
  bool activate(const std::string& applicationTitle) override;

 private:
  bool ownWindow(HWND window) const;

  std::vector<HWND> applicationWindows_;
};

}  // namespace tov::win32
