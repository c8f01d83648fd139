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

double presentationScale(int outputWidth, int outputHeight, int formWidth, int formHeight) {
  if (outputWidth <= 0 || outputHeight <= 0 || formWidth <= 0 || formHeight <= 0) return 1.0;
  return std::min(double(outputWidth) / formWidth, double(outputHeight) / formHeight);
}

}  // namespace tov
