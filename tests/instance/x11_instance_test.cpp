// The X11 hot keys and the finding of the first copy's window, on Xvfb without a window
// manager. A second connection of this test plays the other program on the desktop.
// GoogleTest and Qt come before Xlib, whose macros (None, Bool) would break them.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>

#include <functional>

#include "platform/x11/x11_connection.h"
#include "platform/x11/x11_hotkey.h"
#include "platform/x11/x11_window_activator.h"
#include "support/x_session.h"
#include "ui/qt/qt_event_loop.h"

#include <X11/Xlib.h>
#include <X11/keysym.h>

namespace tov::x11 {
namespace {

using test::XSession;

constexpr unsigned kCtrlAlt = kModControl | kModAlt;
constexpr unsigned kLockStates[] = {0, LockMask, Mod2Mask, LockMask | Mod2Mask};  // Num Lock is Mod2 here

QCoreApplication& qtApplication() {
  static int argc = 1;
  static char name[] = "instance_x_tests";
  static char* argv[] = {name, nullptr};
  static QCoreApplication application(argc, argv);
  static qt::InstalledQtEventLoop loop;
  return application;
}

class X11InstanceTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { session_ = XSession::start({.xorgDummy = false}, &whyNot_).release(); }
  static void TearDownTestSuite() {
    delete session_;
    session_ = nullptr;
  }

  void SetUp() override {
    TOV_SKIP_WITHOUT_X(session_, whyNot_);
    qtApplication();
    std::string why;
    ours_ = Connection::open(session_->display().c_str(), &why);
    ASSERT_TRUE(ours_) << why;
    theirs_ = Connection::open(session_->display().c_str(), &why);
    ASSERT_TRUE(theirs_) << why;
  }

  // Whether the other program could take the key with exactly these modifiers now; it lets
  // go of it again at once.
  bool othersCanGrab(KeySym keysym, unsigned modifiers) {
    Display* display = theirs_->display();
    const int keycode = XKeysymToKeycode(display, keysym);
    Connection::ErrorTrap trap(*theirs_);
    XGrabKey(display, keycode, modifiers, theirs_->root(), False, GrabModeAsync, GrabModeAsync);
    const bool grabbed = !trap.failed();
    if (grabbed) XUngrabKey(display, keycode, modifiers, theirs_->root());
    XSync(display, False);
    return grabbed;
  }

  bool heldInEveryLockState(KeySym keysym, unsigned modifiers) {
    for (unsigned lock : kLockStates)
      if (othersCanGrab(keysym, modifiers | lock)) return false;
    return true;
  }

  bool freeInEveryLockState(KeySym keysym, unsigned modifiers) {
    for (unsigned lock : kLockStates)
      if (!othersCanGrab(keysym, modifiers | lock)) return false;
    return true;
  }

  bool serveUntil(const std::function<bool()>& condition, int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
      if (clock.elapsed() > timeoutMs) return false;
      QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 20);
    }
    return true;
  }

  static XSession* session_;
  static std::string whyNot_;
  std::unique_ptr<Connection> ours_;
  std::unique_ptr<Connection> theirs_;
};

XSession* X11InstanceTest::session_ = nullptr;
std::string X11InstanceTest::whyNot_;

// Each combination is taken in every lock state, and nothing beside it, until let go.
TEST_F(X11InstanceTest, ACombinationIsHeldInEveryLockStateUntilLetGo) {
  X11HotKey hotKeys(*ours_);
  const int target = hotKeys.addTarget({});
  struct Case {
    unsigned virtualKey, modifiers;
    KeySym keysym;
    unsigned xModifiers;
  };
  const Case cases[] = {
      {'A', kModShift, XK_a, ShiftMask},
      {0x70, kModAlt, XK_F1, Mod1Mask},
      {'7', kModControl | kModShift, XK_7, ControlMask | ShiftMask},
      {0x25, kModControl, XK_Left, ControlMask},
      {'Z', kCtrlAlt, XK_z, ControlMask | Mod1Mask},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(hotKeys.registerKey(target, c.virtualKey, c.modifiers)) << c.virtualKey;
    EXPECT_TRUE(heldInEveryLockState(c.keysym, c.xModifiers)) << c.virtualKey;
    EXPECT_TRUE(othersCanGrab(c.keysym, c.xModifiers ^ ShiftMask)) << c.virtualKey;
  }
  EXPECT_TRUE(hotKeys.unregisterKey(target));
  EXPECT_FALSE(hotKeys.unregisterKey(target));
  EXPECT_TRUE(freeInEveryLockState(XK_z, ControlMask | Mod1Mask));
  EXPECT_FALSE(hotKeys.registerKey(target, 0, kCtrlAlt)) << "no key";
  EXPECT_FALSE(hotKeys.registerKey(target, 0xFF, kCtrlAlt)) << "a code without a key here";
}

TEST_F(X11InstanceTest, ACombinationHeldElsewhereIsRefusedAndNothingOfItIsTaken) {
  Display* display = theirs_->display();
  const int z = XKeysymToKeycode(display, XK_z);
  // The other program holds only the plain state.
  XGrabKey(display, z, ControlMask | Mod1Mask, theirs_->root(), False, GrabModeAsync, GrabModeAsync);
  XSync(display, False);

  X11HotKey hotKeys(*ours_);
  const int target = hotKeys.addTarget({});
  EXPECT_FALSE(hotKeys.registerKey(target, 'Z', kCtrlAlt));
  EXPECT_FALSE(hotKeys.unregisterKey(target));
  EXPECT_TRUE(othersCanGrab(XK_z, ControlMask | Mod1Mask | LockMask)) << "a lock state stayed taken";
  EXPECT_TRUE(othersCanGrab(XK_z, ControlMask | Mod1Mask | Mod2Mask));

  XUngrabKey(display, z, ControlMask | Mod1Mask, theirs_->root());
  XSync(display, False);
  EXPECT_TRUE(hotKeys.registerKey(target, 'Z', kCtrlAlt)) << "free again";
}

