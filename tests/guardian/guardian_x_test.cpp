// The desktop guardian on a real X server (Xorg's dummy driver, openbox, tint2): the menu,
// and a small program of ours that takes the desktop over through X11Platform, are killed
// without running their destruction; display mode, taskbar and pointer mapping must be
// back within two seconds, and the guardian gone. A clean end leaves the guardian nothing.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/types.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/guardian/posix/desktop_guardian.h"
#include "support/desktop_state.h"
#include "support/processes.h"
#include "support/real_menu.h"
#include "support/shell_text.h"

namespace tov::test {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// The requirement: everything back within two seconds of the end.
constexpr int kGiveBackMs = 2000;
constexpr int kStartMs = 15000;
const std::string kGuardianSays = "tovaleer-guardian:";

// The guardian a program started: its child named after the guardian (the kernel keeps 15
// characters of a name).
pid_t guardianOf(pid_t parent) {
  for (const ProcessStatus& child : childrenOf(parent))
    if (child.name == "tovaleer-guardi" && child.state != 'Z') return child.pid;
  return 0;
}

pid_t sessionOf(pid_t pid) { return ::getsid(pid); }

class GuardianOnADesktop : public DesktopSuite {
 protected:
  void SetUp() override {
    TOV_SKIP_WITHOUT_X(session_, whyNot_);
    folder_ = folderForThisTest("tovaleer-guardian");
    fs::remove_all(folder_);
    fs::create_directories(folder_);
    logPath_ = (folder_ / "program.log").string();
    ASSERT_EQ(currentMode(*session_), "1024x768") << "the desktop starts at its own mode";
    ASSERT_TRUE(taskbarViewable(*session_));
    ASSERT_EQ(pointerMap(*session_), "1 2 3 ");
  }

  void TearDown() override {
    if (program_) program_->terminate(2000);
    if (guardian_ > 0 && !processEnded(guardian_)) ::kill(guardian_, SIGKILL);
    // Whatever a test did, the next one starts from the desktop as it was.
    if (session_) restoreDesktop(*session_);
    fs::remove_all(folder_);
  }

  std::string log() { return readFile(logPath_); }

  // ---- the programs ----

  void startProbe(const std::string& probePath, const std::vector<std::string>& arguments = {}) {
    std::vector<std::string> argv = {probePath};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::string why;
    program_ = session_->launch(argv, logPath_, &why);
    ASSERT_TRUE(program_) << why;
    ASSERT_TRUE(session_->waitFor([&] { return log().find("taken") != std::string::npos; }, kStartMs))
        << log();
  }

  void startMenu() {
    copyDemoFolder(folder_);
    std::string why;
    program_ = session_->launch({"sh", "-c", menuCommand(folder_)}, logPath_, &why);
    ASSERT_TRUE(program_) << why;
    ASSERT_TRUE(session_->waitFor([&] { return !menuWindow().empty(); }, kStartMs)) << log();
  }

  // The frame's middle only: the mute picture and the buttons lie over its edges.
  bool languageScreenShown() {
    return frameDifference(*session_, folder_, "m4.jpg", "[700x360+50+50]") < 0.04;
  }

  std::string menuWindow() {
    return trimmed(
        session_->run("xdotool search --name " + shellQuoted(kMenuTitle) + " 2>/dev/null | head -n 1"));
  }

  // The desktop as the program takes it over: small, no taskbar; the guardian started.
  void expectDesktopTakenOver(const std::string& pointer, const std::string& mode = "800x600") {
    ASSERT_TRUE(session_->waitFor([&] { return currentMode(*session_) == mode; }, kStartMs)) << log();
    ASSERT_TRUE(session_->waitFor([&] { return !taskbarViewable(*session_); }, kStartMs)) << log();
    ASSERT_TRUE(session_->waitFor([&] { return pointerMap(*session_) == pointer; }, kStartMs)) << log();
    guardian_ = guardianOf(program_->pid());
    ASSERT_GT(guardian_, 0) << "no guardian runs beside the program; " << log();
    EXPECT_NE(sessionOf(guardian_), sessionOf(program_->pid()))
        << "the guardian must not end with the program's terminal or process group";
    // Its socket (0), the program's output (1, 2) and its own X connection: nothing of the
    // program's (the single-instance lock, say) lives on in it, nor its working folder.
    std::vector<std::string> descriptors;
    for (const auto& fd : fs::directory_iterator("/proc/" + std::to_string(guardian_) + "/fd"))
      descriptors.push_back(fd.path().filename().string());
    std::sort(descriptors.begin(), descriptors.end());
    EXPECT_EQ(descriptors, (std::vector<std::string>{"0", "1", "2", "3"}));
    EXPECT_EQ(fs::read_symlink("/proc/" + std::to_string(guardian_) + "/cwd"), "/");
  }

