// The main form on test doubles: a second copy ends before it touches the desktop and
// leaves nothing behind; the first copy holds Ctrl+Alt+Z until it goes.
#include <gtest/gtest.h>

#include "components/oneinstance.h"
#include "mainmenu/menu_fixture.h"

namespace tov::test {
namespace {

constexpr FakeHotKey::Combination kCtrlAltZ{0x5A, kModControl | kModAlt};

using SecondCopyTest = MenuTest;

TEST_F(SecondCopyTest, SecondCopyEndsWithCodeZeroHavingChangedNothing) {
  writeFrames({"m1.jpg"});
  platform.instanceLock.running = true;
  platform.pointer.swapped = true;  // the first copy's left-handed pupil
  try {
    createForm();
    FAIL() << "the second copy built its form";
  } catch (const FakeInstanceLock::Halted& halt) {
    EXPECT_EQ(halt.exitCode, 0);
  }
  EXPECT_EQ(platform.windowActivator.activations, std::vector<std::string>{kApplicationTitle});
  EXPECT_TRUE(platform.pointer.calls.empty()) << "the mouse buttons were set";
  EXPECT_TRUE(platform.pointer.swapped);
  EXPECT_TRUE(platform.taskbar.calls.empty());
  EXPECT_TRUE(platform.display.changes.empty());
  EXPECT_TRUE(platform.hotKey.held.empty());
  EXPECT_EQ(platform.hotKey.targetCount(), 0);
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(TOneInstance::LiveCount(), 0);
}

TEST_F(SecondCopyTest, FirstCopyHoldsTheHotKeyForItsLifetime) {
  writeFrames({"m1.jpg"});
  RecordingForm& menu = createForm();
  EXPECT_TRUE(platform.windowActivator.activations.empty());
  ASSERT_EQ(platform.hotKey.held.count(kCtrlAltZ), 1u);
  EXPECT_EQ(menu.GlobalHotKey2.HotKey(), 49242);
  EXPECT_EQ(platform.taskbar.calls.front(), "find") << "the desktop is taken after the check";

  EXPECT_TRUE(platform.hotKey.press(kCtrlAltZ)) << "the press reaches the menu";
  EXPECT_TRUE(messages.empty()) << "and does nothing there";
  form.reset();
  EXPECT_TRUE(platform.hotKey.held.empty());
  EXPECT_EQ(platform.hotKey.targetCount(), 0);
}

}  // namespace
}  // namespace tov::test
