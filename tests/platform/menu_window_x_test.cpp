// The real menu's window on Xorg (dummy driver) with openbox and tint2, read from outside:
// after the switch to 800 x 600 it asks for the full-screen state, and it lies on the
// primary output also when a second output is left of it (the primary then starts at x 800).
// A display running at a rate with no 800 x 600 mode is switched all the same.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <string>

#include "support/desktop_state.h"
#include "support/real_menu.h"
#include "support/shell_text.h"

namespace tov::test {
namespace {

namespace fs = std::filesystem;

constexpr int kStartMs = 15000;
constexpr const char* kPrimary = "DUMMY0";
// The dummy driver offers sixteen outputs; the others are disconnected until given a mode.
constexpr const char* kSecond = "DUMMY1";

struct WindowCase {
  const char* name;
  bool secondOutputLeft;      // an 800 x 600 output left of the primary
  const char* settingsFile;   // null: no displaysettings.txt
  const char* geometry;       // where the menu's window ends up, as WxH+X+Y
  bool fullScreen;
};

const WindowCase kWindowCases[] = {
    {"SwitchedAlone", false, nullptr, "800x600+0+0", true},
    {"SwitchedBesideAnOutputOnTheLeft", true, nullptr, "800x600+800+0", true},
    // Centred on the 1024 x 768 primary output at x 800.
    {"NotSwitchedBesideAnOutputOnTheLeft", true, "SET=NO\n", "800x600+912+84", false},
};

void PrintTo(const WindowCase& c, std::ostream* out) { *out << c.name; }

class MenuWindow : public DesktopSuite, public ::testing::WithParamInterface<WindowCase> {
 protected:
  void SetUp() override {
    TOV_SKIP_WITHOUT_X(session_, whyNot_);
    // The case's own name: a parameterised test's full name holds a slash.
    folder_ = fs::temp_directory_path() /
              ("tovaleer-window-" + std::to_string(::getpid()) + "-" + GetParam().name);
    copyDemoFolder(folder_);
    ASSERT_EQ(currentMode(*session_), "1024x768") << "the desktop starts at its own mode";
  }

  void TearDown() override {
    if (menu_) menu_->terminate(2000);
    if (session_) {
      session_->run(std::string("xrandr --output ") + kSecond + " --off --output " + kPrimary +
                    " --mode 1024x768_75 --pos 0x0");
      restoreDesktop(*session_);
    }
    fs::remove_all(folder_);
  }

  void addSecondOutputLeft() {
    session_->run(std::string("xrandr --addmode ") + kSecond + " 800x600_60 2>/dev/null; xrandr --output " +
                  kSecond + " --mode 800x600_60 --left-of " + kPrimary);
    ASSERT_NE(session_->run("xrandr --listmonitors").find(std::string("+800+0  ") + kPrimary), std::string::npos)
        << session_->run("xrandr --listmonitors");
  }

  std::string menuWindow() {
    return trimmed(session_->run("xdotool search --name " + shellQuoted(kMenuTitle) + " 2>/dev/null | head -n 1"));
  }

  // WxH+X+Y of the window on the screen, as xwininfo tells it.
  std::string geometryOf(const std::string& window) {
    const std::string info = session_->run("xwininfo -id " + window + " 2>/dev/null");
    auto field = [&](const char* name) {
      std::smatch match;
      const std::regex pattern(std::string(name) + R"(:\s+(-?\d+))");
      return std::regex_search(info, match, pattern) ? match[1].str() : std::string("?");
    };
    return field("Width") + "x" + field("Height") + "+" + field("Absolute upper-left X") + "+" +
           field("Absolute upper-left Y");
  }

  bool fullScreenAsked(const std::string& window) {
    return session_->run("xprop -id " + window + " _NET_WM_STATE 2>/dev/null").find("_NET_WM_STATE_FULLSCREEN") !=
           std::string::npos;
  }

