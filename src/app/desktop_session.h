#pragma once
// Which desktop the menu runs on, decided once at start-up from what the session offers.

#include <functional>

namespace tov {

enum class DesktopSession { X11, Wayland };

// environment: getenv or a table. QT_QPA_PLATFORM, when the user has set it to one of the
// two, decides; otherwise a Wayland session (WAYLAND_DISPLAY set, or XDG_SESSION_TYPE
// "wayland") runs on Wayland, and anything else on X11.
DesktopSession chooseDesktopSession(const std::function<const char*(const char*)>& environment);

// Whether XDG_CURRENT_DESKTOP (a list separated by ':', as "ubuntu:GNOME") names GNOME.
bool isGnomeDesktop(const std::function<const char*(const char*)>& environment);
// Whether XDG_CURRENT_DESKTOP names KDE, in any letter case ("KDE", "kde").
bool isKdeDesktop(const std::function<const char*(const char*)>& environment);
// Whether the session is sway's: SWAYSOCK set, or XDG_CURRENT_DESKTOP naming sway in any case.
bool isSwayDesktop(const std::function<const char*(const char*)>& environment);

}  // namespace tov