  // Everything back within two seconds of the end; returns how long it took.
  int expectDesktopGivenBack(Clock::time_point end) {
    const auto deadline = end + std::chrono::milliseconds(kGiveBackMs);
    auto leftMs = [&] {
      return int(std::max<long long>(
          0, std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count()));
    };
    EXPECT_TRUE(session_->waitFor([&] { return currentMode(*session_) == "1024x768"; }, leftMs()))
        << currentMode(*session_);
    EXPECT_TRUE(session_->waitFor([&] { return taskbarViewable(*session_); }, leftMs()));
    EXPECT_TRUE(session_->waitFor([&] { return pointerMap(*session_) == "1 2 3 "; }, leftMs()))
        << pointerMap(*session_);
    const int tookMs = int(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - end).count());
    EXPECT_TRUE(session_->waitFor([&] { return processEnded(guardian_); }, leftMs()))
        << "the guardian is left running";
    return tookMs;
  }

  // SIGTERM: the program gives the desktop back itself, and the guardian has nothing to say.
  void endCleanlyAndExpectTheGuardianUnused() {
    const auto end = Clock::now();
    ::kill(program_->pid(), SIGTERM);
    const auto code = program_->wait(5000);
    ASSERT_TRUE(code.has_value());
    EXPECT_EQ(*code, 0);
    expectDesktopGivenBack(end);
    EXPECT_EQ(log().find(kGuardianSays), std::string::npos) << log();
  }

  // Kills the program with signal, the way a crash would end it, and checks what follows.
  void killAndExpectGivenBack(int signal, bool wholeGroup, const std::string& what) {
    const auto end = Clock::now();
    ::kill(wholeGroup ? -program_->pid() : program_->pid(), signal);
    ASSERT_TRUE(program_->wait(5000).has_value()) << what << " did not end on signal " << signal;
    const int tookMs = expectDesktopGivenBack(end);
    std::cout << "[ measured ] " << what << ", signal " << signal << ": desktop back after "
              << tookMs << " ms (as read from outside)\n";
    EXPECT_NE(log().find(kGuardianSays), std::string::npos) << log();
    std::istringstream said(log());
    for (std::string line; std::getline(said, line);)
      if (line.starts_with(kGuardianSays)) std::cout << "[ guardian ] " << line << "\n";
  }

  fs::path folder_;
  std::string logPath_;
  std::unique_ptr<ChildProcess> program_;
  pid_t guardian_ = 0;
};

const std::string kProbe = kBuildDir + "/guardian_probe";

struct Ending {
  int signal;
  bool wholeGroup;  // the program's process group, as a terminal's Ctrl+C or a kill -- -PID
};
const Ending kEndings[] = {{SIGKILL, true}, {SIGABRT, false}, {SIGSEGV, false}};

TEST_F(GuardianOnADesktop, ProgramKilledOrCrashedGetsTheDesktopBack) {
  for (const Ending& ending : kEndings) {
    SCOPED_TRACE("signal " + std::to_string(ending.signal));
    startProbe(kProbe);
    expectDesktopTakenOver("3 2 1 ");
    killAndExpectGivenBack(ending.signal, ending.wholeGroup, "guardian_probe");
    TearDown();
    SetUp();
    if (HasFatalFailure()) return;
  }
}

// Started before the first change, as the menu starts it, the guardian still has every undo
// before its change, and a clean end still leaves it nothing.
TEST_F(GuardianOnADesktop, LaunchedBeforeTheFirstChangeItGetsTheDesktopBack) {
  for (const bool killed : {true, false}) {
    SCOPED_TRACE(killed ? "killed" : "clean end");
    startProbe(kProbe, {"--launch-early"});
    expectDesktopTakenOver("3 2 1 ");
    if (killed)
      killAndExpectGivenBack(SIGKILL, true, "guardian_probe with its guardian started first");
    else
      endCleanlyAndExpectTheGuardianUnused();
    TearDown();
    SetUp();
    if (HasFatalFailure()) return;
  }
}

// An activity the program started lives on; it must not hold the guardian's socket open,
// or the guardian would not learn that the program has gone.
TEST_F(GuardianOnADesktop, AProgramItStartedDoesNotKeepTheGuardianWaiting) {
  startProbe(kProbe, {"--child"});
  expectDesktopTakenOver("3 2 1 ");
  killAndExpectGivenBack(SIGKILL, false, "guardian_probe with a child");
  program_.reset();  // its process group, with the child, ends here
}

