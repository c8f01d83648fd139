#include "support/desktop_state.h"

#include <regex>

namespace tov::test {

XSession* DesktopSuite::session_ = nullptr;
std::string DesktopSuite::whyNot_;

void DesktopSuite::SetUpTestSuite() {
  session_ = XSession::start({.xorgDummy = true, .windowManager = true, .taskbar = true}, &whyNot_).release();
}

void DesktopSuite::TearDownTestSuite() {
  delete session_;
  session_ = nullptr;
}

std::string currentMode(XSession& session) {
  const std::string out = session.run("xrandr");
  std::smatch match;
  static const std::regex kCurrent(R"(current (\d+) x (\d+))");
  if (!std::regex_search(out, match, kCurrent)) return "none";
  return match[1].str() + "x" + match[2].str();
}

bool taskbarViewable(XSession& session) {
  return !session.run("xdotool search --onlyvisible --classname '^tint2$' 2>/dev/null | head -n 1").empty();
}

std::string pointerMap(XSession& session) {
  return session.run("xmodmap -pp | awk '$1 ~ /^[123]$/ {printf \"%s \", $2}'");
}

std::string windowState(XSession& session, const std::string& window) {
  return session.run("xprop -id " + window + " _NET_WM_STATE WM_STATE 2>/dev/null");
}

bool minimised(XSession& session, const std::string& window) {
  const std::string state = windowState(session, window);
  return state.find("_NET_WM_STATE_HIDDEN") != std::string::npos || state.find("Iconic") != std::string::npos;
}

bool normal(XSession& session, const std::string& window) {
  const std::string state = windowState(session, window);
  return state.find("window state: Normal") != std::string::npos &&
         state.find("_NET_WM_STATE_HIDDEN") == std::string::npos;
}

void restoreDesktop(XSession& session) {
  // tint2 maps itself again only when the display changes; a hidden one on an unchanged
  // display needs the map.
  session.run(
      "xrandr --output \"$(xrandr | awk '/ connected/ {print $1; exit}')\" --mode 1024x768_75; "
      "xmodmap -e 'pointer = default'; "
      "for w in $(xdotool search --classname '^tint2$' 2>/dev/null); do xdotool windowmap $w; done");
  session.waitFor([&] { return taskbarViewable(session); }, 5000);
}

}  // namespace tov::test
