// How the menu takes the display over at creation and gives it back at destruction.
#include "mainmenu/menu_fixture.h"

namespace tov::test {
namespace {

struct DisplayCase {
  const char* name;
  DeviceCaps start;
  std::vector<DisplayMode> modes;
  const char* settingsFile;  // null: no displaysettings.txt
  bool currentReadable;
  // What must happen:
  std::vector<std::uint64_t> switchedTo;  // nativeIds asked for at creation
  const char* message;                    // null: none
  bool closeTimerArmed;
  std::vector<std::uint64_t> restoredTo;  // nativeIds asked for at destruction
};

const std::vector<DisplayMode> kMachineModes = {
    mode(1024, 768, 32, 75, 1), mode(800, 600, 32, 60, 2), mode(800, 600, 16, 75, 3),
    mode(640, 480, 32, 75, 4)};

// 800 x 600 at no depth the menu can use, at any rate.
const std::vector<DisplayMode> kNo800x600Modes = {mode(1024, 768, 32, 75, 1), mode(800, 600, 8, 60, 2),
                                                  mode(640, 480, 32, 75, 4)};

// A display of today at 100 Hz: 800 x 600 only at the older rates.
const DeviceCaps k100Hz = {100, 1920, 1080, 32};

const DisplayCase kDisplayCases[] = {
    {"AlreadyAt800x600x32", {60, 800, 600, 32}, kMachineModes, nullptr, true, {}, nullptr, false, {}},
    {"AlreadyAt800x600x8", {60, 800, 600, 8}, kMachineModes, nullptr, true, {}, kColourDepthMessage, false, {}},
    {"Only16BitKeepsThe75HzRate", {75, 1024, 768, 32}, kMachineModes, nullptr, true, {3}, nullptr, false, {999}},
    {"LaterOfTwoMatchesWins", {60, 1024, 768, 32},
     {mode(800, 600, 32, 60, 11), mode(1024, 768, 32, 60, 12), mode(800, 600, 32, 60, 13)},
     nullptr, true, {13}, nullptr, false, {999}},
    {"RotatedModeNeverChosen", {60, 1024, 768, 32},
     [] { auto m = mode(800, 600, 32, 60, 21); m.orientation = 1; return std::vector<DisplayMode>{m}; }(),
     nullptr, true, {}, kNoDisplayModeMessage, true, {}},
    {"No800x600AtEitherDepthAtAnyRate", {85, 1024, 768, 32}, kNo800x600Modes, nullptr, true, {},
     kNoDisplayModeMessage, true, {}},
    // No 800 x 600 at the present rate: the offered rate nearest it.
    {"NearestRateWhenThePresentHasNone", k100Hz,
     {mode(1920, 1080, 32, 100, 30), mode(800, 600, 32, 56, 31), mode(800, 600, 32, 85, 32),
      mode(800, 600, 32, 60, 33), mode(800, 600, 32, 75, 34)},
     nullptr, true, {32}, nullptr, false, {999}},
    {"NearestRateTieTakesTheHigher", k100Hz, {mode(800, 600, 32, 105, 41), mode(800, 600, 32, 95, 42)},
     nullptr, true, {41}, nullptr, false, {999}},
    {"NearestRateThirtyTwoBitsBeforeSixteen", k100Hz, {mode(800, 600, 16, 85, 51), mode(800, 600, 32, 60, 52)},
     nullptr, true, {52}, nullptr, false, {999}},
    {"NearestRateSixteenBitsWhenNoThirtyTwo", k100Hz, {mode(800, 600, 16, 60, 61), mode(800, 600, 16, 85, 62)},
     nullptr, true, {62}, nullptr, false, {999}},
    {"CurrentModeUnreadableIsNotRestored", {60, 1024, 768, 32}, kMachineModes, nullptr, false, {2}, nullptr, false, {}},
    {"SettingsSetYes", {60, 1024, 768, 32}, kMachineModes, "SET=YES\n", true, {2}, nullptr, false, {999}},
    {"SettingsSetYesInsideLongerText", {60, 1024, 768, 32}, kMachineModes, "# SET=YES please\r\n", true, {2}, nullptr, false, {999}},
    {"SettingsOtherText", {60, 1024, 768, 32}, kMachineModes, "SET=NO\n", true, {}, nullptr, false, {}},
    {"SettingsLowerCase", {60, 1024, 768, 32}, kMachineModes, "set=yes\n", true, {}, nullptr, false, {}},
    {"SettingsEmptyFile", {60, 1024, 768, 32}, kMachineModes, "", true, {}, nullptr, false, {}},
    {"SettingsSetYesOnSecondLineOnly", {60, 1024, 768, 32}, kMachineModes, "SET=NO\nSET=YES\n", true, {}, nullptr, false, {}},
};

std::vector<std::uint64_t> idsOf(const std::vector<DisplayMode>& modes) {
  std::vector<std::uint64_t> ids;
  for (const DisplayMode& m : modes) ids.push_back(m.nativeId);
  return ids;
}

void PrintTo(const DisplayCase& c, std::ostream* out) { *out << c.name; }

class DisplaySetup : public MenuTest, public ::testing::WithParamInterface<DisplayCase> {};

TEST_P(DisplaySetup, SwitchesAtCreationAndRestoresAtDestruction) {
  const DisplayCase& c = GetParam();
  platform.display.caps = c.start;
  platform.display.modes = c.modes;
  platform.display.currentReadable = c.currentReadable;
  if (c.settingsFile) writeFile("displaysettings.txt", c.settingsFile);

  RecordingForm& menu = createForm();
  EXPECT_EQ(idsOf(platform.display.changes), c.switchedTo);
  if (c.message) {
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, c.message);
  } else {
    EXPECT_TRUE(messages.empty());
  }
  EXPECT_EQ(menu.closetimer.Enabled(), c.closeTimerArmed);
  EXPECT_EQ(menu.closetimer.Interval(), 2500u);
  if (!c.closeTimerArmed) {
    EXPECT_EQ(menu.BoundsRect(), (Rect{0, 0, 800, 600}));
  }

