// The real program ended from outside the way no program can answer (TerminateProcess, which
// `taskkill /F` calls, alone or with every process it started, as Task Manager's "End task" and
// `taskkill /T` do), inside Wine's desktop with a shell, the one set-up with a taskbar: its
// guardian shows the taskbar again. guardian_under_wine.sh reads the display mode from X.
#include <windows.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/win32/wide_text.h"
#include "win32/win32_testing.h"

namespace tov {
namespace {

namespace fs = std::filesystem;

// The processes started by id, by those it started, and so on, by their parents' ids.
std::vector<DWORD> descendantsOf(DWORD root) {
  std::vector<PROCESSENTRY32W> all;
  const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return {};
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) all.push_back(entry);
  CloseHandle(snapshot);
  std::vector<DWORD> found{root};
  for (std::size_t i = 0; i < found.size(); ++i)
    for (const PROCESSENTRY32W& process : all)
      if (process.th32ParentProcessID == found[i] && process.th32ProcessID != root) found.push_back(process.th32ProcessID);
  found.erase(found.begin());
  return found;
}

// Where a test that ends early leaves the menu running, it is ended here.
class StartedMenu {
 public:
  explicit StartedMenu(const std::string& folder) {
    std::wstring line = L"\"" + win32::toWide(TOVALEER_PROGRAM) + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, win32::toWide(folder).c_str(),
                        &startup, &started))
      return;
    CloseHandle(started.hThread);
    process_ = started.hProcess;
  }
  ~StartedMenu() {
    if (!process_) return;
    terminate();
    CloseHandle(process_);
  }
  StartedMenu(const StartedMenu&) = delete;
  StartedMenu& operator=(const StartedMenu&) = delete;

  bool started() const { return process_ != nullptr; }
  bool terminate() { return TerminateProcess(process_, 1) && WaitForSingleObject(process_, 30000) == WAIT_OBJECT_0; }
  // Its descendants first, then itself.
  bool terminateTree() {
    for (DWORD id : descendantsOf(GetProcessId(process_))) {
      if (HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id)) {
        TerminateProcess(process, 1);
        WaitForSingleObject(process, 30000);
        CloseHandle(process);
      }
    }
    return terminate();
  }

 private:
  HANDLE process_ = nullptr;
};

TEST(Win32TaskbarInShell, IsShownAgainByTheGuardianWhenTheMenuIsTerminated) {
  HWND tray = nullptr;
  ASSERT_TRUE(test::serveUntil([&] { return (tray = FindWindowW(L"Shell_TrayWnd", nullptr)) && IsWindowVisible(tray); }))
      << "no visible taskbar: is this inside wine explorer /desktop=shell?";
  for (const bool wholeTree : {false, true}) {
    SCOPED_TRACE(wholeTree ? "the menu's process tree ended" : "the menu's process ended");
    test::ScratchFolder folder;
    fs::copy(fs::path(win32::toWide(TOVALEER_SUITE)), fs::path(win32::toWide(folder.path())),
             fs::copy_options::recursive);
    StartedMenu menu(folder.path());
    ASSERT_TRUE(menu.started());
    ASSERT_TRUE(test::serveUntil([&] { return !IsWindowVisible(tray); }, 60000)) << "the menu did not hide the taskbar";
    ASSERT_TRUE(wholeTree ? menu.terminateTree() : menu.terminate());
    const bool shown = test::serveUntil([&] { return IsWindowVisible(tray); }, 60000);
    // The next test finds the taskbar as this one did, whatever came of it.
    ShowWindow(tray, SW_SHOW);
    EXPECT_TRUE(shown) << "the taskbar stays hidden after the menu's end";
  }
}

}  // namespace
}  // namespace tov