  fs::path folder_;
  std::unique_ptr<ChildProcess> menu_;
};

TEST_P(MenuWindow, LiesOnThePrimaryOutputAndIsFullScreenAfterTheSwitch) {
  const WindowCase& c = GetParam();
  if (c.secondOutputLeft) addSecondOutputLeft();
  if (HasFatalFailure()) return;
  if (c.settingsFile) std::ofstream(folder_ / "displaysettings.txt") << c.settingsFile;
  std::string why;
  menu_ = session_->launch({"sh", "-c", menuCommand(folder_)}, (folder_ / "menu.log").string(), &why);
  ASSERT_TRUE(menu_) << why;
  std::string window;
  ASSERT_TRUE(session_->waitFor([&] { return !(window = menuWindow()).empty(); }, kStartMs))
      << readFile((folder_ / "menu.log").string());
  // The state first: the window manager may move a full-screen window to another monitor.
  if (c.fullScreen) {
    EXPECT_TRUE(session_->waitFor([&] { return fullScreenAsked(window); }, kStartMs))
        << windowState(*session_, window);
  } else {
    EXPECT_FALSE(fullScreenAsked(window)) << windowState(*session_, window);
  }
  EXPECT_TRUE(session_->waitFor([&] { return geometryOf(window) == c.geometry; }, kStartMs))
      << geometryOf(window) << "; " << session_->run("xrandr --listmonitors");
}

INSTANTIATE_TEST_SUITE_P(Cases, MenuWindow, ::testing::ValuesIn(kWindowCases),
                         [](const auto& info) { return std::string(info.param.name); });

// The primary output at 1024 x 768 and 100 Hz, as monitors of today run; the dummy driver
// offers 800 x 600 only at 56 to 85 Hz.
constexpr const char* k100HzMode = "1024x768_100";
constexpr const char* k100HzTimings = "113.31 1024 1096 1208 1392 768 769 772 814 -hsync +vsync";

class MenuOnA100HzDisplay : public DesktopSuite {
 protected:
  void SetUp() override {
    TOV_SKIP_WITHOUT_X(session_, whyNot_);
    folder_ = folderForThisTest("tovaleer-rate");
    copyDemoFolder(folder_);
    session_->run(std::string("xrandr --newmode ") + k100HzMode + " " + k100HzTimings + "; xrandr --addmode " +
                  kPrimary + " " + k100HzMode + "; xrandr --output " + kPrimary + " --mode " + k100HzMode);
    ASSERT_EQ(modeInForce(), "1024x768@100") << session_->run("xrandr");
  }

  void TearDown() override {
    if (menu_) menu_->terminate(2000);
    if (session_) {
      restoreDesktop(*session_);
      session_->run(std::string("xrandr --delmode ") + kPrimary + " " + k100HzMode + "; xrandr --rmmode " +
                    k100HzMode);
    }
    fs::remove_all(folder_);
  }

  // The mode in force as WxH@hertz: the size of the screen, the rate xrandr marks.
  std::string modeInForce() {
    return currentMode(*session_) + "@" +
           trimmed(session_->run("xrandr | awk '{for (i = 2; i <= NF; ++i) if ($i ~ /\\*/) {print int($i + 0.5); exit}}'"));
  }

  fs::path folder_;
  std::unique_ptr<ChildProcess> menu_;
};

TEST_F(MenuOnA100HzDisplay, TakesThe800x600OfTheNearestRateAndGivesThe100HzModeBack) {
  const std::string log = (folder_ / "menu.log").string();
  std::string why;
  menu_ = session_->launch({"sh", "-c", menuCommand(folder_)}, log, &why);
  ASSERT_TRUE(menu_) << why;
  EXPECT_TRUE(session_->waitFor([&] { return modeInForce() == "800x600@85"; }, kStartMs))
      << session_->run("xrandr") << "\n" << readFile(log);
  menu_->terminate(kStartMs);
  menu_.reset();
  EXPECT_TRUE(session_->waitFor([&] { return modeInForce() == "1024x768@100"; }, kStartMs)) << modeInForce();
}

}  // namespace
}  // namespace tov::test
