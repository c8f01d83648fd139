// tovaleer-guardian.exe: gives the desktop back when the menu ends without doing it itself.
// A program of the GUI subsystem, so that no console opens with it. The menu starts it with
// the pipe of records as standard input and the number of an inherited handle of its own
// process as the one argument.
#include "platform/guardian/win32/guardian.h"

#include <windows.h>

#include <cwchar>

namespace {

// The handle's number as the menu wrote it: decimal, digits only.
HANDLE handleArgument(const wchar_t* text) {
  if (!text || !*text) return nullptr;
  wchar_t* end = nullptr;
  const unsigned long long value = std::wcstoull(text, &end, 10);
  if (*end != L'\0' || text[0] == L'-' || text[0] == L'+') return nullptr;
  return reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(value));
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR arguments, int) {
  return tov::guardian::runGuardian(GetStdHandle(STD_INPUT_HANDLE), handleArgument(arguments));
}
