#include "platform/win32/win32_instance.h"

#include <algorithm>

#include "platform/win32/wide_text.h"

namespace tov::win32 {

namespace {

constexpr wchar_t kApplicationClass[] = L"TovaleerApplication";

bool registerApplicationClass() {
  static const bool registered = [] {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kApplicationClass;
    return RegisterClassExW(&windowClass) != 0;
  }();
  return registered;
}

}  // namespace

std::wstring instanceMutexName(const std::string& programPath) {
  const std::size_t separator = programPath.find_last_of("\\/");
  return toWide(separator == std::string::npos ? programPath : programPath.substr(separator + 1));
}

Win32InstanceLock::Win32InstanceLock(const std::string& programPath) {
  const std::wstring name = instanceMutexName(programPath);
  mutex_ = CreateMutexW(nullptr, FALSE, name.c_str());
  alreadyRunning_ = mutex_ && GetLastError() == ERROR_ALREADY_EXISTS;
}

Win32InstanceLock::~Win32InstanceLock() {
  if (mutex_) CloseHandle(mutex_);
}

void Win32InstanceLock::haltProcess(int exitCode) {
  TerminateProcess(GetCurrentProcess(), UINT(exitCode));
  // TerminateProcess does not return for the calling process.
  ExitProcess(UINT(exitCode));
}

Win32WindowActivator::~Win32WindowActivator() {
  for (HWND window : applicationWindows_) DestroyWindow(window);
}

bool Win32WindowActivator::ownWindow(HWND window) const {
  return std::find(applicationWindows_.begin(), applicationWindows_.end(), window) != applicationWindows_.end();
}

void Win32WindowActivator::markMainWindow(WindowHandle window, const std::string& applicationTitle) {
  if (!registerApplicationClass()) return;
  const std::wstring title = toWide(applicationTitle);
  // WS_POPUP without WS_VISIBLE: never shown, never on the taskbar, still found by FindWindowW.
  HWND application = CreateWindowExW(WS_EX_TOOLWINDOW, kApplicationClass, title.c_str(), WS_POPUP, 0, 0, 0, 0,
                                     nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  if (!application) return;
  SetWindowLongPtrW(application, GWLP_USERDATA, LONG_PTR(window));
  applicationWindows_.push_back(application);
}

bool Win32WindowActivator::activate(const std::string& applicationTitle) {
  const std::wstring title = toWide(applicationTitle);
  HWND application = nullptr;
  do {
    application = FindWindowExW(nullptr, application, kApplicationClass, title.c_str());
  } while (application && ownWindow(application));
  if (!application) return false;
  HWND main = reinterpret_cast<HWND>(GetWindowLongPtrW(application, GWLP_USERDATA));
  if (!main || !IsWindow(main)) return false;
  if (IsIconic(main)) ShowWindow(main, SW_RESTORE);
  SetForegroundWindow(main);
  BringWindowToTop(main);
  return true;
}

}  // namespace tov::win32
