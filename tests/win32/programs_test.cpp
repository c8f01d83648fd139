// Programs: one started through the shell, with the arguments and exit code it is given, and
// a second copy of a program that finds the first by its mutex and its window.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "platform/event_loop.h"
#include "platform/win32/folders.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/win32_instance.h"
#include "platform/win32/win32_process_starter.h"
#include "win32/win32_testing.h"

namespace tov {
namespace {

std::vector<std::string> lines(const std::vector<unsigned char>& bytes) {
  std::vector<std::string> result;
  std::istringstream in(std::string(bytes.begin(), bytes.end()));
  for (std::string line; std::getline(in, line);) result.push_back(line);
  return result;
}

TEST(Win32ProcessStarter, AStartedProgramGetsItsArgumentsAndItsEndIsSeenWithoutBlocking) {
  struct Case {
    const char* name;
    std::string parameters;
    std::vector<std::string> arguments;
    int exitCode;
  };
  const Case cases[] = {
      {"a pupil's name and a folder with spaces", "\"*ZOË BO#\" \"*C:\\My Suite\\#\" plain", {"*ZOË BO#", "*C:\\My Suite\\#", "plain"}, 7},
      // The number that GetExitCodeProcess also gives for a process that still runs.
      {"an end with STILL_ACTIVE's number", "", {}, 259},
  };
  const test::ScratchFolder scratch;
  int started = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string log = scratch.path() + "ZOË " + std::to_string(++started) + ".txt";
    const std::wstring goName = L"tov-probe-go-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(started);
    HANDLE go = CreateEventW(nullptr, TRUE, FALSE, goName.c_str());
    ASSERT_NE(go, nullptr);

    win32::Win32ProcessStarter starter;
    StartRequest request;
    request.file = win32::toUtf8(test::thisProgram());
    request.parameters = std::string(test::kArgumentsProbe) + " \"" + log + "\" " + win32::toUtf8(goName) + " " +
                         std::to_string(c.exitCode) + " " + c.parameters;
    request.directory = scratch.path();
    const StartResult result = starter.start(request);
    ASSERT_EQ(result.instanceResult, kStartSucceeded);
    ASSERT_NE(result.process, 0u);

    ASSERT_TRUE(test::serveUntil([&] { return std::filesystem::exists(win32::toWide(log)); }));
    EXPECT_EQ(starter.poll(result.process).state, ProcessStatus::Running);
    EXPECT_EQ(lines(test::readBytes(log)), c.arguments);

    SetEvent(go);
    ProcessStatus status;
    ASSERT_TRUE(test::serveUntil([&] { return (status = starter.poll(result.process)).state != ProcessStatus::Running; }));
    EXPECT_EQ(status.state, ProcessStatus::Ended);
    EXPECT_EQ(status.exitCode, c.exitCode);
    EXPECT_EQ(starter.poll(result.process).exitCode, c.exitCode);
    starter.release(result.process);
    EXPECT_EQ(starter.poll(result.process).state, ProcessStatus::Unknown);
    CloseHandle(go);
  }
}

// The shell's own number (Wine gives "file not found" for a missing folder on the way too,
// and starts a program whose working folder is missing: the shell's answers are kept).
TEST(Win32ProcessStarter, AMissingProgramIsTheShellsFileNotFoundWithNoProcess) {
  const test::ScratchFolder scratch;
  win32::Win32ProcessStarter starter;
  StartRequest request;
  request.file = scratch.path() + "missing.exe";
  const StartResult result = starter.start(request);
  EXPECT_EQ(result.instanceResult, StartFailure::FileNotFound);
  EXPECT_EQ(result.process, 0u);
}

// The program folder is the working folder, in UTF-8, closed by exactly one separator.
TEST(Win32Folders, TheCurrentFolderIsTheProgramFolderEndingInOneSeparator) {
  const test::ScratchFolder scratch;
  const std::string suite = scratch.path() + "Tovaleer ZOË";
  ASSERT_TRUE(std::filesystem::create_directory(win32::toWide(suite)));
  const std::wstring before = win32::toWide(win32::currentFolder());
  const struct {
    std::string folder, programFolder;
  } cases[] = {{suite, suite + "\\"}, {suite + "\\", suite + "\\"}, {"C:\\", "C:\\"}};
  for (const auto& c : cases) {
    ASSERT_TRUE(SetCurrentDirectoryW(win32::toWide(c.folder).c_str())) << c.folder;
    EXPECT_EQ(win32::currentFolder(), c.programFolder);
  }
  SetCurrentDirectoryW(before.c_str());
}

// A top-level window of the first copy, minimised, as a pupil may leave the menu.
HWND minimisedMainWindow() {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = DefWindowProcW;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = L"TovaleerTestMainWindow";
  RegisterClassExW(&windowClass);
  HWND window = CreateWindowExW(0, windowClass.lpszClassName, L"Form1", WS_OVERLAPPEDWINDOW, 0, 0, 200, 150, nullptr,
                                nullptr, windowClass.hInstance, nullptr);
  ShowWindow(window, SW_SHOWMINIMIZED);
  return window;
}

TEST(Win32Instance, ASecondCopyFindsTheMutexAndBringsTheFirstCopysWindowBack) {
  const std::string program = "C:\\Suite\\tovaleer-test-" + std::to_string(GetCurrentProcessId()) + ".exe";
  const std::string title = "Tovaleer Gr 45 ZOË " + std::to_string(GetCurrentProcessId());
  win32::Win32InstanceLock lock(program);
  ASSERT_FALSE(lock.alreadyRunning());
  HWND main = minimisedMainWindow();
  ASSERT_TRUE(IsIconic(main));
  win32::Win32WindowActivator activator;
  activator.markMainWindow(reinterpret_cast<WindowHandle>(main), title);
  EXPECT_FALSE(activator.activate(title)) << "found its own mark";

  // The second copy's program file lies in another folder: only the file name counts.
  const std::wstring arguments = win32::toWide(std::string(test::kSecondCopyProbe) + " \"D:\\elsewhere\\tovaleer-test-" +
                                               std::to_string(GetCurrentProcessId()) + ".exe\" \"" + title + "\"");
  HANDLE secondCopy = test::startThisProgram(arguments);
  ASSERT_NE(secondCopy, nullptr);
  // The first copy serves its messages meanwhile: the restore is asked of its thread.
  LoopWatch ended(NativeHandle(secondCopy), WatchFor::Readable, [] {});
  ASSERT_TRUE(test::serveUntil([&] { return WaitForSingleObject(secondCopy, 0) == WAIT_OBJECT_0; }));
  DWORD exitCode = 0;
  GetExitCodeProcess(secondCopy, &exitCode);
  EXPECT_EQ(exitCode, 2u);
  EXPECT_FALSE(IsIconic(main));
  CloseHandle(secondCopy);
  DestroyWindow(main);
}

}  // namespace
}  // namespace tov
