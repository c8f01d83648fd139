#include "desktop_fixture.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <sstream>

#include "ui/qt/qt_event_loop.h"

namespace tov::test {

QCoreApplication& qtApplication() {
  static int argc = 1;
  static char name[] = "platform_x11_tests";
  static char* argv[] = {name, nullptr};
  static QCoreApplication application(argc, argv);
  static qt::InstalledQtEventLoop loop;
  return application;
}

namespace {

std::unique_ptr<Desktop> sharedDesktop;

// Ends the platform before its server, after the last test.
class DesktopEnvironment : public ::testing::Environment {
 public:
  void TearDown() override {
    if (sharedDesktop) {
      sharedDesktop->platform.reset();
      sharedDesktop->session.reset();
    }
  }
};
[[maybe_unused]] ::testing::Environment* const desktopEnvironment =
    ::testing::AddGlobalTestEnvironment(new DesktopEnvironment);

}  // namespace

std::unique_ptr<X11Platform> connectPlatform(XSession& session, std::string* whyNot) {
  qtApplication();
  return X11Platform::open(whyNot, session.display().c_str());
}

Desktop& dummyDesktop() {
  if (sharedDesktop) return *sharedDesktop;
  sharedDesktop = std::make_unique<Desktop>();
  sharedDesktop->session = XSession::start(
      {.xorgDummy = true, .windowManager = true, .taskbar = true}, &sharedDesktop->whyNot);
  if (sharedDesktop->session)
    sharedDesktop->platform = connectPlatform(*sharedDesktop->session, &sharedDesktop->whyNot);
  return *sharedDesktop;
}

void spinEventLoop(int ms) {
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
}

bool waitWithEvents(XSession& session, const std::function<bool()>& condition, int timeoutMs) {
  return session.waitFor(
      [&] {
        spinEventLoop(20);
        return condition();
      },
      timeoutMs);
}

DisplayMode lastModeOf(IDisplay& display, std::uint32_t width, std::uint32_t height,
                       std::uint32_t hertz) {
  DisplayMode found, mode;
  for (std::uint32_t i = 0; display.enumMode(i, mode); ++i)
    if (mode.width == width && mode.height == height && mode.frequency == hertz) found = mode;
  return found;
}

std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);)
    if (!line.empty()) lines.push_back(line);
  return lines;
}

}  // namespace tov::test
