// tovaleer-guardian.exe: gives the desktop back when the menu ends without doing it itself.
// A program of the GUI subsystem, so that no console opens with it. The menu starts it as
// `tovaleer-guardian.exe detach HANDLE`, with the pipe of records as standard input and HANDLE
// the number of an inherited handle of the menu's own process: this first process starts the
// guardian proper (`tovaleer-guardian.exe HANDLE`, the same handles inherited) and ends at once,
// its exit code the guardian's process id. The guardian's parent is then a process that has
// ended, so ending the menu's process tree (Task Manager's "End task", `taskkill /T`) leaves
// the guardian to give the desktop back.
#include "platform/guardian/win32/guardian.h"

#include <windows.h>

#include <cwchar>
#include <string>

namespace {

// The handle's number as the menu wrote it: decimal, digits only.
HANDLE handleArgument(const wchar_t* text) {
  if (!text || !*text) return nullptr;
  wchar_t* end = nullptr;
  const unsigned long long value = std::wcstoull(text, &end, 10);
  if (*end != L'\0' || text[0] == L'-' || text[0] == L'+') return nullptr;
  return reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(value));
}

// Its own copy of platform/win32's: the guardian links nothing of the platform's services.
std::wstring thisProgram() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), DWORD(path.size()));
    if (length == 0) return {};
    if (length < path.size()) return path.substr(0, length);
    path.resize(path.size() * 2);
  }
}

// The guardian proper's process id, or 0 when it could not be started.
DWORD startDetached(const wchar_t* handleText) {
  const std::wstring program = thisProgram();
  std::wstring commandLine = L"\"" + program + L"\" " + handleText;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION started{};
  // Only the handles the menu gave this process are inheritable in it.
  if (program.empty() || !CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                                         nullptr, nullptr, &startup, &started))
    return 0;
  CloseHandle(started.hThread);
  CloseHandle(started.hProcess);
  return started.dwProcessId;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR arguments, int) {
  constexpr std::wstring_view kDetach = L"detach ";
  const std::wstring_view given = arguments ? arguments : L"";
  if (given.starts_with(kDetach)) return int(startDetached(arguments + kDetach.size()));
  return tov::guardian::runGuardian(GetStdHandle(STD_INPUT_HANDLE), handleArgument(arguments));
}
