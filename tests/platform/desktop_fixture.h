#pragma once
// One X desktop for the whole test program, started when a test first asks for it and
// ended after the last test: Xorg with the dummy driver at 1024x768 and 75 Hz, openbox and
// tint2, with an X11Platform connected to it.

#include "platform/x11/x11_platform.h"
#include "support/x_session.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QCoreApplication;

namespace tov::test {

using tov::DisplayMode;
using tov::IDisplay;

struct Desktop {
  std::unique_ptr<XSession> session;
  std::unique_ptr<X11Platform> platform;
  std::string whyNot;  // why there is none
};

Desktop& dummyDesktop();

// Qt's application object for this test program, made on first use.
QCoreApplication& qtApplication();

// Connects a platform to session (Qt's application object is made first).
std::unique_ptr<X11Platform> connectPlatform(XSession& session, std::string* whyNot);

// Runs the Qt event loop for ms milliseconds.
void spinEventLoop(int ms);
// Runs the Qt event loop until condition holds; tells whether it did within timeoutMs.
bool waitWithEvents(XSession& session, const std::function<bool()>& condition, int timeoutMs);

// The last enumerated mode of that size and refresh, as the menu picks it; nativeId 0
// when there is none.
DisplayMode lastModeOf(IDisplay& display, std::uint32_t width, std::uint32_t height,
                       std::uint32_t hertz);

// The lines of text, without empty ones.
std::vector<std::string> linesOf(const std::string& text);

}  // namespace tov::test

// In a test that needs the shared desktop: binds desktop, or skips.
#define TOV_USE_DUMMY_DESKTOP(desktop)                         \
  ::tov::test::Desktop& desktop = ::tov::test::dummyDesktop(); \
  TOV_SKIP_WITHOUT_X(desktop.platform, desktop.whyNot)