// tint2 builds its panel anew when the display changes, so a switch back brings it back by
// itself; without a switch, only the guardian's mapping of the hidden dock does.
TEST_F(GuardianOnADesktop, HiddenDockComesBackWithoutADisplayChange) {
  startProbe(kProbe, {"--keep-mode"});
  expectDesktopTakenOver("3 2 1 ", "1024x768");
  killAndExpectGivenBack(SIGKILL, true, "guardian_probe without a display switch");
  EXPECT_NE(log().find("1 dock window(s) shown again"), std::string::npos) << log();
}

// The guardian speaks only of what it changed. A piece that is back already when the
// program dies (put back here by hand while the program is stopped, as the user or another
// program could) gets no word; the pieces it does give back still get theirs.
TEST_F(GuardianOnADesktop, SaysNothingOfWhatIsBackAlready) {
  const std::string kModeWord = "without giving the display mode back";
  const std::string kPointerWord = "with the mouse buttons exchanged";
  const std::string kDocksWord = "with the taskbar hidden";
  struct Case {
    const char* name;
    std::string putBack;  // a shell command
    std::string unsaid;
    std::string said;
  };
  const Case cases[] = {
      {"display mode",
       "xrandr --output \"$(xrandr | awk '/ connected/ {print $1; exit}')\" --mode 1024x768_75",
       kModeWord, kPointerWord},
      {"pointer mapping", "xmodmap -e 'pointer = default'", kPointerWord, kModeWord},
      {"taskbar", "for w in $(xdotool search --classname '^tint2$'); do xdotool windowmap $w; done",
       kDocksWord, kModeWord},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    startProbe(kProbe);
    expectDesktopTakenOver("3 2 1 ");
    // Stopped, the program can neither give anything back nor hide the taskbar again.
    ::kill(program_->pid(), SIGSTOP);
    session_->run(c.putBack);
    if (c.unsaid == kDocksWord) {
      ASSERT_TRUE(session_->waitFor([&] { return taskbarViewable(*session_); }, kStartMs));
    }
    ::kill(program_->pid(), SIGKILL);
    ASSERT_TRUE(program_->wait(5000).has_value());
    expectDesktopGivenBack(Clock::now());
    EXPECT_EQ(log().find(c.unsaid), std::string::npos) << log();
    EXPECT_NE(log().find(c.said), std::string::npos) << log();
    TearDown();
    SetUp();
    if (HasFatalFailure()) return;
  }
}

TEST_F(GuardianOnADesktop, CleanEndLeavesTheGuardianNothingAndItEnds) {
  startProbe(kProbe);
  expectDesktopTakenOver("3 2 1 ");
  endCleanlyAndExpectTheGuardianUnused();
}

// A guardian that cannot be started costs the safety net, not the program.
TEST_F(GuardianOnADesktop, WithoutAGuardianTheProgramGoesOnAndSaysSo) {
  const fs::path alone = folder_ / "guardian_probe";
  fs::copy_file(kProbe, alone);
  startProbe(alone.string());
  ASSERT_TRUE(session_->waitFor(
      [&] { return currentMode(*session_) == "800x600" && pointerMap(*session_) == "3 2 1 "; }, kStartMs));
  EXPECT_EQ(guardianOf(program_->pid()), 0);
  EXPECT_NE(log().find("Cannot start the desktop guardian " + (folder_ / "tovaleer-guardian").string()),
            std::string::npos)
      << log();
  ::kill(program_->pid(), SIGTERM);
  const auto code = program_->wait(5000);
  ASSERT_TRUE(code.has_value());
  EXPECT_EQ(*code, 0);
  expectDesktopGivenBack(Clock::now());
}

// ---- the real menu ----

TEST_F(GuardianOnADesktop, MenuKilledAtTheLanguageScreenGetsTheDesktopBack) {
  for (const Ending& ending : kEndings) {
    SCOPED_TRACE("signal " + std::to_string(ending.signal));
    startMenu();
    expectDesktopTakenOver("1 2 3 ");
    ASSERT_TRUE(session_->waitFor([&] { return languageScreenShown(); }, kStartMs)) << log();
    killAndExpectGivenBack(ending.signal, ending.wholeGroup, "tovaleer at the language screen");
    TearDown();
    SetUp();
    if (HasFatalFailure()) return;
  }
}

