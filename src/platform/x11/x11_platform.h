#pragma once
// The Linux/X11 services of the program, owned together: one X connection of our own, the
// display, taskbar, pointer and termination watch that work through it, and the desktop
// guardian that gives the display mode, taskbar and buttons back should the process die.
// Open it on the user-interface thread once the application object exists, and let it
// outlive every user of services(). This header brings in neither Xlib nor any widget.

#include "platform/platform.h"

#include <memory>
#include <string>

namespace tov {

namespace guardian {
class DesktopGuardian;
}  // namespace guardian

namespace x11 {
class Connection;
class XRandrDisplay;
class X11Taskbar;
class X11Pointer;
}  // namespace x11

namespace posix {
class PosixTerminationWatch;
}  // namespace posix

class X11Platform {
 public:
  // Connects to displayName, or to $DISPLAY when it is null; null with the reason in
  // error when the X server cannot be reached.
  static std::unique_ptr<X11Platform> open(std::string* error, const char* displayName = nullptr);
  ~X11Platform();
  X11Platform(const X11Platform&) = delete;
  X11Platform& operator=(const X11Platform&) = delete;

  Platform services();
  // For the other X11 services of the program (hot key, finding a window), which share it.
  x11::Connection& connection() { return *connection_; }
  // Starts the desktop guardian now, so that its start runs beside the program's; the
  // first change of the desktop still waits until it is ready. Without this, that first
  // change starts it.
  void launchGuardian();

 private:
  explicit X11Platform(std::unique_ptr<x11::Connection> connection);

  // Declared first so that it is destroyed last: the others talk through it.
  std::unique_ptr<x11::Connection> connection_;
  // Outlives the services, which record their give-backs with it as they go; its own end
  // tells the guardian that the menu ended cleanly.
  std::unique_ptr<guardian::DesktopGuardian> guardian_;
  std::unique_ptr<x11::XRandrDisplay> display_;
  std::unique_ptr<x11::X11Taskbar> taskbar_;
  std::unique_ptr<x11::X11Pointer> pointer_;
  std::unique_ptr<posix::PosixTerminationWatch> termination_;
};

}  // namespace tov
