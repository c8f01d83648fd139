// The Win32 backends' tests, on the Win32 event loop of the main thread. The same program
// serves as its own probe when a test starts it again. TOVALEER_RESULT_FILE, when set, gets
// the result: a program started by `wine explorer /desktop=...` has no exit code of its own
// for whoever started explorer.
#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "ui/win32/win32_event_loop.h"
#include "win32/win32_testing.h"

namespace {

// A crash ends the run at once with its address, instead of in Wine's debugger, which would
// hold the test until CTest's time limit.
LONG WINAPI reportCrash(EXCEPTION_POINTERS* crash) {
  std::fprintf(stderr, "crashed: exception 0x%08lx at %p\n", crash->ExceptionRecord->ExceptionCode,
               crash->ExceptionRecord->ExceptionAddress);
  std::fflush(stderr);
  TerminateProcess(GetCurrentProcess(), 3);
  return EXCEPTION_EXECUTE_HANDLER;
}

int runTests() {
  tov::win32::InstalledWin32EventLoop loop;
  int gtestArgc = __argc;
  ::testing::InitGoogleTest(&gtestArgc, __argv);
  return RUN_ALL_TESTS();
}

}  // namespace

int main() {
  SetUnhandledExceptionFilter(&reportCrash);
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (const int probe = tov::test::runProbe(argc, argv); probe >= 0) return probe;
  LocalFree(argv);
  const int result = runTests();
  if (const char* resultFile = std::getenv("TOVALEER_RESULT_FILE")) {
    if (std::FILE* out = std::fopen(resultFile, "w")) {
      std::fprintf(out, "%d\n", result);
      std::fclose(out);
    }
  }
  return result;
}
