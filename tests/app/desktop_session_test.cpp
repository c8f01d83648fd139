// Which desktop's services the menu takes.
#include "app/desktop_session.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace tov {
namespace {

TEST(DesktopSession, TheUsersToolkitChoiceThenTheSessionsOwnVariablesDecide) {
  struct Case {
    std::map<std::string, std::string> environment;
    DesktopSession expected;
  };
  const Case cases[] = {
      {{{"DISPLAY", ":0"}}, DesktopSession::X11},
      {{}, DesktopSession::X11},
      {{{"DISPLAY", ":0"}, {"WAYLAND_DISPLAY", "wayland-0"}}, DesktopSession::Wayland},
      {{{"DISPLAY", ":0"}, {"WAYLAND_DISPLAY", ""}}, DesktopSession::X11},
      {{{"XDG_SESSION_TYPE", "wayland"}}, DesktopSession::Wayland},
      {{{"XDG_SESSION_TYPE", "x11"}, {"DISPLAY", ":0"}}, DesktopSession::X11},
      {{{"WAYLAND_DISPLAY", "wayland-0"}, {"QT_QPA_PLATFORM", "xcb"}}, DesktopSession::X11},
      {{{"DISPLAY", ":0"}, {"QT_QPA_PLATFORM", "wayland-egl"}}, DesktopSession::Wayland},
      {{{"WAYLAND_DISPLAY", "wayland-0"}, {"QT_QPA_PLATFORM", "offscreen"}}, DesktopSession::Wayland},
  };
  for (const Case& c : cases) {
    const auto lookup = [&](const char* name) -> const char* {
      const auto it = c.environment.find(name);
      return it == c.environment.end() ? nullptr : it->second.c_str();
    };
    std::string described;
    for (const auto& [name, value] : c.environment) described += name + "=" + value + " ";
    EXPECT_EQ(chooseDesktopSession(lookup), c.expected) << described;
  }
}

TEST(DesktopSession, GnomeIsOneOfTheDesktopsTheSessionNames) {
  struct Case {
    const char* desktops;
    bool gnome;
  };
  const Case cases[] = {{"GNOME", true}, {"ubuntu:GNOME", true}, {"GNOME-Flashback:GNOME", true},
                        {"GNOME-Flashback", false}, {"KDE", false}, {"", false}, {nullptr, false}, {"XGNOME:sway", false}};
  for (const Case& c : cases) {
    const auto lookup = [&](const char*) { return c.desktops; };
    EXPECT_EQ(isGnomeDesktop(lookup), c.gnome) << (c.desktops ? c.desktops : "(unset)");
  }
}

}  // namespace
}  // namespace tov
