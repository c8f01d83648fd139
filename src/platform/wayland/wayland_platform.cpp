#include "platform/wayland/wayland_platform.h"

#include <unistd.h>

#include <cstdlib>

#include "platform/gnome/gnome_pointer.h"
#include "platform/posix/instance_lock.h"
#include "platform/posix/termination_watch.h"
#include "platform/wayland/compositor_display.h"
#include "platform/wayland/inert_services.h"
#include "platform/x11/desktop_guardian.h"

namespace tov {

namespace wayland {

std::string lockDisplayName(const char* waylandDisplay) {
  const std::string name = waylandDisplay && *waylandDisplay ? waylandDisplay : "wayland-0";
  const std::string file = name.substr(name.find_last_of('/') + 1);
  return file.empty() ? "wayland-0" : file;
}

}  // namespace wayland

namespace {
std::unique_ptr<IPointer> pointerOf(wayland::Desktop desktop, x11::DesktopGuardian& guardian) {
  if (desktop == wayland::Desktop::Gnome)
    if (std::unique_ptr<IPointer> gnome = gnome::GnomePointer::open(&guardian)) return gnome;
  return std::make_unique<wayland::CompositorPointer>();
}
}  // namespace

WaylandPlatform::WaylandPlatform(wayland::OutputSize output, int presentedWidth, int presentedHeight,
                                 const std::string& programPath, wayland::Desktop desktop)
    : output_(output),
      // No X display: the guardian gives back desktop settings only. It starts at the first
      // report, so a session where nothing is changed never has one.
      guardian_(std::make_unique<x11::DesktopGuardian>(std::string(), x11::DesktopGuardian::besideThisProgram())),
      display_(std::make_unique<wayland::CompositorDisplay>(presentedWidth, presentedHeight, output.refreshHz)),
      taskbar_(std::make_unique<wayland::NoTaskbar>()),
      pointer_(pointerOf(desktop, *guardian_)),
      desktopExchangesButtons_(dynamic_cast<wayland::CompositorPointer*>(pointer_.get()) == nullptr),
      termination_(std::make_unique<posix::PosixTerminationWatch>()),
      lock_(std::make_unique<posix::FlockInstanceLock>(posix::instanceLockPath(
          programPath, wayland::lockDisplayName(std::getenv("WAYLAND_DISPLAY")), std::getenv("XDG_RUNTIME_DIR"),
          unsigned(::getuid())))),
      activator_(std::make_unique<wayland::NoWindowActivator>()),
      hotKey_(std::make_unique<wayland::NoHotKey>()) {}

WaylandPlatform::~WaylandPlatform() = default;

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
