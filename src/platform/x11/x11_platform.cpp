#include "platform/x11/x11_platform.h"

#include "platform/guardian/posix/desktop_guardian.h"
#include "platform/posix/termination_watch.h"
#include "platform/x11/x11_connection.h"
#include "platform/x11/x11_pointer.h"
#include "platform/x11/x11_taskbar.h"
#include "platform/x11/xrandr_display.h"

#include <X11/Xlib.h>

namespace tov {

std::unique_ptr<X11Platform> X11Platform::open(std::string* error, const char* displayName) {
  std::unique_ptr<x11::Connection> connection = x11::Connection::open(displayName, error);
  if (!connection) return nullptr;
  return std::unique_ptr<X11Platform>(new X11Platform(std::move(connection)));
}

X11Platform::X11Platform(std::unique_ptr<x11::Connection> connection)
    : connection_(std::move(connection)),
      guardian_(std::make_unique<guardian::DesktopGuardian>(
          DisplayString(connection_->display()), guardian::DesktopGuardian::besideThisProgram())),
      display_(std::make_unique<x11::XRandrDisplay>(*connection_, guardian_.get())),
      taskbar_(std::make_unique<x11::X11Taskbar>(*connection_, guardian_.get())),
      pointer_(std::make_unique<x11::X11Pointer>(*connection_, guardian_.get())),
      termination_(std::make_unique<posix::PosixTerminationWatch>()) {}

X11Platform::~X11Platform() = default;

void X11Platform::launchGuardian() { guardian_->launch(); }

Platform X11Platform::services() {
  return Platform{display_.get(), taskbar_.get(), pointer_.get(), termination_.get()};
}

}  // namespace tov
