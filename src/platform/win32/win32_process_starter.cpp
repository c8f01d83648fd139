#include "platform/win32/win32_process_starter.h"

#include <objbase.h>
#include <shellapi.h>

#include <algorithm>

#include "platform/errors.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/com_for_this_thread.h"

namespace tov::win32 {

namespace {

const wchar_t* verbOf(ShellVerb verb) {
  switch (verb) {
    case ShellVerb::Print: return L"print";
    case ShellVerb::Explore: return L"explore";
    case ShellVerb::Open: break;
  }
  return L"open";
}

// Names are written with "/" in the program's logic; the shell takes "\" everywhere, while
// some of its ways of opening a file do not take "/".
std::wstring windowsPathOf(const std::string& path) {
  std::wstring wide = toWide(path);
  std::replace(wide.begin(), wide.end(), L'/', L'\\');
  return wide;
}

bool isShellFailure(INT_PTR result) { return result >= 0 && result <= 32; }

}  // namespace

int instanceResultOfFailure(INT_PTR shellResult, DWORD systemError) {
  if (isShellFailure(shellResult) && shellResult != 0) return int(shellResult);
  switch (systemError) {
    case ERROR_FILE_NOT_FOUND: return StartFailure::FileNotFound;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_DIRECTORY:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH: return StartFailure::PathNotFound;
    case ERROR_ACCESS_DENIED: return StartFailure::AccessDenied;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
    case ERROR_TOO_MANY_OPEN_FILES: return StartFailure::OutOfMemory;
    case ERROR_SHARING_VIOLATION: return StartFailure::SharingViolation;
    case ERROR_DLL_NOT_FOUND: return 32;  // the shell's "library not found"
    case ERROR_NO_ASSOCIATION:
    case ERROR_BAD_EXE_FORMAT:
    case ERROR_EXE_MACHINE_TYPE_MISMATCH: return StartFailure::NoAssociation;
    default: return StartFailure::AccessDenied;  // whatever else the system refuses
  }
}

Win32ProcessStarter::~Win32ProcessStarter() {
  for (auto& [handle, child] : children_) {
    stopWatching(child);
    if (child.process) CloseHandle(child.process);
  }
}

void Win32ProcessStarter::watchEnd(ProcessHandle handle, Child& child) {
  if (!hasEventLoop()) return;
  try {
    child.watch = eventLoop().addWatch(NativeHandle(child.process), WatchFor::Readable, [this, handle] {
      const auto found = children_.find(handle);
      if (found != children_.end()) takeEndIfEnded(found->second);
    });
  } catch (const Exception&) {
    // No wait could be registered: polls still find the end.
  }
}

void Win32ProcessStarter::stopWatching(Child& child) {
  // A watch outlives no loop: the loop's end stops every watch it has.
  if (child.watch != 0 && hasEventLoop()) eventLoop().removeWatch(child.watch);
  child.watch = 0;
}

StartResult Win32ProcessStarter::start(const StartRequest& request) {
  const std::wstring file = windowsPathOf(request.file);
  const std::wstring parameters = toWide(request.parameters);
  const std::wstring directory = windowsPathOf(request.directory);

  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
  info.lpVerb = verbOf(request.verb);
  info.lpFile = file.c_str();
  info.lpParameters = parameters.c_str();
  info.lpDirectory = directory.empty() ? nullptr : directory.c_str();
  info.nShow = request.showCommand;

  ComForThisThread com;
  const BOOL started = ShellExecuteExW(&info);
  const DWORD error = started ? ERROR_SUCCESS : GetLastError();
  const auto shellResult = reinterpret_cast<INT_PTR>(info.hInstApp);
  if (!started || isShellFailure(shellResult)) {
    if (info.hProcess) CloseHandle(info.hProcess);
    return StartResult{instanceResultOfFailure(shellResult, error), 0};
  }
  // A document handed to a program that already ran started no process of ours.
  if (!info.hProcess) return StartResult{kStartSucceeded, 0};
  // Handles are not reused while this object lives (4 billion starts).
  const ProcessHandle handle = ++lastHandle_;
  Child& child = children_[handle] = Child{info.hProcess, ProcessStatus{ProcessStatus::Running, 0}};
  watchEnd(handle, child);
  return StartResult{kStartSucceeded, handle};
}

void Win32ProcessStarter::takeEndIfEnded(Child& child) {
  if (!child.process) return;
  // The end first, then its code: read the other way round, a process ending between the two
  // would seem to have ended with STILL_ACTIVE's number, which a running one reads as.
  const DWORD waited = WaitForSingleObject(child.process, 0);
  if (waited == WAIT_TIMEOUT) return;
  DWORD exitCode = 0;
  if (waited != WAIT_OBJECT_0 || !GetExitCodeProcess(child.process, &exitCode)) {
    child.status = ProcessStatus{ProcessStatus::Unknown, 0};
  } else {
    child.status = ProcessStatus{ProcessStatus::Ended, int(exitCode)};
  }
  // The watch goes before its handle.
  stopWatching(child);
  CloseHandle(child.process);
  child.process = nullptr;
}

ProcessStatus Win32ProcessStarter::poll(ProcessHandle process) {
  const auto found = children_.find(process);
  if (found == children_.end()) return ProcessStatus{ProcessStatus::Unknown, 0};
  takeEndIfEnded(found->second);
  return found->second.status;
}

ProcessStatus Win32ProcessStarter::wait(ProcessHandle process) {
  const auto found = children_.find(process);
  if (found == children_.end()) return ProcessStatus{ProcessStatus::Unknown, 0};
  if (found->second.process) WaitForSingleObject(found->second.process, INFINITE);
  takeEndIfEnded(found->second);
  return found->second.status;
}

void Win32ProcessStarter::release(ProcessHandle process) {
  const auto found = children_.find(process);
  if (found == children_.end()) return;
  // The system frees what it keeps of an ended process once its last handle is closed.
  stopWatching(found->second);
  if (found->second.process) CloseHandle(found->second.process);
  children_.erase(found);
}

std::string Win32ProcessStarter::failureMessage(int instanceResult, const std::string& file) {
  return startFailureMessage(instanceResult, file);
}

std::string Win32ProcessStarter::pathAsSeenBy(const std::string&, const std::string& path) { return path; }

}  // namespace tov::win32