TEST_F(GuardianOnADesktop, MenuKilledAfterTheLeftHandSwapGetsTheButtonsBack) {
  startMenu();
  expectDesktopTakenOver("1 2 3 ");
  ASSERT_TRUE(session_->waitFor([&] { return languageScreenShown(); }, kStartMs))
      << "the language screen did not come; " << log();
  clickAt(*session_, kEnglish);
  // The name field and the hand buttons come a moment after the language screen has gone.
  ASSERT_TRUE(session_->waitFor(
      [&] { return frameDifference(*session_, folder_, "m7e.jpg", "[43x35+537+411]") > 0.05; }, kStartMs))
      << "the hand buttons did not appear; " << log();
  session_->run("xdotool type --delay 40 ann");
  clickAt(*session_, kLeftHand);
  std::string box;
  ASSERT_TRUE(session_->waitFor([&] {
    box = trimmed(session_->run("xdotool search --name '^Confirm$' 2>/dev/null | head -n 1"));
    return !box.empty();
  }, kStartMs)) << "the left hand's question did not come; " << log();
  session_->run("xdotool windowactivate --sync " + box + " key --clearmodifiers alt+y");
  ASSERT_TRUE(session_->waitFor([&] { return pointerMap(*session_) == "3 2 1 "; }, kStartMs))
      << "Yes exchanges the buttons; " << log();
  killAndExpectGivenBack(SIGKILL, true, "tovaleer after the left-hand swap");
}

TEST_F(GuardianOnADesktop, MenuEndedBySigtermLeavesTheGuardianNothing) {
  startMenu();
  expectDesktopTakenOver("1 2 3 ");
  endCleanlyAndExpectTheGuardianUnused();
}

// ---- the guardian alone ----

TEST(Guardian, RefusesToRunWithoutTheMenu) {
  const std::string output =
      (fs::temp_directory_path() / ("tovaleer-guardian-alone-" + std::to_string(::getpid()))).string();
  ChildProcessOptions options;
  options.argv = {kBuildDir + "/tovaleer-guardian"};
  options.outputPath = output;
  std::string whyNot;
  auto guardian = ChildProcess::spawn(options, &whyNot);
  ASSERT_TRUE(guardian) << whyNot;
  EXPECT_EQ(guardian->wait(5000), 2) << "a guardian without the menu's socket has nothing to guard";
  EXPECT_NE(readFile(output).find("is not run by hand"), std::string::npos) << readFile(output);
  fs::remove(output);
}

// The X server goes, and with it the program: the guardian does not linger.
TEST(Guardian, EndsWhenTheXServerGoesAway) {
  std::string whyNot;
  auto session = XSession::start({.xorgDummy = false}, &whyNot);
  TOV_SKIP_WITHOUT_X(session, whyNot);
  const std::string output = session->directory() + "/probe.out";
  auto probe = session->launch({kProbe}, output, &whyNot);
  ASSERT_TRUE(probe) << whyNot;
  ASSERT_TRUE(session->waitFor([&] { return readFile(output).find("taken") != std::string::npos; }, kStartMs))
      << readFile(output);
  // Xvfb has no taskbar and one display mode here; the buttons start the guardian.
  const pid_t guardian = guardianOf(probe->pid());
  ASSERT_GT(guardian, 0) << readFile(output);
  session->stop();
  EXPECT_TRUE(probe->wait(10000).has_value());
  EXPECT_TRUE(session->waitFor([&] { return processEnded(guardian); }, 10000))
      << "the guardian outlives its X server";
  if (!processEnded(guardian)) ::kill(guardian, SIGKILL);
}

// The X server (Xwayland, say) goes before the menu: the desktop's settings outlast it, and
// the guardian gives them back when the menu ends.
TEST(Guardian, GivesTheSettingsBackWhenTheMenuEndsAfterItsXServer) {
  std::string whyNot;
  auto session = XSession::start({.xorgDummy = false}, &whyNot);
  TOV_SKIP_WITHOUT_X(session, whyNot);
  // The gsettings the guardian finds first on its PATH: it finds the setting left-handed and
  // notes what it is asked.
  const fs::path bin = fs::path(session->directory()) / "bin";
  const std::string asked = (bin / "asked").string();
  fs::create_directories(bin);
  std::ofstream(bin / "gsettings") << "#!/bin/sh\necho \"$*\" >> " << shellQuoted(asked)
                                   << "\n[ \"$1\" = get ] && echo true\nexit 0\n";
  fs::permissions(bin / "gsettings", fs::perms::owner_all);
  const std::string path = std::getenv("PATH") ? std::getenv("PATH") : "/usr/bin:/bin";
  {
    guardian::DesktopGuardian guardian(session->display(), kBuildDir + "/tovaleer-guardian");
    ::setenv("PATH", (bin.string() + ":" + path).c_str(), 1);
    guardian.record(guardian::SettingChanged{"org.gnome.desktop.peripherals.mouse", "left-handed", "false"});
    ::setenv("PATH", path.c_str(), 1);
    ASSERT_GT(guardian.pid(), 0);
    session->stop();
  }  // the menu's end
  EXPECT_TRUE(pollUntil([&] {
    return readFile(asked).find("set org.gnome.desktop.peripherals.mouse left-handed false") != std::string::npos;
  }, 10000)) << readFile(asked);
}

}  // namespace
}  // namespace tov::test
