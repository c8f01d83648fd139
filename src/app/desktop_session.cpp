#include "app/desktop_session.h"

#include <algorithm>
#include <cctype>
#include <string_view>

namespace tov {

namespace {
bool nonEmpty(const char* value) { return value && *value; }
}  // namespace

DesktopSession chooseDesktopSession(const std::function<const char*(const char*)>& environment) {
  const std::string_view platform = nonEmpty(environment("QT_QPA_PLATFORM")) ? environment("QT_QPA_PLATFORM") : "";
  if (platform.starts_with("xcb")) return DesktopSession::X11;
  if (platform.starts_with("wayland")) return DesktopSession::Wayland;
  if (nonEmpty(environment("WAYLAND_DISPLAY"))) return DesktopSession::Wayland;
  const char* type = environment("XDG_SESSION_TYPE");
  if (type && std::string_view(type) == "wayland") return DesktopSession::Wayland;
  return DesktopSession::X11;
}

namespace {
// Whether the list in XDG_CURRENT_DESKTOP (separated by ':') holds name; any letter case
// when caseless.
bool namesDesktop(const std::function<const char*(const char*)>& environment, std::string_view name, bool caseless) {
  const char* desktops = environment("XDG_CURRENT_DESKTOP");
  std::string_view rest = desktops ? desktops : "";
  const auto same = [caseless](char a, char b) {
    return caseless ? std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b)) : a == b;
  };
  while (!rest.empty()) {
    const std::size_t colon = rest.find(':');
    const std::string_view entry = rest.substr(0, colon);
    if (std::equal(entry.begin(), entry.end(), name.begin(), name.end(), same)) return true;
    rest = colon == std::string_view::npos ? std::string_view() : rest.substr(colon + 1);
  }
  return false;
}
}  // namespace

bool isGnomeDesktop(const std::function<const char*(const char*)>& environment) {
  return namesDesktop(environment, "GNOME", false);
}

bool isKdeDesktop(const std::function<const char*(const char*)>& environment) {
  return namesDesktop(environment, "KDE", true);
}

bool isSwayDesktop(const std::function<const char*(const char*)>& environment) {
  return nonEmpty(environment("SWAYSOCK")) || namesDesktop(environment, "sway", true);
}

}  // namespace tov
