// The real program in a copy of the demo program folder on a real X server, with openbox and
// a tint2 taskbar, read from outside: display mode, taskbar, pointer mapping, what it shows.
#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>
#include <optional>
#include <string>

#include "support/desktop_state.h"
#include "support/real_menu.h"
#include "support/shell_text.h"

namespace tov::test {
namespace {

namespace fs = std::filesystem;

class MenuEndToEnd : public DesktopSuite {
 protected:
  void SetUp() override {
    TOV_SKIP_WITHOUT_X(session_, whyNot_);
    folder_ = folderForThisTest("tovaleer-e2e");
    copyDemoFolder(folder_);
    ASSERT_EQ(currentMode(*session_), "1024x768") << "the desktop starts at its own mode";
  }

  void TearDown() override {
    if (menu_) menu_->terminate(2000);
    // Whatever a test did, the next one starts from the desktop as it was.
    if (session_) restoreDesktop(*session_);
    fs::remove_all(folder_);
  }

  void startMenu() {
    std::string why;
    menu_ = session_->launch({"sh", "-c", menuCommand(folder_)}, (folder_ / "menu.log").string(), &why);
    ASSERT_TRUE(menu_) << why;
  }

  // The root window matches a frame picture of the program folder nearly exactly. Only the
  // frame's own middle counts: the mute picture and the buttons lie over the corners and the
  // bottom edge.
  bool screenShows(const std::string& frame) {
    lastDifference_ = frameDifference(*session_, folder_, frame, "[700x360+50+50]");
    const bool same = lastDifference_ < 0.04;
    // Kept for whoever reads a failure: what the screen showed last.
    if (!same) session_->run("cp " + shellQuoted((folder_ / "shot.png").string()) + " /tmp/tovaleer-e2e-last-shot.png");
    return same;
  }

  bool menuWindowExists() {
    return !session_->run("xdotool search --name '" + kMenuTitle + "' | head -n 1").empty();
  }

  void expectDesktopGivenBack() {
    EXPECT_TRUE(session_->waitFor([&] { return currentMode(*session_) == "1024x768"; }, 2000))
        << currentMode(*session_);
    EXPECT_TRUE(session_->waitFor([&] { return taskbarViewable(*session_); }, 2000));
    EXPECT_EQ(pointerMap(*session_), "1 2 3 ");
  }

  double lastDifference_ = 1.0;
  fs::path folder_;
  std::unique_ptr<ChildProcess> menu_;
};

TEST_F(MenuEndToEnd, ReachesTheLanguageScreenAndSigtermGivesTheDesktopBack) {
  session_->run("xmodmap -e 'pointer = 3 2 1'");
  startMenu();
  ASSERT_TRUE(session_->waitFor([&] { return menuWindowExists(); }, 10000));
  EXPECT_TRUE(session_->waitFor([&] { return currentMode(*session_) == "800x600"; }, 5000));
  // tint2 maps itself again after a mode change; the menu hides it again at once.
  EXPECT_TRUE(session_->waitFor([&] { return !taskbarViewable(*session_); }, 2000));
  EXPECT_TRUE(session_->waitFor([&] { return screenShows("m4.jpg"); }, 10000))
      << "language screen; difference " << lastDifference_ << "; log: " << readFile((folder_ / "menu.log").string());
  EXPECT_TRUE(session_->waitFor([&] { return !taskbarViewable(*session_); }, 2000)) << "the taskbar stays hidden";

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
  EXPECT_EQ(currentMode(*session_), "800x600");
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
  ASSERT_TRUE(session_->waitFor([&] { return currentMode(*session_) == "800x600"; }, 5000));
  // The window manager's close (openbox binds Alt+F4 to it).
  session_->run("xdotool search --name '" + kMenuTitle + "' | head -n 1 | "
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
