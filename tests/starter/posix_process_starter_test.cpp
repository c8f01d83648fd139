// The Linux program starter against real child processes: what a child receives, the failure
// numbers, the desktop helpers, exit codes, and that every ended child is reaped.

#include "platform/posix/posix_process_starter.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <sstream>
#include <ostream>
#include <string>
#include <vector>

#include "starter/starter_testing.h"

namespace tov::posix {
namespace {

using test::recordedArguments;
using test::recordedFolder;

class PosixProcessStarterTest : public ::testing::Test {
 protected:
  PosixProcessStarterTest()
      : opener(scratch.recorder("opener")),
        printer(scratch.recorder("printer")),
        starter(std::make_unique<PosixProcessStarter>(HelperPrograms{opener, printer})) {}

  ~PosixProcessStarterTest() override {
    starter.reset();
    EXPECT_EQ(test::zombieChildren(), std::vector<std::string>{});
  }

  StartResult open(const std::string& file, const std::string& parameters = {},
                   const std::string& directory = {}) {
    return starter->start(StartRequest{ShellVerb::Open, file, parameters, directory, 5});
  }

  // Starts, waits for the end and releases; the exit code.
  int run(const StartRequest& request) {
    const StartResult result = starter->start(request);
    EXPECT_EQ(result.instanceResult, kStartSucceeded);
    const ProcessStatus status = starter->wait(result.process);
    EXPECT_EQ(status.state, ProcessStatus::Ended);
    starter->release(result.process);
    return status.exitCode;
  }