TEST_F(X11InstanceTest, AChangedCombinationAndTheEndLetGoOfWhatWasHeld) {
  {
    X11HotKey hotKeys(*ours_);
    const int first = hotKeys.addTarget({});
    const int second = hotKeys.addTarget({});
    ASSERT_TRUE(hotKeys.registerKey(first, 'Z', kCtrlAlt));
    ASSERT_TRUE(hotKeys.registerKey(first, 'Y', kCtrlAlt));
    EXPECT_TRUE(freeInEveryLockState(XK_z, ControlMask | Mod1Mask)) << "the old combination stayed taken";
    ASSERT_TRUE(hotKeys.registerKey(second, 'Q', kCtrlAlt));
    hotKeys.removeTarget(first);
    EXPECT_TRUE(freeInEveryLockState(XK_y, ControlMask | Mod1Mask));
    EXPECT_TRUE(heldInEveryLockState(XK_q, ControlMask | Mod1Mask));
  }
  EXPECT_TRUE(freeInEveryLockState(XK_q, ControlMask | Mod1Mask)) << "held after the hot keys went";
}

TEST_F(X11InstanceTest, APressReachesItsTargetWhateverCapsLockSays) {
  X11HotKey hotKeys(*ours_);
  int zPresses = 0, yPresses = 0;
  const int z = hotKeys.addTarget([&] { ++zPresses; });
  const int y = hotKeys.addTarget([&] { ++yPresses; });
  ASSERT_TRUE(hotKeys.registerKey(z, 'Z', kCtrlAlt));
  ASSERT_TRUE(hotKeys.registerKey(y, 'Y', kCtrlAlt));

  session_->run("xdotool key ctrl+alt+z");
  EXPECT_TRUE(serveUntil([&] { return zPresses == 1; }, 5000));
  session_->run("xdotool key Caps_Lock ctrl+alt+z Caps_Lock");
  EXPECT_TRUE(serveUntil([&] { return zPresses == 2; }, 5000)) << "not taken with Caps Lock on";
  session_->run("xdotool key ctrl+alt+y");
  EXPECT_TRUE(serveUntil([&] { return yPresses == 1; }, 5000));
  EXPECT_EQ(zPresses, 2);
}

// The first copy's window as this test makes it: a plain top-level window.
Window makeWindow(Connection& connection, bool mapped) {
  Display* display = connection.display();
  const Window window = XCreateSimpleWindow(display, connection.root(), 0, 0, 200, 100, 0, 0, 0);
  if (mapped) XMapWindow(display, window);
  XSync(display, False);
  return window;
}

bool viewable(Connection& connection, Window window) {
  XWindowAttributes attributes;
  return XGetWindowAttributes(connection.display(), window, &attributes) && attributes.map_state == IsViewable;
}

Window topmostChild(Connection& connection) {
  Window root, parent, *children = nullptr;
  unsigned count = 0;
  XQueryTree(connection.display(), connection.root(), &root, &parent, &children, &count);
  const Window top = count ? children[count - 1] : 0;
  if (children) XFree(children);
  return top;
}

TEST_F(X11InstanceTest, TheRunningCopysWindowIsFoundByTitleButNeverByItsOwnCopy) {
  X11WindowActivator first(*ours_);
  X11WindowActivator second(*theirs_);
  const Window window = makeWindow(*ours_, true);
  EXPECT_EQ(second.findMainWindow("Tovaleer Gr 45"), 0u) << "found before it was marked";
  first.markMainWindow(window, "Tovaleer Gr 45");
  EXPECT_EQ(second.findMainWindow("Tovaleer Gr 45"), window);
  EXPECT_EQ(second.findMainWindow("Tovaleer"), 0u);
  EXPECT_EQ(first.findMainWindow("Tovaleer Gr 45"), 0u) << "a copy found itself";
  XDestroyWindow(ours_->display(), window);
  XSync(ours_->display(), False);
  EXPECT_FALSE(second.activate("Tovaleer Gr 45")) << "a window that is gone";
}

TEST_F(X11InstanceTest, WithoutAWindowManagerTheWindowIsMappedAndRaised) {
  X11WindowActivator first(*ours_);
  X11WindowActivator second(*theirs_);
  const Window hidden = makeWindow(*ours_, false);
  first.markMainWindow(hidden, "Tovaleer Gr 45");
  const Window other = makeWindow(*theirs_, true);
  ASSERT_EQ(topmostChild(*ours_), other);

  EXPECT_TRUE(second.activate("Tovaleer Gr 45"));
  EXPECT_TRUE(viewable(*ours_, hidden));
  EXPECT_EQ(topmostChild(*ours_), hidden);
  XDestroyWindow(ours_->display(), hidden);
  XDestroyWindow(theirs_->display(), other);
  XSync(ours_->display(), False);
  XSync(theirs_->display(), False);
}

}  // namespace
}  // namespace tov::x11
