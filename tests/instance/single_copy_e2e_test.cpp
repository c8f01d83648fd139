// The real program in a copy of the demo program folder on Xorg with openbox and tint2: a
// second start brings the first copy forward and ends at once, leaving the desktop as the
// first copy made it; Ctrl+Alt+Z belongs to the menu while it runs and to others after it.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>

#include "support/desktop_state.h"
#include "support/real_menu.h"
#include "support/shell_text.h"

// Last: Xlib's macros (None, Bool) would break the headers above.
#include <X11/Xlib.h>
#include <X11/keysym.h>

namespace tov::test {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kWindowMs = 10000;

// A client of the test's own on the same server: it tries the grab another program would
// try, and has a window that shows which keys reach it.
class OtherProgram {
 public:
  explicit OtherProgram(const std::string& displayName) : display_(XOpenDisplay(displayName.c_str())) {}
  ~OtherProgram() {
    if (display_) XCloseDisplay(display_);
  }
  explicit operator bool() const { return display_ != nullptr; }

  // Whether Ctrl+Alt+Z can be taken now; it is let go of again at once.
  bool canGrabCtrlAltZ() {
    const int keycode = XKeysymToKeycode(display_, XK_z);
    failed_ = false;
    XErrorHandler previous = XSetErrorHandler([](Display*, XErrorEvent* error) {
      if (error->error_code == BadAccess) failed_ = true;
      return 0;
    });
    XGrabKey(display_, keycode, ControlMask | Mod1Mask, DefaultRootWindow(display_), False, GrabModeAsync,
             GrabModeAsync);
    XSync(display_, False);
    const bool grabbed = !failed_;
    XUngrabKey(display_, keycode, ControlMask | Mod1Mask, DefaultRootWindow(display_));
    XSync(display_, False);
    XSetErrorHandler(previous);
    return grabbed;
  }

  // A window named name that listens to the keyboard.
  unsigned long openWindow(const char* name) {
    window_ = XCreateSimpleWindow(display_, DefaultRootWindow(display_), 100, 100, 300, 200, 0, 0, 0xFFFFFF);
    XStoreName(display_, window_, name);
    XSelectInput(display_, window_, KeyPressMask);
    XMapWindow(display_, window_);
    XSync(display_, False);
    return window_;
  }

  // Whether a press of the z key has reached the window since the last call.
  bool zArrived() {
    bool arrived = false;
    XSync(display_, False);
    while (XPending(display_) > 0) {
      XEvent event;
      XNextEvent(display_, &event);
      if (event.type == KeyPress && XLookupKeysym(&event.xkey, 0) == XK_z) arrived = true;
    }
    return arrived;
  }

 private:
  static inline bool failed_ = false;
  Display* display_;
  unsigned long window_ = 0;
};

class SingleCopyEndToEnd : public DesktopSuite {
 protected:
  void SetUp() override {
    TOV_SKIP_WITHOUT_X(session_, whyNot_);
    folder_ = folderForThisTest("tovaleer-instance");
    copyDemoFolder(folder_);
  }

  void TearDown() override {
    if (second_) second_->terminate(2000);
    if (first_) first_->terminate(2000);
    if (session_) restoreDesktop(*session_);
    fs::remove_all(folder_);
  }

  std::unique_ptr<ChildProcess> startCopy(const std::string& log) {
    std::string why;
    auto copy = session_->launch({"sh", "-c", menuCommand(folder_)}, (folder_ / log).string(), &why);
    EXPECT_TRUE(copy) << why;
    return copy;
  }

  std::string windowsNamed(const std::string& pattern) {
    return trimmed(session_->run("xdotool search --name " + shellQuoted(pattern) + " 2>/dev/null"));
  }

  std::string activeWindow() { return trimmed(session_->run("xdotool getactivewindow 2>/dev/null")); }

  double difference(const std::string& frame, const std::string& region) {
    return frameDifference(*session_, folder_, frame, region);
  }

  // The first copy, its window found, at the language screen.
  std::string startFirstCopy() {
    first_ = startCopy("first.log");
    std::string window;
    EXPECT_TRUE(session_->waitFor([&] { return !(window = windowsNamed(kMenuTitle)).empty(); }, kWindowMs))
        << readFile((folder_ / "first.log").string());
    EXPECT_TRUE(session_->waitFor([&] { return difference("m4.jpg", "[700x360+50+50]") < 0.04; }, kWindowMs))
        << "no language screen";
    return window;
  }

  // The pupil chooses English and the left hand and says yes: the first copy exchanges the
  // mouse buttons for the whole desktop.
  void chooseLeftHand() {
    clickAt(*session_, kEnglish);
    ASSERT_TRUE(session_->waitFor([&] { return difference("m7e.jpg", "[700x360+50+50]") < 0.04; }, kWindowMs))
        << "no name screen";
    // The hand buttons come half a second after frame 7; a button that differs from the
    // frame shows they are there.
    ASSERT_TRUE(session_->waitFor([&] { return difference("m7e.jpg", "[43x35+537+411]") > 0.05; }, kWindowMs))
        << "the hand buttons did not appear";
    session_->run("xdotool type --delay 40 'LEFTY'");
    clickAt(*session_, kLeftHand);
    std::string box;
    ASSERT_TRUE(session_->waitFor([&] {
      box = trimmed(session_->run("xdotool search --onlyvisible --name '^Confirm$' 2>/dev/null | head -n 1"));
      return !box.empty();
    }, kWindowMs)) << "no question";
    session_->run("xdotool windowactivate --sync " + box + " key --clearmodifiers alt+y");
    const bool swapped = session_->waitFor([&] { return pointerMap(*session_) == "3 2 1 "; }, kWindowMs);
    if (!swapped) session_->run("import -window root /tmp/tovaleer-instance-last-shot.png");
    ASSERT_TRUE(swapped)
        << "the buttons were not exchanged; the screen is in /tmp/tovaleer-instance-last-shot.png";
  }

