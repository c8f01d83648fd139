#include "platform/x11/x11_taskbar.h"

#include "desktop_fixture.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace tov::x11 {
namespace {

using test::linesOf;
using test::spinEventLoop;
using test::waitWithEvents;
using test::XSession;

std::vector<std::string> tint2Windows(XSession& session, bool onlyViewable) {
  return linesOf(session.run(std::string("xdotool search ") +
                             (onlyViewable ? "--onlyvisible " : "") + "--classname '^tint2$'"));
}

std::string widthOf(XSession& session, const std::string& window) {
  for (const std::string& line : linesOf(session.run("xwininfo -id " + window)))
    if (line.find("Width:") != std::string::npos) return line.substr(line.find(':') + 2);
  return {};
}

std::string hex(TaskbarHandle window) {
  char text[32];
  std::snprintf(text, sizeof text, "0x%llx", static_cast<unsigned long long>(window));
  return text;
}

// tint2 may make its panel anew when the screen changes: any of its windows counts.
bool aTint2PanelIsWide(XSession& session, const std::string& width) {
  for (const std::string& window : tint2Windows(session, false))
    if (widthOf(session, window) == width) return true;
  return false;
}

bool openboxManagesATint2Panel(XSession& session) {
  const std::string clients = session.run("xprop -root _NET_CLIENT_LIST");
  for (const std::string& window : tint2Windows(session, true))
    if (clients.find(hex(std::stoull(window))) != std::string::npos) return true;
  return false;
}

// While the docks are hidden, another panel starts: it is hidden as it appears, and
// mapped with the others at the end.
void expectNewDockHiddenAndShownAtTheEnd(XSession& session, ITaskbar& taskbar) {
  const TaskbarHandle handle = taskbar.find();
  ASSERT_NE(handle, 0u);
  taskbar.hide(handle);
  ASSERT_TRUE(waitWithEvents(session, [&] { return tint2Windows(session, true).empty(); }, 5000));

  std::string whyNot;
  auto secondPanel = session.launch({"tint2", "-c", session.directory() + "/tint2rc"},
                                    session.directory() + "/second-tint2.out", &whyNot);
  ASSERT_TRUE(secondPanel) << whyNot;
  ASSERT_TRUE(waitWithEvents(session, [&] { return tint2Windows(session, false).size() == 2; }, 10000))
      << test::readFile(session.directory() + "/second-tint2.out");
  spinEventLoop(1000);
  EXPECT_EQ(tint2Windows(session, true), std::vector<std::string>{});

  taskbar.show(handle);
  EXPECT_TRUE(waitWithEvents(session, [&] { return tint2Windows(session, true).size() == 2; }, 5000));
  secondPanel->terminate();
  EXPECT_TRUE(waitWithEvents(session, [&] { return tint2Windows(session, false).size() == 1; }, 5000));
}

TEST(X11Taskbar, KeepsTint2HiddenWhileTheDisplayChangesAndGivesItBack) {
  TOV_USE_DUMMY_DESKTOP(desktop);
  XSession& session = *desktop.session;
  ITaskbar& taskbar = *desktop.platform->services().taskbar;
  IDisplay& display = *desktop.platform->services().display;
  // An earlier test may have switched the display to and fro moments ago: tint2 first
  // settles at the screen's width, or its answer to that switch would be taken for ours. It
  // may make its panel anew meanwhile, so the panel is looked for until it stands so.
  TaskbarHandle handle = 0;
  ASSERT_TRUE(waitWithEvents(session, [&] {
    handle = taskbar.find();
    return handle != 0 && widthOf(session, hex(handle)) == "1024";
  }, 10000)) << "no panel at the screen's width: " << handle << " " << widthOf(session, hex(handle)) << " mapped " << tint2Windows(session, true).size() << " all " << tint2Windows(session, false).size() << " " << session.run("xrandr --current | head -1");
  const std::string panel = hex(handle);
  EXPECT_NE(session.run("xprop -id " + panel + " _NET_WM_WINDOW_TYPE").find("_NET_WM_WINDOW_TYPE_DOCK"),
            std::string::npos);
  taskbar.hide(handle);
  ASSERT_TRUE(waitWithEvents(session, [&] { return tint2Windows(session, true).empty(); }, 5000));

  // tint2 fits itself to the new screen (its panel, or a new one) and maps itself again; it
  // must stay hidden.
  DisplayMode saved;
  ASSERT_TRUE(display.currentMode(saved));
  for (const auto& [mode, width] : {std::pair{test::lastModeOf(display, 800, 600, 75), "800"},
                                    std::pair{saved, "1024"}}) {
    ASSERT_TRUE(display.changeMode(mode));
    display.broadcastDisplayChange();
    EXPECT_TRUE(waitWithEvents(session, [&] { return aTint2PanelIsWide(session, width); }, 10000))
        << "tint2 did not follow the screen to width " << width;
    spinEventLoop(1000);
    EXPECT_EQ(tint2Windows(session, true), std::vector<std::string>{}) << "at width " << width;
  }

  taskbar.show(handle);
  EXPECT_TRUE(waitWithEvents(session, [&] { return !tint2Windows(session, true).empty(); }, 5000));
  // openbox manages it again, as before.
  EXPECT_TRUE(waitWithEvents(session, [&] { return openboxManagesATint2Panel(session); }, 5000));
}

TEST(X11Taskbar, NullHandleLeavesTheTaskbarAlone) {
  TOV_USE_DUMMY_DESKTOP(desktop);
  ITaskbar& taskbar = *desktop.platform->services().taskbar;
  taskbar.hide(0);
  spinEventLoop(300);
  EXPECT_EQ(tint2Windows(*desktop.session, true).size(), 1u);
  taskbar.show(0);
}

TEST(X11Taskbar, HidesNewDocksUnderAWindowManager) {
  TOV_USE_DUMMY_DESKTOP(desktop);
  expectNewDockHiddenAndShownAtTheEnd(*desktop.session, *desktop.platform->services().taskbar);
}

TEST(X11Taskbar, HidesDocksWithoutAWindowManager) {
  std::string whyNot;
  auto session = XSession::start({.xorgDummy = false, .windowManager = false, .taskbar = true}, &whyNot);
  TOV_SKIP_WITHOUT_X(session, whyNot);
  auto platform = test::connectPlatform(*session, &whyNot);
  ASSERT_TRUE(platform) << whyNot;
  expectNewDockHiddenAndShownAtTheEnd(*session, *platform->services().taskbar);
}

}  // namespace
}  // namespace tov::x11