  platform.display.changes.clear();
  form.reset();
  EXPECT_EQ(idsOf(platform.display.changes), c.restoredTo);
}

INSTANTIATE_TEST_SUITE_P(Cases, DisplaySetup, ::testing::ValuesIn(kDisplayCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Where the window goes when it is first shown, with the primary output right of and below
// another one (its top-left corner at 1280, 120), and whether it asks for full screen.
struct PlacementCase {
  const char* name;
  DeviceCaps start;
  const char* settingsFile;  // null: no displaysettings.txt
  QRect placed;              // where the window was put before any full-screen state
  bool fullScreen;
  std::vector<DisplayMode> modes = kMachineModes;
};

const PlacementCase kPlacementCases[] = {
    {"SwitchedFillsThePrimaryOutput", {75, 1024, 768, 32}, nullptr, QRect(1280, 120, 800, 600), true},
    {"AlreadyAt800x600FillsThePrimaryOutput", {60, 800, 600, 32}, nullptr, QRect(1280, 120, 800, 600), true},
    {"SwitchNotAllowedCentresOnThePrimaryOutput", {75, 1024, 768, 32}, "SET=NO\n",
     QRect(1280 + 112, 120 + 84, 800, 600), false},
    {"NoModeCentresTheDesignSizeOnThePrimaryOutput", {85, 1024, 768, 32}, nullptr,
     QRect(1280 + 117, 120 + 102, 790, 564), false, kNo800x600Modes},
};

void PrintTo(const PlacementCase& c, std::ostream* out) { *out << c.name; }

class WindowPlacement : public MenuTest, public ::testing::WithParamInterface<PlacementCase> {};

TEST_P(WindowPlacement, OnThePrimaryOutputAndFullScreenOnlyAfterTheSwitch) {
  const PlacementCase& c = GetParam();
  platform.display.caps = c.start;
  platform.display.modes = c.modes;
  platform.display.outputLeft = 1280;
  platform.display.outputTop = 120;
  if (c.settingsFile) writeFile("displaysettings.txt", c.settingsFile);

  RecordingForm& menu = createForm();
  menu.Show();
  EXPECT_EQ(menu.FullScreen(), c.fullScreen);
  // A full-screen window keeps where it was put as the geometry it goes back to.
  const QWidget* window = qt::widgetOf(menu);
  EXPECT_EQ(c.fullScreen ? window->normalGeometry() : window->geometry(), c.placed);
}

INSTANTIATE_TEST_SUITE_P(Cases, WindowPlacement, ::testing::ValuesIn(kPlacementCases),
                         [](const auto& info) { return std::string(info.param.name); });

// The menu minimises itself while an activity runs and comes back when it ends: still full
// screen, or a panel could stay in front of it from then on.
TEST_F(MenuTest, FullScreenOutlivesMinimisingForAnActivity) {
  platform.display.caps = {75, 1024, 768, 32};
  platform.display.modes = kMachineModes;
  RecordingForm& menu = createForm();
  menu.Show();
  ASSERT_TRUE(menu.FullScreen());
  menu.Minimize();
  ASSERT_TRUE(menu.Minimized());
  menu.Restore();
  EXPECT_FALSE(menu.Minimized());
  EXPECT_TRUE(menu.FullScreen());
  EXPECT_TRUE(menu.Visible());
}

TEST_F(MenuTest, NoModeMessageIsInformationAndTheWindowKeepsItsDesignSize) {
  platform.display.caps = {85, 1024, 768, 32};
  platform.display.modes = kNo800x600Modes;
  RecordingForm& menu = createForm();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].caption, "Information");
  EXPECT_EQ(messages[0].buttons, unsigned(mbOK));
  EXPECT_EQ(menu.Width(), 790);
  EXPECT_EQ(menu.Height(), 564);
  // The close timer's tick disables it and closes the window.
  menu.Show();
  menu.closetimerTimer();
  EXPECT_FALSE(menu.closetimer.Enabled());
  EXPECT_FALSE(menu.Visible());
}

TEST_F(MenuTest, ColourDepthMessageIsAWarning) {
  platform.display.caps = {60, 800, 600, 8};
  createForm();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].caption, "Warning");
}