  // Starts a second copy; its exit code once it ended within two seconds of its start.
  std::optional<int> secondStart(int* elapsedMs) {
    const auto started = Clock::now();
    second_ = startCopy("second.log");
    if (!second_) return std::nullopt;
    const auto code = second_->wait(2000);
    *elapsedMs = int(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - started).count());
    RecordProperty("second_start_ms", *elapsedMs);
    if (code) second_.reset();
    return code;
  }

  void expectFirstCopysDesktop(const std::string& menu) {
    EXPECT_EQ(pointerMap(*session_), "3 2 1 ") << "the second copy put the buttons back";
    EXPECT_EQ(currentMode(*session_), "800x600");
    EXPECT_FALSE(taskbarViewable(*session_));
    EXPECT_EQ(windowsNamed(kMenuTitle), menu) << "one menu window, the first copy's";
    EXPECT_TRUE(first_->running());
  }

  fs::path folder_;
  std::unique_ptr<ChildProcess> first_;
  std::unique_ptr<ChildProcess> second_;
};

TEST_F(SingleCopyEndToEnd, SecondStartRestoresAndRaisesTheFirstAndLeavesItsDesktop) {
  const std::string menu = startFirstCopy();
  ASSERT_FALSE(menu.empty());
  chooseLeftHand();

  // Minimised, as while an activity runs.
  session_->run("xdotool windowminimize --sync " + menu);
  ASSERT_TRUE(session_->waitFor([&] { return minimised(*session_, menu); }, kWindowMs));
  int elapsedMs = 0;
  const auto code = secondStart(&elapsedMs);
  ASSERT_TRUE(code.has_value()) << "the second copy still runs after two seconds";
  EXPECT_EQ(*code, 0);
  EXPECT_LT(elapsedMs, 2000);
  EXPECT_TRUE(session_->waitFor([&] { return normal(*session_, menu) && activeWindow() == menu; }, kWindowMs))
      << "the first copy was not restored: " << windowState(*session_, menu);
  expectFirstCopysDesktop(menu);

  // Behind another program's window.
  OtherProgram other(session_->display());
  ASSERT_TRUE(other);
  const std::string otherWindow = std::to_string(other.openWindow("other program"));
  session_->run("xdotool windowactivate --sync " + otherWindow);
  ASSERT_TRUE(session_->waitFor([&] { return activeWindow() == otherWindow; }, kWindowMs));
  const auto again = secondStart(&elapsedMs);
  ASSERT_TRUE(again.has_value());
  EXPECT_EQ(*again, 0);
  EXPECT_TRUE(session_->waitFor([&] { return activeWindow() == menu; }, kWindowMs)) << "the first copy was not raised";
  expectFirstCopysDesktop(menu);

  ::kill(first_->pid(), SIGTERM);
  ASSERT_TRUE(first_->wait(5000).has_value());
  EXPECT_EQ(pointerMap(*session_), "1 2 3 ") << "the first copy's own end gives the normal buttons back";
}

TEST_F(SingleCopyEndToEnd, CtrlAltZBelongsToTheMenuWhileItRunsAndToOthersAfter) {
  OtherProgram other(session_->display());
  ASSERT_TRUE(other);
  ASSERT_TRUE(other.canGrabCtrlAltZ()) << "taken before the menu started";
  const std::string menu = startFirstCopy();
  ASSERT_FALSE(menu.empty());
  EXPECT_FALSE(other.canGrabCtrlAltZ()) << "another program could take the menu's key";

  // Pressed with another program in front, it reaches neither that program nor anything
  // visible: the menu stays as it was.
  const std::string otherWindow = std::to_string(other.openWindow("other program"));
  session_->run("xdotool windowactivate --sync " + otherWindow);
  ASSERT_TRUE(session_->waitFor([&] { return activeWindow() == otherWindow; }, kWindowMs));
  other.zArrived();
  session_->run("xdotool key ctrl+alt+z");
  EXPECT_FALSE(session_->waitFor([&] { return other.zArrived(); }, 1000)) << "Ctrl+Alt+Z reached the other program";
  session_->run("xdotool key z");
  EXPECT_TRUE(session_->waitFor([&] { return other.zArrived(); }, kWindowMs)) << "the window has the keyboard";
  EXPECT_TRUE(first_->running());

  ::kill(first_->pid(), SIGTERM);
  ASSERT_TRUE(first_->wait(5000).has_value());
  EXPECT_TRUE(other.canGrabCtrlAltZ()) << "still taken after the menu ended";
  session_->run("xdotool windowactivate --sync " + otherWindow + " key ctrl+alt+z");
  EXPECT_TRUE(session_->waitFor([&] { return other.zArrived(); }, kWindowMs)) << "the key does not reach others again";
}

}  // namespace
}  // namespace tov::test
