#pragma once
// The desktop an end-to-end suite shares: started once, read from outside, put back between tests.

#include <gtest/gtest.h>

#include <string>

#include "support/x_session.h"

namespace tov::test {

// Starts the desktop before the suite's first test and ends it after its last; a test skips
// (or fails where X tests are required) with TOV_SKIP_WITHOUT_X(session_, whyNot_).
class DesktopSuite : public ::testing::Test {
 protected:
  static void SetUpTestSuite();
  static void TearDownTestSuite();

  static XSession* session_;  // null when the desktop did not come up, or a test ended it
  static std::string whyNot_;
};

// "1024x768" as xrandr says it now; "none" when it says nothing of a current size.
std::string currentMode(XSession& session);
bool taskbarViewable(XSession& session);
// The physical buttons behind the logical ones 1 to 3: "1 2 3 ", or "3 2 1 " exchanged.
std::string pointerMap(XSession& session);

// What xprop says of the window's EWMH and ICCCM states.
std::string windowState(XSession& session, const std::string& window);
// Hidden or iconic.
bool minimised(XSession& session, const std::string& window);
// Read positively: a window whose state cannot be read is not taken for normal.
bool normal(XSession& session, const std::string& window);

// The desktop as the session started it, whatever a test left: 1024x768 at 75 Hz, the normal
// buttons, the taskbar shown (waited for, up to five seconds).
void restoreDesktop(XSession& session);

}  // namespace tov::test