TEST_F(MenuTest, RestoreOnlyWhenTheDisplayChanged) {
  platform.display.caps = {60, 1024, 768, 32};
  platform.display.modes = kMachineModes;
  RecordingForm& menu = createForm();
  ASSERT_EQ(platform.display.changes.size(), 1u);
  // Someone put the display back already: nothing to restore, and the list is gone.
  platform.display.caps = {60, 1024, 768, 32};
  platform.display.changes.clear();
  menu.RestoreDisplayMode();
  EXPECT_TRUE(platform.display.changes.empty());
  EXPECT_TRUE(menu.modeList.empty());
}

TEST_F(MenuTest, DesktopIsTakenOverInOrderAndGivenBack) {
  platform.display.caps = {60, 1024, 768, 32};
  platform.display.modes = kMachineModes;
  platform.pointer.swapped = true;
  createForm();
  EXPECT_TRUE(platform.taskbar.hidden);
  EXPECT_EQ(platform.taskbar.calls, (std::vector<std::string>{"find", "hide 7"}));
  form.reset();
  EXPECT_FALSE(platform.taskbar.hidden);
  EXPECT_EQ(platform.taskbar.calls.back(), "show 7");
  EXPECT_FALSE(platform.pointer.swapped);
  EXPECT_EQ(platform.display.caps, (DeviceCaps{60, 1024, 768, 32}));
}

TEST_F(MenuTest, NoTaskbarFoundPassesTheNullHandle) {
  platform.taskbar.handle = 0;
  createForm();
  form.reset();
  EXPECT_EQ(platform.taskbar.calls, (std::vector<std::string>{"find", "hide 0", "show 0"}));
}

}  // namespace
}  // namespace tov::test
