// The real program in a copy of the demo program folder on a real X server, with openbox and
// a tint2 taskbar, read from outside: display mode, taskbar, pointer mapping, what it shows.
#include <gtest/gtest.h>
#include <signal.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <regex>
#include <string>

#include "support/x_session.h"

namespace tov::test {
namespace {

namespace fs = std::filesystem;

const std::string kBuildDir = std::getenv("TOVALEER_BUILD_DIR") ? std::getenv("TOVALEER_BUILD_DIR") : ".";

class MenuEndToEnd : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    session_ = XSession::start({.xorgDummy = true, .windowManager = true, .taskbar = true}, &whyNot_).release();
  }
  static void TearDownTestSuite() {
    delete session_;
    session_ = nullptr;
  }

  void SetUp() override {
    TOV_SKIP_WITHOUT_X(session_, whyNot_);
    folder_ = fs::temp_directory_path() / ("tovaleer-e2e-" + std::to_string(::getpid()) + "-" +
                                          ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(folder_);
    fs::copy(fs::path(kBuildDir) / "suite", folder_, fs::copy_options::recursive);
    ASSERT_EQ(currentMode(), "1024x768") << "the desktop starts at its own mode";
  }

  void TearDown() override {
    if (menu_) menu_->terminate(2000);
    if (session_) {
      // Whatever a test did, the next one starts from the desktop as it was.
      session_->run("xrandr --output \"$(xrandr | awk '/ connected/ {print $1; exit}')\" --mode 1024x768_75; "
                    "xmodmap -e 'pointer = default'");
    }
    fs::remove_all(folder_);
  }

  void startMenu() {
    std::string why;
    const std::string command = "cd '" + folder_.string() + "' && exec '" + kBuildDir + "/tovaleer'";
    menu_ = session_->launch({"sh", "-c", command}, (folder_ / "menu.log").string(), &why);
    ASSERT_TRUE(menu_) << why;
  }

  std::string currentMode() {
    const std::string out = session_->run("xrandr");
    std::smatch match;
    static const std::regex kCurrent(R"(current (\d+) x (\d+))");
    if (!std::regex_search(out, match, kCurrent)) return "none";
    return match[1].str() + "x" + match[2].str();
  }

  bool taskbarViewable() {
    const std::string id = session_->run("xdotool search --onlyvisible --class tint2 | head -n 1");
    return !id.empty();
  }

  std::string pointerMap() {
    const std::string out = session_->run("xmodmap -pp | awk '$1 ~ /^[123]$/ {printf \"%s \", $2}'");
    return out;
  }

  // The root window matches a frame picture of the program folder nearly exactly.
  bool screenShows(const std::string& frame) {
    const std::string shot = (folder_ / "shot.png").string();
    session_->run("import -window root '" + shot + "'");
    // Only the frame's own middle counts: the mute picture and the buttons lie over the
    // corners and the bottom edge.
    const std::string region = "[700x360+50+50]";
    const std::string out = session_->run(
        "compare -metric RMSE '" + shot + region + "' '" + (folder_ / "menu" / frame).string() + region +
        "' null: 2>&1 | sed -E 's/.*\\((.*)\\)/\\1/'");
    lastDifference_ = out;
    const bool same = !out.empty() && std::atof(out.c_str()) < 0.04;
    // Kept for whoever reads a failure: what the screen showed last.
    if (!same) session_->run("cp '" + shot + "' /tmp/tovaleer-e2e-last-shot.png");
    return same;
  }

  bool menuWindowExists() {
    return !session_->run("xdotool search --name '^Tovaleer! Gr4-5 v4.2$' | head -n 1").empty();
  }

  void expectDesktopGivenBack() {
    EXPECT_TRUE(session_->waitFor([&] { return currentMode() == "1024x768"; }, 2000)) << currentMode();
    EXPECT_TRUE(session_->waitFor([&] { return taskbarViewable(); }, 2000));
    EXPECT_EQ(pointerMap(), "1 2 3 ");
  }

  static XSession* session_;
  static std::string whyNot_;
  std::string lastDifference_;
  fs::path folder_;
  std::unique_ptr<ChildProcess> menu_;
};

XSession* MenuEndToEnd::session_ = nullptr;
std::string MenuEndToEnd::whyNot_;

TEST_F(MenuEndToEnd, ReachesTheLanguageScreenAndSigtermGivesTheDesktopBack) {
  session_->run("xmodmap -e 'pointer = 3 2 1'");
  startMenu();
  ASSERT_TRUE(session_->waitFor([&] { return menuWindowExists(); }, 10000));
  EXPECT_TRUE(session_->waitFor([&] { return currentMode() == "800x600"; }, 5000));
  // tint2 maps itself again after a mode change; the menu hides it again at once.
  EXPECT_TRUE(session_->waitFor([&] { return !taskbarViewable(); }, 2000));
  EXPECT_TRUE(session_->waitFor([&] { return screenShows("m4.jpg"); }, 10000))
      << "language screen; difference " << lastDifference_ << "; log: " << readFile((folder_ / "menu.log").string());
  EXPECT_TRUE(session_->waitFor([&] { return !taskbarViewable(); }, 2000)) << "the taskbar stays hidden";

  ::kill(menu_->pid(), SIGTERM);
  const auto code = menu_->wait(5000);
  ASSERT_TRUE(code.has_value());
  EXPECT_EQ(*code, 0);
  expectDesktopGivenBack();
}

TEST_F(MenuEndToEnd, MissingSecondFrameShowsTheMessageAndEnds) {
  fs::remove(folder_ / "menu" / "m2.jpg");
  startMenu();
  // The message box carries the application title.
  std::string box;
  ASSERT_TRUE(session_->waitFor([&] {
    box = session_->run("xdotool search --name '^Tovaleer Gr 45$' | head -n 1");
    return !box.empty();
  }, 10000));
  EXPECT_EQ(currentMode(), "800x600");
  box.erase(box.find_last_not_of("\n") + 1);
  // The box may take the focus a moment after it appears: answer until the program ends.
  std::optional<int> code;
  for (int attempt = 0; attempt < 5 && !code; ++attempt) {
    session_->run("xdotool windowactivate " + box + "; xdotool key --clearmodifiers Return");
    code = menu_->wait(1500);
  }
  ASSERT_TRUE(code.has_value()) << "the program ends after the message";
  expectDesktopGivenBack();
}

TEST_F(MenuEndToEnd, ClosingTheWindowGivesTheDesktopBack) {
  startMenu();
  ASSERT_TRUE(session_->waitFor([&] { return menuWindowExists(); }, 10000));
  ASSERT_TRUE(session_->waitFor([&] { return currentMode() == "800x600"; }, 5000));
  // The window manager's close (openbox binds Alt+F4 to it).
  session_->run("xdotool search --name '^Tovaleer! Gr4-5 v4.2$' | head -n 1 | "
                "xargs -r -I{} xdotool windowactivate --sync {} key --clearmodifiers alt+F4");
  const auto code = menu_->wait(5000);
  ASSERT_TRUE(code.has_value());
  expectDesktopGivenBack();
}

// Runs last: it takes the server away.
TEST_F(MenuEndToEnd, ZEndsAtOnceWhenTheXServerGoesAway) {
  startMenu();
  ASSERT_TRUE(session_->waitFor([&] { return menuWindowExists(); }, 10000));
  session_->stop();
  const auto code = menu_->wait(3000);
  EXPECT_TRUE(code.has_value()) << "the program still runs after its X server went away";
  EXPECT_NE(code.value_or(0), 0);
  menu_.reset();
  delete session_;
  session_ = nullptr;
}

}  // namespace
}  // namespace tov::test
