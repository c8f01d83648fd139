#pragma once
// The single-instance lock, the finding of the first copy's window and the hot keys, owned
// together and working through the X11Platform's connection. Make it right after that
// platform, before any form: the lock is taken here and held until the process ends. This
// header brings in neither Xlib nor any widget.

#include "platform/platform.h"

#include <memory>
#include <string>

namespace tov {

namespace posix {
class FlockInstanceLock;
}  // namespace posix

namespace x11 {
class Connection;
class X11WindowActivator;
class X11HotKey;
}  // namespace x11

class X11InstanceServices {
 public:
  // programPath: the first command-line element, whose file name names the lock.
  X11InstanceServices(x11::Connection& connection, const std::string& programPath);
  ~X11InstanceServices();
  X11InstanceServices(const X11InstanceServices&) = delete;
  X11InstanceServices& operator=(const X11InstanceServices&) = delete;

  void addTo(Platform& platform);

 private:
  std::unique_ptr<posix::FlockInstanceLock> lock_;
  std::unique_ptr<x11::X11WindowActivator> activator_;
  std::unique_ptr<x11::X11HotKey> hotKey_;
};

}  // namespace tov
