#pragma once
// The real menu as the end-to-end tests run it: its build, demo folder copy, title and controls.

#include <cstdlib>
#include <filesystem>
#include <string>

#include "support/x_session.h"

namespace tov::test {

// Inline, so that it is set before any test file's own constants made from it.
inline const std::string kBuildDir =
    std::getenv("TOVALEER_BUILD_DIR") ? std::getenv("TOVALEER_BUILD_DIR") : ".";
// The menu window's title as an xdotool search pattern.
inline const std::string kMenuTitle = "^Tovaleer! Gr4-5 v4.2$";

struct Point {
  int x, y;
};

// Middles of the controls, in screen pixels of the 800 x 600 window at 0, 0.
constexpr Point kEnglish{464 + 241 / 2, 228 + 57 / 2};
constexpr Point kLeftHand{537 + 43 / 2, 411 + 35 / 2};

// PREFIX-PID-TEST under the system's temporary folder, for the test that runs now; not made.
std::filesystem::path folderForThisTest(const std::string& prefix);
// Replaces folder with a fresh copy of the demo program folder that the build made.
void copyDemoFolder(const std::filesystem::path& folder);
// A shell command that runs the menu in folder, its program folder.
std::string menuCommand(const std::filesystem::path& folder);

// Root-mean-square difference, 0 to 1, between a region ("[WxH+X+Y]") of the screen and of
// a frame of the copied demo folder; 1 when they cannot be compared. The screenshot is left
// in folder/shot.png.
double frameDifference(XSession& session, const std::filesystem::path& folder, const std::string& frame,
                       const std::string& region);

// Moves the pointer to at and clicks the physical button.
void clickAt(XSession& session, Point at, int button = 1);

}  // namespace tov::test
