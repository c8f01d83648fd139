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
#include <optional>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "support/x_session.h"

namespace tov::test {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

const std::string kBuildDir =
    std::getenv("TOVALEER_BUILD_DIR") ? std::getenv("TOVALEER_BUILD_DIR") : ".";
// The requirement: everything back within two seconds of the end.
constexpr int kGiveBackMs = 2000;
constexpr int kStartMs = 15000;
const std::string kGuardianSays = "tovaleer-guardian:";

// What /proc says of a process: its parent and its state; nothing once it has gone.
struct ProcessStatus {
  pid_t parent = 0;
  char state = '?';
  std::string name;
};

std::optional<ProcessStatus> statusOf(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string text;
  if (!std::getline(in, text)) return std::nullopt;
  const std::size_t open = text.find('('), close = text.rfind(')');
  if (open == std::string::npos || close == std::string::npos || close + 4 > text.size())
    return std::nullopt;
  ProcessStatus status;
  status.name = text.substr(open + 1, close - open - 1);
  status.state = text[close + 2];
  status.parent = pid_t(std::atol(text.c_str() + close + 4));
  return status;
}

// Ended: gone, or a zombie that nobody has reaped yet.
bool processEnded(pid_t pid) {
  const auto status = statusOf(pid);
  return !status || status->state == 'Z';
}

// The guardian a program started: its child named after the guardian (the kernel keeps 15
// characters of a name).
pid_t guardianOf(pid_t parent) {
  for (const auto& entry : fs::directory_iterator("/proc")) {
    const pid_t pid = pid_t(std::atol(entry.path().filename().c_str()));
    if (pid <= 0) continue;
    const auto status = statusOf(pid);
    if (status && status->parent == parent && status->name == "tovaleer-guardi" &&
        status->state != 'Z')
      return pid;
  }
  return 0;
}

pid_t sessionOf(pid_t pid) { return ::getsid(pid); }

std::string trimmed(std::string text) {
  text.erase(text.find_last_not_of(" \n") + 1);
  return text;
}

std::string shellQuoted(const std::string& text) {
  std::string shell = "'";
  for (const char c : text) shell += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return shell + "'";
}

// Middles of the controls of the 800 x 600 window at 0, 0.
struct Point {
  int x, y;
};
constexpr Point kEnglish{464 + 241 / 2, 228 + 57 / 2};
constexpr Point kLeftHand{537 + 43 / 2, 411 + 35 / 2};

class GuardianOnADesktop : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    session_ = XSession::start({.xorgDummy = true, .windowManager = true, .taskbar = true},
                               &whyNot_).release();
  }
  static void TearDownTestSuite() {
    delete session_;
    session_ = nullptr;
  }

  void SetUp() override {
    TOV_SKIP_WITHOUT_X(session_, whyNot_);
    folder_ = fs::temp_directory_path() /
              ("tovaleer-guardian-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(folder_);
    fs::create_directories(folder_);
    logPath_ = (folder_ / "program.log").string();
    ASSERT_EQ(currentMode(), "1024x768") << "the desktop starts at its own mode";
    ASSERT_TRUE(taskbarViewable());
    ASSERT_EQ(pointerMap(), "1 2 3 ");
  }

  void TearDown() override {
    if (program_) program_->terminate(2000);
    if (guardian_ > 0 && !processEnded(guardian_)) ::kill(guardian_, SIGKILL);
    if (session_) {
      // Whatever a test did, the next one starts from the desktop as it was.
      session_->run(
          "xrandr --output \"$(xrandr | awk '/ connected/ {print $1; exit}')\" --mode 1024x768_75; "
          "xmodmap -e 'pointer = default'; "
          "for w in $(xdotool search --classname '^tint2$' 2>/dev/null); do xdotool windowmap $w; done");
      session_->waitFor([&] { return taskbarViewable(); }, 5000);
    }
    fs::remove_all(folder_);
  }

  // ---- what the desktop is like, read from outside ----

  std::string currentMode() {
    const std::string out = session_->run("xrandr");
    std::smatch match;
    static const std::regex kCurrent(R"(current (\d+) x (\d+))");
    if (!std::regex_search(out, match, kCurrent)) return "none";
    return match[1].str() + "x" + match[2].str();
  }

  bool taskbarViewable() {
    return !session_->run("xdotool search --onlyvisible --classname '^tint2$' 2>/dev/null | head -n 1").empty();
  }

  std::string pointerMap() {
    return session_->run("xmodmap -pp | awk '$1 ~ /^[123]$/ {printf \"%s \", $2}'");
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
    fs::remove_all(folder_);
    fs::copy(fs::path(kBuildDir) / "suite", folder_, fs::copy_options::recursive);
    std::string why;
    const std::string command =
        "cd " + shellQuoted(folder_.string()) + " && exec " + shellQuoted(kBuildDir + "/tovaleer");
    program_ = session_->launch({"sh", "-c", command}, logPath_, &why);
    ASSERT_TRUE(program_) << why;
    ASSERT_TRUE(session_->waitFor([&] { return !menuWindow().empty(); }, kStartMs)) << log();
  }

  void click(Point at) {
    session_->run("xdotool mousemove --sync " + std::to_string(at.x) + " " + std::to_string(at.y) +
                  " click 1");
  }

  // Root-mean-square difference, 0 to 1, between a region of the screen and of a frame of
  // the program folder.
  double difference(const std::string& frame, const std::string& region) {
    const std::string shot = (folder_ / "shot.png").string();
    session_->run("import -window root " + shellQuoted(shot));
    const std::string out = session_->run(
        "compare -metric RMSE " + shellQuoted(shot + region) + " " +
        shellQuoted((folder_ / "menu" / frame).string() + region) +
        " null: 2>&1 | sed -E 's/.*\\((.*)\\)/\\1/'");
    return out.empty() ? 1.0 : std::atof(out.c_str());
  }

  // The frame's middle only: the mute picture and the buttons lie over its edges.
  bool languageScreenShown() { return difference("m4.jpg", "[700x360+50+50]") < 0.04; }

  std::string menuWindow() {
    return trimmed(session_->run("xdotool search --name '^Tovaleer! Gr4-5 v4.2$' 2>/dev/null | head -n 1"));
  }

  // The desktop as the program takes it over: small, no taskbar; the guardian started.
  void expectDesktopTakenOver(const std::string& pointer, const std::string& mode = "800x600") {
    ASSERT_TRUE(session_->waitFor([&] { return currentMode() == mode; }, kStartMs)) << log();
    ASSERT_TRUE(session_->waitFor([&] { return !taskbarViewable(); }, kStartMs)) << log();
    ASSERT_TRUE(session_->waitFor([&] { return pointerMap() == pointer; }, kStartMs)) << log();
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
    EXPECT_TRUE(session_->waitFor([&] { return currentMode() == "1024x768"; }, leftMs())) << currentMode();
    EXPECT_TRUE(session_->waitFor([&] { return taskbarViewable(); }, leftMs()));
    EXPECT_TRUE(session_->waitFor([&] { return pointerMap() == "1 2 3 "; }, leftMs())) << pointerMap();
    const int tookMs = int(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - end).count());
    EXPECT_TRUE(session_->waitFor([&] { return processEnded(guardian_); }, leftMs()))
        << "the guardian is left running";
    return tookMs;
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

  static XSession* session_;
  static std::string whyNot_;
  fs::path folder_;
  std::string logPath_;
  std::unique_ptr<ChildProcess> program_;
  pid_t guardian_ = 0;
};

