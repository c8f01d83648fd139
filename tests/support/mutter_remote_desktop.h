#pragma once
// A remote-desktop session on mutter's own bus, with a screen cast of one monitor in it: the
// PipeWire node to take pictures from, and pointer and keyboard input. mutter ties
// the session to the bus connection that made it, so it lasts as long as this object.

#include <functional>
#include <memory>
#include <string>

namespace tov::test {

class MutterRemoteDesktop {
 public:
  // Waits (while compositorRunning holds) for mutter's services, makes the sessions, starts
  // them and waits for the stream's node. monitor: its connector's name, empty for the
  // primary monitor. Null with the reason when any step fails.
  static std::unique_ptr<MutterRemoteDesktop> open(const std::string& busAddress, const std::string& monitor,
                                                   const std::function<bool()>& compositorRunning,
                                                   std::string* whyNot);
  ~MutterRemoteDesktop();
  MutterRemoteDesktop(const MutterRemoteDesktop&) = delete;
  MutterRemoteDesktop& operator=(const MutterRemoteDesktop&) = delete;

  // The PipeWire node of the monitor's stream (the pointer is left out of it).
  unsigned node() const;

  // Each returns once mutter has answered; false with the reason when it refused.
  bool movePointerTo(double x, double y, std::string* whyNot);  // in the stream's pixels
  bool button(unsigned evdevCode, bool pressed, std::string* whyNot);
  bool keysym(unsigned keysym, bool pressed, std::string* whyNot);

 private:
  class Connection;
  explicit MutterRemoteDesktop(std::unique_ptr<Connection> connection);

  std::unique_ptr<Connection> connection_;
};

}  // namespace tov::test
