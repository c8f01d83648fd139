#include "app/desktop_session.h"

#include <algorithm>
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

bool isGnomeDesktop(const std::function<const char*(const char*)>& environment) {
  const char* desktops = environment("XDG_CURRENT_DESKTOP");
  std::string_view rest = desktops ? desktops : "";
  while (!rest.empty()) {
    const std::size_t colon = rest.find(':');
    if (rest.substr(0, colon) == "GNOME") return true;
    rest = colon == std::string_view::npos ? std::string_view() : rest.substr(colon + 1);
  }
  return false;
}

double presentationScale(int outputWidth, int outputHeight, int formWidth, int formHeight) {
  if (outputWidth <= 0 || outputHeight <= 0 || formWidth <= 0 || formHeight <= 0) return 1.0;
  return std::min(double(outputWidth) / formWidth, double(outputHeight) / formHeight);
}

}  // namespace tov
