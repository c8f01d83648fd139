#include "platform/wayland/wayland_platform.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "platform/errors.h"
#include "platform/gnome/gnome_pointer.h"
#include "platform/guardian/posix/desktop_guardian.h"
#include "platform/kde/kde_pointer.h"
#include "platform/sway/sway_pointer.h"
#include "platform/posix/instance_lock.h"
#include "platform/posix/termination_watch.h"
#include "platform/wayland/compositor_display.h"
#include "platform/wayland/inert_services.h"
#include "platform/wayland/wayland_window_activator.h"
#include "platform/x11/x11_connection.h"
#include "platform/x11/x11_hotkey.h"
#include "platform/x11/x11_pointer.h"

namespace tov {

namespace wayland {

std::string lockDisplayName(const char* waylandDisplay) {
  const std::string name = waylandDisplay && *waylandDisplay ? waylandDisplay : "wayland-0";
  const std::string file = name.substr(name.find_last_of('/') + 1);
  return file.empty() ? "wayland-0" : file;
}

}  // namespace wayland

namespace {
// Left in the environment: the toolkit shows a first copy's window with it.
std::string launcherToken() {
  const char* token = std::getenv("XDG_ACTIVATION_TOKEN");
  return token ? token : "";
}

// Xwayland's display, where the session has one; quietly none otherwise, as a session
// without X programs needs none.
std::unique_ptr<x11::Connection> openXwayland() {
  const char* display = std::getenv("DISPLAY");
  if (!display || !*display) return nullptr;
  return x11::Connection::open(display, nullptr);
}

// Where Xwayland is, the key is held there: a Wayland compositor lets no client hold a key
// for the whole desktop, but X programs see only what Xwayland gives them.
std::unique_ptr<IHotKey> hotKeyOf(x11::Connection* xwayland) {
  if (xwayland) return std::make_unique<x11::X11HotKey>(*xwayland);
  return std::make_unique<wayland::NoHotKey>();
}

std::unique_ptr<IPointer> pointerOf(wayland::Desktop desktop, guardian::IUndoRecorder& guardian,
                                    x11::Connection* xwayland) {
  std::unique_ptr<IPointer> own;
  if (desktop == wayland::Desktop::Gnome) own = gnome::GnomePointer::open(&guardian);
  if (desktop == wayland::Desktop::Sway) own = sway::SwayPointer::open(&guardian);
  if (desktop == wayland::Desktop::Kde) own = kde::KdePointer::open(&guardian);
  if (own) return own;
  if (xwayland) return std::make_unique<wayland::CompositorPointer>(std::make_unique<x11::X11Pointer>(*xwayland, &guardian));
  return std::make_unique<wayland::CompositorPointer>();
}
}  // namespace

WaylandPlatform::WaylandPlatform(wayland::OutputRate output, int presentedWidth, int presentedHeight,
                                 const std::string& programPath, wayland::Desktop desktop)
    : xwayland_(openXwayland()),
      // The guardian gives back desktop settings, and Xwayland's pointer mapping where there is
      // one. It starts at the first record, so a session where nothing is changed never has one.
      xwaylandName_(xwayland_ ? std::getenv("DISPLAY") : ""),
      guardian_(std::make_unique<guardian::DesktopGuardian>(xwaylandName_, guardian::DesktopGuardian::besideThisProgram())),
      display_(std::make_unique<wayland::CompositorDisplay>(presentedWidth, presentedHeight, output.refreshHz)),
      taskbar_(std::make_unique<wayland::NoTaskbar>()),
      pointer_(pointerOf(desktop, *guardian_, xwayland_.get())),
      desktopExchangesButtons_(dynamic_cast<wayland::CompositorPointer*>(pointer_.get()) == nullptr),
      termination_(std::make_unique<posix::PosixTerminationWatch>()),
      lock_(std::make_unique<posix::FlockInstanceLock>(posix::instanceLockPath(
          programPath, wayland::lockDisplayName(std::getenv("WAYLAND_DISPLAY")), std::getenv("XDG_RUNTIME_DIR"),
          unsigned(::getuid())))),
      activator_(std::make_unique<wayland::WaylandWindowActivator>(lock_->path() + ".raise", launcherToken())),
      hotKey_(hotKeyOf(xwayland_.get())) {
  if (xwayland_) xwayland_->keepRunningWhenLost([this] { dropXwayland(); });
}

// Xwayland may go while the session stays (it crashed, or the compositor ends it when no X
// program is left); its pieces (the hot key, X programs' buttons) went with it. The
// desktop's own settings stay the menu's to give back, so the menu goes on.
void WaylandPlatform::dropXwayland() {
  std::fprintf(stderr, "tovaleer: %s\n", formatError(ErrorCode::XwaylandConnectionLost, xwaylandName_).c_str());
  guardian_->forgetDisplay();
}

WaylandPlatform::~WaylandPlatform() = default;

void WaylandPlatform::setWindowRaiser(std::function<void(WindowHandle, const std::string&)> raiser) {
  activator_->setRaiser(std::move(raiser));
}

Platform WaylandPlatform::services() {
  Platform platform;
  platform.display = display_.get();
  platform.taskbar = taskbar_.get();
  platform.pointer = pointer_.get();
  platform.termination = termination_.get();
  platform.instanceLock = lock_.get();
  platform.windowActivator = activator_.get();
  platform.hotKey = hotKey_.get();
  return platform;
}

}  // namespace tov
