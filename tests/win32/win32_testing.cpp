#include "win32/win32_testing.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string_view>

#include "platform/event_loop.h"
#include "platform/win32/folders.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/win32_instance.h"

namespace tov::test {

namespace fs = std::filesystem;

std::wstring thisProgram() { return win32::thisProgramFile(); }

ScratchFolder::ScratchFolder() {
  static int made = 0;
  const fs::path folder = fs::temp_directory_path() /
                          (L"tov-win32-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++made));
  fs::create_directories(folder);
  path_ = win32::toUtf8(folder.wstring()) + "\\";
}

ScratchFolder::~ScratchFolder() {
  std::error_code ignored;
  fs::remove_all(win32::toWide(path_), ignored);
}

std::vector<unsigned char> readBytes(const std::string& utf8Path) {
  std::ifstream in(fs::path(win32::toWide(utf8Path)), std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool serveUntil(const std::function<bool()>& condition, unsigned limitMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
  bool timedOut = false;
  LoopTimer look([&] { timedOut = std::chrono::steady_clock::now() >= deadline; });
  look.start(20);
  serveEventsUntil([&] { return condition() || timedOut; });
  return condition();
}

HANDLE startThisProgram(const std::wstring& arguments) {
  std::wstring line = L"\"" + thisProgram() + L"\" " + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started{};
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started))
    return nullptr;
  CloseHandle(started.hThread);
  return started.hProcess;
}

namespace {

// Writes the arguments after its own, one a line in UTF-8, then waits for the test's word to
// end (so that the test sees it running first) and ends with the code it was given. The file
// appears whole, under its name only once written: no arguments make an empty one.
int argumentsProbe(int argc, wchar_t** argv) {
  if (argc < 5) return 100;
  const fs::path file(argv[2]);
  fs::path written = file;
  written += L".part";
  std::ofstream out(written, std::ios::binary);
  for (int i = 5; i < argc; ++i) out << win32::toUtf8(argv[i]) << "\n";
  out.close();
  if (!MoveFileExW(written.c_str(), file.c_str(), MOVEFILE_REPLACE_EXISTING)) return 101;
  HANDLE go = OpenEventW(SYNCHRONIZE, FALSE, argv[3]);
  if (go) {
    WaitForSingleObject(go, 60000);
    CloseHandle(go);
  }
  return _wtoi(argv[4]);
}

// 0: the first copy; 1: a second copy that found no first one's window; 2: one that did
// and brought it forward.
int secondCopyProbe(int argc, wchar_t** argv) {
  if (argc < 4) return 100;
  win32::Win32InstanceLock lock(win32::toUtf8(argv[2]));
  if (!lock.alreadyRunning()) return 0;
  return win32::Win32WindowActivator().activate(win32::toUtf8(argv[3])) ? 2 : 1;
}

}  // namespace

int runProbe(int argc, wchar_t** argv) {
  if (argc < 2) return -1;
  const std::string probe = win32::toUtf8(argv[1]);
  if (probe == kArgumentsProbe) return argumentsProbe(argc, argv);
  if (probe == kSecondCopyProbe) return secondCopyProbe(argc, argv);
  return -1;
}

}  // namespace tov::test
