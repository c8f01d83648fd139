#include "platform/x11/xrandr_display.h"

#include "desktop_fixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <regex>

namespace tov::x11 {
namespace {

using test::lastModeOf;
using test::linesOf;

TEST(RefreshRate, IsTheRoundedFieldRateOfTheTimings) {
  struct Case {
    std::uint64_t dotClock;
    std::uint32_t hTotal, vTotal;
    bool interlaced, doubleScan;
    std::uint32_t hertz;
  };
  const Case cases[] = {
      {78750000, 1312, 800, false, false, 75},  // 75.03
      {40000000, 1056, 628, false, false, 60},  // 60.32
      {49500000, 1056, 625, false, false, 75},
      {56250000, 1048, 631, false, false, 85},  // 85.06
      {74250000, 2200, 1125, true, false, 60},  // 1080i: 30 frames, 60 fields
      {10000000, 500, 400, false, true, 25},
      {40000000, 0, 628, false, false, 0},      // timings that give no rate
      {40000000, 1056, 0, false, false, 0},
  };
  for (const Case& c : cases)
    EXPECT_EQ(refreshRate(c.dotClock, c.hTotal, c.vTotal, c.interlaced, c.doubleScan), c.hertz)
        << c.dotClock << " " << c.hTotal << "x" << c.vTotal;
}

TEST(ScreenGeometry, QuarterTurnsSwapTheSizeAndMillimetresKeepTheDotPitch) {
  EXPECT_EQ(rotatedSize(800, 600, 0), (ScreenSize{800, 600}));
  EXPECT_EQ(rotatedSize(800, 600, 1), (ScreenSize{600, 800}));
  EXPECT_EQ(rotatedSize(800, 600, 2), (ScreenSize{800, 600}));
  EXPECT_EQ(rotatedSize(800, 600, 3), (ScreenSize{600, 800}));
  EXPECT_EQ(proportionalMillimetres(800, 1024, 270), 211u);
  EXPECT_EQ(proportionalMillimetres(1024, 1024, 270), 270u);  // back where it was, exactly
  EXPECT_EQ(proportionalMillimetres(800, 0, 0), 212u);        // no size announced: 96 dpi
  EXPECT_EQ(proportionalMillimetres(1, 4000, 1), 1u);         // never zero: the server refuses it
}

struct VerboseMode {
  unsigned long id;
  double hertz;
};

// The primary output's modes as `xrandr --verbose` lists them, in the output's order.
std::vector<VerboseMode> xrandrModes(test::XSession& session) {
  const std::regex modeLine(R"(^  \S+ \((0x[0-9a-f]+)\))");
  const std::regex clock(R"(^\s+v:.*clock\s+([0-9.]+)Hz)");
  std::vector<VerboseMode> modes;
  bool inPrimary = false;
  for (const std::string& line : linesOf(session.run("xrandr --verbose"))) {
    std::smatch match;
    if (line[0] != ' ' && line[0] != '\t') inPrimary = line.find(" connected primary") != std::string::npos;
    else if (inPrimary && std::regex_search(line, match, modeLine))
      modes.push_back({std::stoul(match[1], nullptr, 16), 0});
    else if (inPrimary && !modes.empty() && std::regex_search(line, match, clock))
      modes.back().hertz = std::stod(match[1]);
  }
  return modes;
}

std::vector<DisplayMode> enumerate(IDisplay& display) {
  std::vector<DisplayMode> modes;
  DisplayMode mode;
  for (std::uint32_t i = 0; display.enumMode(i, mode); ++i) modes.push_back(mode);
  return modes;
}

std::string screenLine(test::XSession& session) {
  return linesOf(session.run("xrandr"))[0];
}

std::string screenDimensions(test::XSession& session) {
  for (const std::string& line : linesOf(session.run("xdpyinfo")))
    if (line.find("dimensions:") != std::string::npos) return line.substr(line.find(':') + 1);
  return {};
}

TEST(XRandrDisplay, ReportsTheModeTheDesktopStartsIn) {
  TOV_USE_DUMMY_DESKTOP(desktop);
  IDisplay& display = *desktop.platform->services().display;
  EXPECT_EQ(display.currentCaps(), (DeviceCaps{75, 1024, 768, 32}));
  DisplayMode current;
  ASSERT_TRUE(display.currentMode(current));
  EXPECT_EQ(current.width, 1024u);
  EXPECT_EQ(current.height, 768u);
  EXPECT_EQ(current.frequency, 75u);
  EXPECT_EQ(current.bitsPerPel, 32u);
  EXPECT_EQ(current.orientation, 0);
  EXPECT_NE(current.nativeId, 0u);
}

TEST(XRandrDisplay, EnumeratesTheOutputsModesInItsOrderWithRoundedRefresh) {
  TOV_USE_DUMMY_DESKTOP(desktop);
  const std::vector<DisplayMode> modes = enumerate(*desktop.platform->services().display);
  const std::vector<VerboseMode> expected = xrandrModes(*desktop.session);
  ASSERT_FALSE(expected.empty());
  ASSERT_EQ(modes.size(), expected.size());
  for (std::size_t i = 0; i < modes.size(); ++i) {
    EXPECT_EQ(modes[i].nativeId, expected[i].id) << "mode " << i;
    EXPECT_EQ(modes[i].frequency, std::lround(expected[i].hertz)) << "mode " << i;
    EXPECT_EQ(modes[i].bitsPerPel, 32u);
    EXPECT_EQ(modes[i].orientation, 0);
  }
  for (auto [width, height, hertz] : {std::tuple{1024u, 768u, 75u}, {800u, 600u, 60u}, {800u, 600u, 75u}})
    EXPECT_NE(lastModeOf(*desktop.platform->services().display, width, height, hertz).nativeId, 0u)
        << width << "x" << height << " at " << hertz;
}

// Mode 0 reads the output's modes anew; the later numbers answer from that reading.
TEST(XRandrDisplay, EnumeratingFromModeZeroSeesModesAddedSinceTheLastEnumeration) {
  TOV_USE_DUMMY_DESKTOP(desktop);
  IDisplay& display = *desktop.platform->services().display;
  const std::size_t before = enumerate(display).size();
  desktop.session->run("xrandr --newmode tov-640x480 25.175 640 656 752 800 480 490 492 525 -hsync -vsync; "
                       "xrandr --addmode DUMMY0 tov-640x480");
  const std::vector<DisplayMode> after = enumerate(display);
  desktop.session->run("xrandr --delmode DUMMY0 tov-640x480; xrandr --rmmode tov-640x480");
  ASSERT_EQ(after.size(), before + 1);
  EXPECT_EQ(after.back().width, 640u);
  EXPECT_EQ(after.back().height, 480u);
}

TEST(XRandrDisplay, SwitchesTo800x600At75HzAndBack) {
  TOV_USE_DUMMY_DESKTOP(desktop);
  IDisplay& display = *desktop.platform->services().display;
  DisplayMode saved;
  ASSERT_TRUE(display.currentMode(saved));
  const DisplayMode wanted = lastModeOf(display, 800, 600, 75);
  ASSERT_NE(wanted.nativeId, 0u);

  ASSERT_TRUE(display.changeMode(wanted));
  display.broadcastDisplayChange();
  EXPECT_EQ(display.currentCaps(), (DeviceCaps{75, 800, 600, 32}));
  EXPECT_NE(screenLine(*desktop.session).find("current 800 x 600"), std::string::npos);
  EXPECT_NE(screenDimensions(*desktop.session).find("800x600 pixels (211x159 millimeters)"), std::string::npos);

  ASSERT_TRUE(display.changeMode(saved));
  EXPECT_EQ(display.currentCaps(), (DeviceCaps{75, 1024, 768, 32}));
  EXPECT_NE(screenLine(*desktop.session).find("current 1024 x 768"), std::string::npos);
  EXPECT_NE(screenDimensions(*desktop.session).find("1024x768 pixels (270x203 millimeters)"), std::string::npos);
}

TEST(XRandrDisplay, RefusesModesItCannotSetAndLeavesTheDisplayAlone) {
  TOV_USE_DUMMY_DESKTOP(desktop);
  IDisplay& display = *desktop.platform->services().display;
  const DisplayMode good = lastModeOf(display, 800, 600, 75);
  ASSERT_NE(good.nativeId, 0u);
  struct Case {
    const char* what;
    DisplayMode mode;
  };
  DisplayMode otherDepth = good, unknownId = good, otherSize = good, badOrientation = good;
  otherDepth.bitsPerPel = 16;
  unknownId.nativeId = 0x7ffffff0;
  otherSize.width = 640;
  badOrientation.orientation = 4;
  for (const Case& c : {Case{"16 bits", otherDepth}, Case{"unknown mode", unknownId},
                        Case{"size not the mode's", otherSize}, Case{"orientation 4", badOrientation}}) {
    EXPECT_FALSE(display.changeMode(c.mode)) << c.what;
    EXPECT_EQ(display.currentCaps(), (DeviceCaps{75, 1024, 768, 32})) << c.what;
  }
}

}  // namespace
}  // namespace tov::x11