  test::ScratchFolder scratch;
  std::string opener;
  std::string printer;
  std::unique_ptr<PosixProcessStarter> starter;
};

TEST_F(PosixProcessStarterTest, ChildGetsTheSplitArgumentsAsPlainText) {
  const std::string child = scratch.recorder("child");
  const std::string line =
      "\"*" + scratch.path() + "/#\" \"*$(reboot)#\" \"*; rm -rf /#\" \"*`touch pwned`#\" "
      "\"*ÊRENS ËN Ô#\" \"*#\" \"*" + std::string(200, 'N') + "#\" \"**.exe#\"";
  EXPECT_EQ(run(StartRequest{ShellVerb::Open, child, line, {}, 5}), 0);
  EXPECT_EQ(recordedArguments(child),
            (std::vector<std::string>{"*" + scratch.path() + "/#", "*$(reboot)#", "*; rm -rf /#",
                                      "*`touch pwned`#", "*ÊRENS ËN Ô#", "*#",
                                      "*" + std::string(200, 'N') + "#", "**.exe#"}));
  EXPECT_FALSE(test::exists(scratch / "pwned"));
}

TEST_F(PosixProcessStarterTest, ChildRunsInTheWorkingFolderOrInOurs) {
  const std::string child = scratch.recorder("child");
  const std::string work = scratch.folder("work place");
  run(StartRequest{ShellVerb::Open, child, "", work, 5});
  EXPECT_EQ(recordedFolder(child), work);

  // A relative program name is found from our folder, not from the child's.
  const std::string here = std::filesystem::current_path().string();
  std::filesystem::current_path(scratch.path());
  const int code = run(StartRequest{ShellVerb::Open, "./child", "", "work place", 5});
  std::filesystem::current_path(here);
  EXPECT_EQ(code, 0);
  EXPECT_EQ(recordedFolder(child), work);

  run(StartRequest{ShellVerb::Open, child, "", "", 5});
  EXPECT_EQ(recordedFolder(child), here);
}

TEST_F(PosixProcessStarterTest, BareNameIsFoundInPath) {
  EXPECT_EQ(run(StartRequest{ShellVerb::Open, "sh", "-c \"exit 7\"", {}, 5}), 7);
}

TEST_F(PosixProcessStarterTest, ExitCodesAndSignalsAreKept) {
  struct Case {
    const char* body;
    int code;
  };
  for (const Case& c : {Case{"exit 0", 0}, Case{"exit 3", 3}, Case{"exit 255", 255},
                        Case{"kill -TERM $$", 128 + SIGTERM}, Case{"kill -KILL $$", 128 + SIGKILL}}) {
    const std::string child = scratch.script("child", c.body);
    EXPECT_EQ(run(StartRequest{ShellVerb::Open, child, "", "", 5}), c.code) << c.body;
  }
}

TEST_F(PosixProcessStarterTest, PollNeverBlocksAndKeepsTheCode) {
  // The child waits until its go file exists, so the test decides when it ends.
  const std::string child = scratch.script("child", "while [ ! -e \"$RECORD.go\" ]; do sleep 0.02; done; exit 4");
  const StartResult result = open(child);
  ASSERT_EQ(result.instanceResult, kStartSucceeded);
  EXPECT_EQ(starter->poll(result.process).state, ProcessStatus::Running);

  scratch.file("child.go", "");
  ASSERT_TRUE(test::serveEventsUntil(
      [&] { return starter->poll(result.process).state == ProcessStatus::Ended; }, 10000));
  // The poll that saw the end reaped the child.
  EXPECT_EQ(test::zombieChildren(), std::vector<std::string>{});
  for (int again = 0; again < 2; ++again) {
    const ProcessStatus status = starter->poll(result.process);
    EXPECT_EQ(status.state, ProcessStatus::Ended);
    EXPECT_EQ(status.exitCode, 4);
  }
  EXPECT_EQ(starter->wait(result.process).exitCode, 4);
  starter->release(result.process);
  EXPECT_EQ(starter->poll(result.process).state, ProcessStatus::Unknown);
  EXPECT_EQ(starter->poll(0).state, ProcessStatus::Unknown);
}

TEST_F(PosixProcessStarterTest, ReleasedChildIsReapedWhenItEnds) {
  const std::string child = scratch.script(
      "child", "echo $$ > \"$RECORD.pid\"; while [ ! -e \"$RECORD.go\" ]; do sleep 0.02; done");
  const StartResult result = open(child);
  ASSERT_TRUE(test::serveEventsUntil([&] { return !test::readText(child + ".pid").empty(); }, 10000));
  const std::string proc = "/proc/" + std::to_string(std::stoi(test::readText(child + ".pid")));
  starter->release(result.process);
  ASSERT_TRUE(test::exists(proc));
  scratch.file("child.go", "");
  // Nobody asks about it any more, yet it is reaped once it ends: its /proc entry goes.
  EXPECT_TRUE(test::serveEventsUntil([&] { return !test::exists(proc); }, 10000));
}

TEST_F(PosixProcessStarterTest, ChildStartsClean) {
  // A descriptor of ours without close-on-exec, and an ignored signal: neither reaches it.
  const int leaked = ::dup2(::open("/dev/null", O_RDONLY), 57);
  ASSERT_EQ(leaked, 57);
  struct sigaction ignore {}, previous {};
  ignore.sa_handler = SIG_IGN;
  ::sigaction(SIGUSR1, &ignore, &previous);
  const std::string child = scratch.script(
      "child",
      "ls /proc/$$/fd > \"$RECORD.fds\"\n"
      "grep SigIgn /proc/$$/status > \"$RECORD.ignored\"\n"
      "echo $$ $(cut -d' ' -f5 /proc/$$/stat) > \"$RECORD.group\"");
  run(StartRequest{ShellVerb::Open, child, "", "", 5});
  ::sigaction(SIGUSR1, &previous, nullptr);
  ::close(leaked);

  EXPECT_EQ(test::readText(child + ".fds").find("57"), std::string::npos);
  const std::string ignored = test::readText(child + ".ignored");
  // The mask is hexadecimal, signal n at bit n - 1.
  EXPECT_EQ(std::stoull(ignored.substr(ignored.find(':') + 1), nullptr, 16) & (1ull << (SIGUSR1 - 1)), 0u);
  // Its own process group: the group number is its process number.
  std::istringstream group(test::readText(child + ".group"));
  pid_t pid = 0, pgid = 0;
  group >> pid >> pgid;
  EXPECT_EQ(pid, pgid);
}

// The menu sets the toolkit's scale for its own windows after it started, and uses the
// launcher's token for its first window: the child gets neither, but keeps what was set before.
TEST_F(PosixProcessStarterTest, ChildGetsTheEnvironmentWeWereStartedWith) {
  test::ScopedEnvironment environment;
  environment.set("TOV_SCHOOL_SETTING", "kept");
  environment.set("XDG_ACTIVATION_TOKEN", "the-launchers");
  environment.set("QT_SCALE_FACTOR", std::nullopt);
  starter = std::make_unique<PosixProcessStarter>(HelperPrograms{opener, printer}, WineSetup{},
                                                  currentEnvironment());
  environment.set("QT_SCALE_FACTOR", "1.8");
  const std::string child = scratch.script("child", "env > \"$RECORD.env\"");
  run(StartRequest{ShellVerb::Open, child, "", "", 5});

  const std::string seen = "\n" + test::readText(child + ".env");
  EXPECT_NE(seen.find("\nTOV_SCHOOL_SETTING=kept\n"), std::string::npos);
  EXPECT_EQ(seen.find("\nQT_SCALE_FACTOR="), std::string::npos);
  EXPECT_EQ(seen.find("\nXDG_ACTIVATION_TOKEN="), std::string::npos);
}

struct FailureCase {
  const char* name;
  friend void PrintTo(const FailureCase& c, std::ostream* out) { *out << c.name; }
  ShellVerb verb;
  std::string file;       // relative to the scratch folder, made by prepare
  std::string directory;  // relative to the scratch folder; empty for none
  int expected;
};

class StartFailures : public PosixProcessStarterTest, public ::testing::WithParamInterface<FailureCase> {
 protected:
  void prepare() {
    scratch.folder("folder");
    scratch.file("folder/document.txt", "hello");
    scratch.file("shebang-not-executable", "#!/bin/sh\nexit 0\n", 0644);
    scratch.file("elf-not-executable", std::string("\x7f" "ELF", 4) + "rest", 0644);
    scratch.file("executable-garbage", "\x01\x02garbage\n", 0755);
    scratch.file("windows-program.exe", "MZ\x90\x00", 0644);
    scratch.recorder("program");
  }
  std::string at(const std::string& relative) const {
    return relative.empty() || relative[0] == '/' ? relative : scratch / relative;
  }
};

TEST_P(StartFailures, GiveTheWindowsNumber) {
  prepare();
  const FailureCase& c = GetParam();
  const StartResult result = starter->start(StartRequest{c.verb, at(c.file), "", at(c.directory), 5});
  EXPECT_EQ(result.instanceResult, c.expected);
  EXPECT_EQ(result.process, 0u);
  EXPECT_TRUE(recordedArguments(opener).empty());
}

INSTANTIATE_TEST_SUITE_P(
    Table, StartFailures,
    ::testing::Values(
        FailureCase{"MissingProgram", ShellVerb::Open, "folder/missing.exe", "", 2},
        FailureCase{"EmptyName", ShellVerb::Open, "", "", 2},
        FailureCase{"MissingFolderOfProgram", ShellVerb::Open, "nowhere/program", "", 3},
        FailureCase{"PathThroughAFile", ShellVerb::Open, "folder/document.txt/program", "", 3},
        FailureCase{"MissingWorkingFolder", ShellVerb::Open, "program", "nowhere", 3},
        FailureCase{"WorkingFolderIsAFile", ShellVerb::Open, "program", "folder/document.txt", 3},
        FailureCase{"ScriptWithoutExecuteRight", ShellVerb::Open, "shebang-not-executable", "", 5},
        FailureCase{"BinaryWithoutExecuteRight", ShellVerb::Open, "elf-not-executable", "", 5},
        FailureCase{"ExecutableOfUnknownFormat", ShellVerb::Open, "executable-garbage", "", 31},
        FailureCase{"WindowsProgram", ShellVerb::Open, "windows-program.exe", "", 31},
        FailureCase{"DeviceFile", ShellVerb::Open, "/dev/null", "", 31},
        FailureCase{"PrintAProgram", ShellVerb::Print, "program", "", 31},
        FailureCase{"PrintAFolder", ShellVerb::Print, "folder", "", 31},
        FailureCase{"ExploreAFile", ShellVerb::Explore, "folder/document.txt", "", 31},
        FailureCase{"ExploreAMissingFolder", ShellVerb::Explore, "nowhere/", "", 3}),
    [](const ::testing::TestParamInfo<FailureCase>& info) { return std::string(info.param.name); });

TEST_F(PosixProcessStarterTest, DocumentsAndFoldersGoToTheDesktopHelpers) {
  const std::string folder = scratch.folder("my folder");
  const std::string document = scratch.file("my folder/notes.txt", "text");
  struct Case {
    ShellVerb verb;
    std::string file;
    const std::string& helper;
    std::string target;
  };
  for (const Case& c : {Case{ShellVerb::Open, document, opener, document},
                        Case{ShellVerb::Open, folder, opener, folder},
                        Case{ShellVerb::Explore, folder + "/", opener, folder + "/"},
                        Case{ShellVerb::Print, document, printer, document}}) {
    // Parameters are not handed on to a helper.
    EXPECT_EQ(run(StartRequest{c.verb, c.file, "\"--ignored\"", "", 5}), 0);
    EXPECT_EQ(recordedArguments(c.helper), std::vector<std::string>{c.target});
  }
}

TEST_F(PosixProcessStarterTest, MissingHelperMeansNoAssociation) {
  starter = std::make_unique<PosixProcessStarter>(HelperPrograms{scratch / "no-opener", "no-such-printer"});
  const std::string document = scratch.file("notes.txt", "text");
  EXPECT_EQ(open(document).instanceResult, StartFailure::NoAssociation);
  EXPECT_EQ(starter->start(StartRequest{ShellVerb::Print, document, "", "", 5}).instanceResult,
            StartFailure::NoAssociation);
}

}  // namespace
}  // namespace tov::posix
