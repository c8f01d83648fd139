#pragma once
// The services of a Wayland session, owned together: the compositor's display, the
// termination watch, the single-instance lock on the session's socket with the channel a
// second copy raises the first through, and what the compositor keeps to itself. No X
// server is needed; where the session has Xwayland, the hot key is held and the pointer
// mapped there for X programs, for as long as Xwayland lasts: the menu outlives it. The
// mouse hand of a GNOME, sway or KDE desktop goes through the desktop's setting; the
// guardian holds what is changed, so it comes back however the menu ends. This header
// brings in neither Wayland's library nor any widget.

#include "platform/platform.h"
#include "platform/wayland/wayland_output.h"

#include <functional>
#include <memory>
#include <string>

namespace tov {

namespace posix {
class FlockInstanceLock;
class PosixTerminationWatch;
}  // namespace posix

namespace guardian {
class DesktopGuardian;
}  // namespace guardian

namespace x11 {
class Connection;
}  // namespace x11

namespace wayland {
class CompositorDisplay;
class NoTaskbar;
class CompositorPointer;

// Which desktop the compositor belongs to, where that changes what the menu can do.
enum class Desktop { Other, Gnome, Sway, Kde };
class WaylandWindowActivator;

// The lock's name for the session's socket: its file name, as WAYLAND_DISPLAY may hold a
// name in XDG_RUNTIME_DIR or a whole path; "wayland-0", the default, when it is unset.
std::string lockDisplayName(const char* waylandDisplay);
}  // namespace wayland

class WaylandPlatform {
 public:
  // output: what wayland::firstOutputRate() found before the application object was made.
  // The menu is presented at presentedWidth x presentedHeight, scaled to its window.
  // programPath names the lock, as on X11. Make it on the user-interface thread once the
  // application object exists: the termination watch needs its event loop.
  // On GNOME, sway and KDE the mouse hand goes through the desktop's own setting.
  WaylandPlatform(wayland::OutputRate output, int presentedWidth, int presentedHeight,
                  const std::string& programPath, wayland::Desktop desktop);
  ~WaylandPlatform();
  WaylandPlatform(const WaylandPlatform&) = delete;
  WaylandPlatform& operator=(const WaylandPlatform&) = delete;

  // Whether the mouse hand goes through a setting of the desktop (GNOME's, sway's, KWin's);
  // elsewhere the compositor lets no client exchange the buttons for the desktop.
  bool desktopExchangesButtons() const { return desktopExchangesButtons_; }
  Platform services();
  // How the window a second copy asks for is raised: the toolkit's part, given before the
  // main window is marked.
  void setWindowRaiser(std::function<void(WindowHandle window, const std::string& token)> raiser);

 private:
  void dropXwayland();

  // Xwayland, where the session has one: the X programs the menu starts (Wine's among them)
  // see the hot key held there. It outlives everything that uses it.
  std::unique_ptr<x11::Connection> xwayland_;
  std::string xwaylandName_;  // its display, as :0; empty without it
  // Declared early so that it is destroyed last: the pointer records its give-back with it.
  std::unique_ptr<guardian::DesktopGuardian> guardian_;
  std::unique_ptr<wayland::CompositorDisplay> display_;
  std::unique_ptr<wayland::NoTaskbar> taskbar_;
  std::unique_ptr<IPointer> pointer_;
  bool desktopExchangesButtons_ = false;
  std::unique_ptr<posix::PosixTerminationWatch> termination_;
  std::unique_ptr<posix::FlockInstanceLock> lock_;
  std::unique_ptr<wayland::WaylandWindowActivator> activator_;
  std::unique_ptr<IHotKey> hotKey_;
};

}  // namespace tov
