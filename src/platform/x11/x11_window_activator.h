#pragma once
// Finding the first copy's main window and bringing it forward on X11. The window carries
// the application title in a property of our own, _TOVALEER_APPLICATION_TITLE (UTF-8): the
// title the window shows is the form's caption, which is not what a second copy looks for.
// With a window manager the window is activated through EWMH's _NET_ACTIVE_WINDOW (mapped
// first when iconic, as ICCCM restores a window); without one it is mapped and raised.

#include "platform/instance.h"
#include "platform/x11/x11_connection.h"

#include <string>
#include <vector>

namespace tov::x11 {

class X11WindowActivator : public IWindowActivator {
 public:
  explicit X11WindowActivator(Connection& connection);

  void markMainWindow(WindowHandle window, const std::string& applicationTitle) override;
  bool activate(const std::string& applicationTitle) override;

  // The first top-level window, not marked by this object, that carries applicationTitle;
  // 0 when there is none.
  XId findMainWindow(const std::string& applicationTitle);

 private:
  std::vector<XId> topLevelWindows();
  std::string applicationTitleOf(XId window);
  bool minimised(XId window);
  bool windowManagerRuns();

  Connection& connection_;
  std::vector<XId> ownWindows_;
};

}  // namespace tov::x11
