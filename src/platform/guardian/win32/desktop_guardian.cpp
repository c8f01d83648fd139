#include "platform/guardian/win32/desktop_guardian.h"

#include "platform/errors.h"
#include "platform/win32/folders.h"
#include "platform/win32/wide_text.h"

#include <windows.h>

#include <cstdio>
#include <vector>

namespace tov::guardian {

namespace {

// The records of a whole run fit many times over: a write never waits for the guardian.
constexpr DWORD kPipeBytes = 64 * 1024;
constexpr DWORD kEndTimeoutMs = 2000;

// The guardian works from the system folder, so that it holds no program folder (a
// removable disk, say) busy.
std::wstring systemFolder() {
  wchar_t folder[MAX_PATH];
  const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
  return length > 0 && length < MAX_PATH ? std::wstring(folder, length) : std::wstring();
}

std::string systemReason(DWORD error) { return " (system error " + std::to_string(error) + ")"; }

HANDLE inheritableCopy(HANDLE handle, DWORD access, DWORD options) {
  HANDLE copy = nullptr;
  const HANDLE self = GetCurrentProcess();
  if (!DuplicateHandle(self, handle, self, &copy, access, TRUE, options)) return nullptr;
  return copy;
}

// The handles the guardian is to inherit, and only those, closed here once it has them.
class InheritedHandles {
 public:
  ~InheritedHandles() {
    for (HANDLE handle : handles_) CloseHandle(handle);
  }
  HANDLE add(HANDLE handle) {
    if (handle) handles_.push_back(handle);
    return handle;
  }
  std::vector<HANDLE>& all() { return handles_; }

 private:
  std::vector<HANDLE> handles_;
};

// STARTUPINFOEXW's attribute list naming the handles to inherit.
class HandleList {
 public:
  explicit HandleList(std::vector<HANDLE>& handles) {
    SIZE_T size = 0;
    InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
    storage_.resize(size);
    auto* list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(storage_.data());
    if (!InitializeProcThreadAttributeList(list, 1, 0, &size)) return;
    list_ = list;
    if (!UpdateProcThreadAttribute(list_, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, handles.data(),
                                   handles.size() * sizeof(HANDLE), nullptr, nullptr))
      release();
  }
  ~HandleList() { release(); }
  HandleList(const HandleList&) = delete;
  HandleList& operator=(const HandleList&) = delete;
  LPPROC_THREAD_ATTRIBUTE_LIST get() const { return list_; }

 private:
  void release() {
    if (list_) DeleteProcThreadAttributeList(list_);
    list_ = nullptr;
  }
  std::vector<char> storage_;
  LPPROC_THREAD_ATTRIBUTE_LIST list_ = nullptr;
};

// The guardian proper, whose process id is the exit code of the process that started it.
HANDLE detachedGuardian(HANDLE starter) {
  DWORD id = 0;
  if (WaitForSingleObject(starter, kEndTimeoutMs) != WAIT_OBJECT_0 || !GetExitCodeProcess(starter, &id) || id == 0)
    return nullptr;
  return OpenProcess(SYNCHRONIZE, FALSE, id);
}

}  // namespace

DesktopGuardian::DesktopGuardian(std::wstring guardianPath) : guardianPath_(std::move(guardianPath)) {}

DesktopGuardian::~DesktopGuardian() {
  if (!channel_) return;
  send(formatRecord(CleanEnd{}));
  CloseHandle(channel_);
  // Once it has given back what the menu could not, it ends by itself.
  if (const HANDLE guardian = detachedGuardian(process_)) {
    WaitForSingleObject(guardian, kEndTimeoutMs);
    CloseHandle(guardian);
  }
  CloseHandle(process_);
}

std::wstring DesktopGuardian::besideThisProgram() {
  std::wstring path = win32::thisProgramFile();
  path.erase(path.find_last_of(L"\\/") + 1);
  return path + L"tovaleer-guardian.exe";
}

void DesktopGuardian::launch() {
  if (!givenUp_ && !channel_) spawn();
}

void DesktopGuardian::record(const UndoRecord& undo) {
  if (givenUp_ || (!channel_ && !spawn())) return;
  if (!send(formatRecord(undo))) giveUp(errorText(ErrorCode::GuardianGone));
}

bool DesktopGuardian::spawn() {
  SECURITY_ATTRIBUTES notInherited{sizeof notInherited, nullptr, FALSE};
  HANDLE readEnd = nullptr, writeEnd = nullptr;
  if (!CreatePipe(&readEnd, &writeEnd, &notInherited, kPipeBytes)) {
    giveUp(formatError(ErrorCode::GuardianCannotStart, win32::toUtf8(guardianPath_) + systemReason(GetLastError())));
    return false;
  }
  InheritedHandles inherited;
  const HANDLE records = inherited.add(inheritableCopy(readEnd, 0, DUPLICATE_SAME_ACCESS | DUPLICATE_CLOSE_SOURCE));
  const HANDLE menu = inherited.add(inheritableCopy(GetCurrentProcess(), SYNCHRONIZE, 0));
  // What it has to say goes where the menu's own errors go, where there is such a place.
  const HANDLE menuErrors = GetStdHandle(STD_ERROR_HANDLE);
  const HANDLE errors = menuErrors && menuErrors != INVALID_HANDLE_VALUE
                            ? inherited.add(inheritableCopy(menuErrors, 0, DUPLICATE_SAME_ACCESS))
                            : nullptr;
  DWORD error = records && menu ? ERROR_SUCCESS : GetLastError();
  PROCESS_INFORMATION started{};
  if (error == ERROR_SUCCESS) {
    HandleList handleList(inherited.all());
    STARTUPINFOEXW startup{};
    startup.StartupInfo.cb = sizeof startup;
    startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
    startup.StartupInfo.hStdInput = records;
    startup.StartupInfo.hStdOutput = errors;
    startup.StartupInfo.hStdError = errors;
    startup.lpAttributeList = handleList.get();
    std::wstring commandLine =
        L"\"" + guardianPath_ + L"\" detach " + std::to_wstring(reinterpret_cast<ULONG_PTR>(menu));
    const std::wstring folder = systemFolder();
    const DWORD flags = CREATE_NO_WINDOW | (handleList.get() ? EXTENDED_STARTUPINFO_PRESENT : 0);
    if (!CreateProcessW(guardianPath_.c_str(), commandLine.data(), nullptr, nullptr, TRUE, flags, nullptr,
                        folder.empty() ? nullptr : folder.c_str(), &startup.StartupInfo, &started))
      error = GetLastError();
  }
  if (error != ERROR_SUCCESS) {
    CloseHandle(writeEnd);
    giveUp(formatError(ErrorCode::GuardianCannotStart, win32::toUtf8(guardianPath_) + systemReason(error)));
    return false;
  }
  CloseHandle(started.hThread);
  process_ = started.hProcess;
  channel_ = writeEnd;
  return true;
}

bool DesktopGuardian::send(const std::string& bytes) {
  std::string_view rest = bytes;
  while (!rest.empty()) {
    DWORD written = 0;
    if (!WriteFile(channel_, rest.data(), DWORD(rest.size()), &written, nullptr) || written == 0) return false;
    rest.remove_prefix(written);
  }
  return true;
}

// A guardian that still runs sees the pipe break and ends by itself.
void DesktopGuardian::giveUp(const std::string& message) {
  givenUp_ = true;
  std::fprintf(stderr, "tovaleer: %s\n", message.c_str());
  if (channel_) CloseHandle(channel_);
  if (process_) CloseHandle(process_);
  channel_ = process_ = nullptr;
}

}  // namespace tov::guardian
