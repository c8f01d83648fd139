#include "platform/x11/x11_instance_services.h"

#include "platform/posix/instance_lock.h"
#include "platform/x11/x11_connection.h"
#include "platform/x11/x11_hotkey.h"
#include "platform/x11/x11_window_activator.h"

#include <X11/Xlib.h>
#include <unistd.h>

#include <cstdlib>

namespace tov {

X11InstanceServices::X11InstanceServices(x11::Connection& connection, const std::string& programPath)
    : lock_(std::make_unique<posix::FlockInstanceLock>(posix::instanceLockPath(
          programPath, DisplayString(connection.display()), std::getenv("XDG_RUNTIME_DIR"), ::geteuid()))),
      activator_(std::make_unique<x11::X11WindowActivator>(connection)),
      hotKey_(std::make_unique<x11::X11HotKey>(connection)) {}

X11InstanceServices::~X11InstanceServices() = default;

void X11InstanceServices::addTo(Platform& platform) {
  platform.instanceLock = lock_.get();
  platform.windowActivator = activator_.get();
  platform.hotKey = hotKey_.get();
}

}  // namespace tov