XSession* GuardianOnADesktop::session_ = nullptr;
std::string GuardianOnADesktop::whyNot_;

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

TEST_F(GuardianOnADesktop, CleanEndLeavesTheGuardianNothingAndItEnds) {
  startProbe(kProbe);
  expectDesktopTakenOver("3 2 1 ");
  const auto end = Clock::now();
  ::kill(program_->pid(), SIGTERM);
  const auto code = program_->wait(5000);
  ASSERT_TRUE(code.has_value());
  EXPECT_EQ(*code, 0);
  expectDesktopGivenBack(end);
  EXPECT_EQ(log().find(kGuardianSays), std::string::npos) << log();
}

// A guardian that cannot be started costs the safety net, not the program.
TEST_F(GuardianOnADesktop, WithoutAGuardianTheProgramGoesOnAndSaysSo) {
  const fs::path alone = folder_ / "guardian_probe";
  fs::copy_file(kProbe, alone);
  startProbe(alone.string());
  ASSERT_TRUE(session_->waitFor([&] { return currentMode() == "800x600" && pointerMap() == "3 2 1 "; }, kStartMs));
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
  click(kEnglish);
  // The name field and the hand buttons come a moment after the language screen has gone.
  ASSERT_TRUE(session_->waitFor([&] { return difference("m7e.jpg", "[43x35+537+411]") > 0.05; }, kStartMs))
      << "the hand buttons did not appear; " << log();
  session_->run("xdotool type --delay 40 ann");
  click(kLeftHand);
  std::string box;
  ASSERT_TRUE(session_->waitFor([&] {
    box = trimmed(session_->run("xdotool search --name '^Confirm$' 2>/dev/null | head -n 1"));
    return !box.empty();
  }, kStartMs)) << "the left hand's question did not come; " << log();
  session_->run("xdotool windowactivate --sync " + box + " key --clearmodifiers alt+y");
  ASSERT_TRUE(session_->waitFor([&] { return pointerMap() == "3 2 1 "; }, kStartMs))
      << "Yes exchanges the buttons; " << log();
  killAndExpectGivenBack(SIGKILL, true, "tovaleer after the left-hand swap");
}

TEST_F(GuardianOnADesktop, MenuEndedBySigtermLeavesTheGuardianNothing) {
  startMenu();
  expectDesktopTakenOver("1 2 3 ");
  const auto end = Clock::now();
  ::kill(program_->pid(), SIGTERM);
  const auto code = program_->wait(5000);
  ASSERT_TRUE(code.has_value());
  EXPECT_EQ(*code, 0);
  expectDesktopGivenBack(end);
  EXPECT_EQ(log().find(kGuardianSays), std::string::npos) << log();
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

// The X server goes: no desktop is left to give back, and the guardian does not linger.
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

}  // namespace
}  // namespace tov::test
