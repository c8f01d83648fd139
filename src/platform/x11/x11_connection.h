#pragma once
// Our own connection to the X server, beside the one the windowing layer keeps. Its events
// are read on the user-interface thread from the event loop: a watch on its socket wakes the
// loop when the server sends something, and whatever Xlib has already queued is handled
// before the loop goes to sleep. Xlib's headers stay out of this header, so that code which
// includes the toolkit's widgets can include it too.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/event_loop.h"

struct _XDisplay;
union _XEvent;

namespace tov::x11 {

using XId = unsigned long;  // Xlib's XID: windows, atoms, modes, outputs and CRTCs

// The exit code of a program whose X server went away.
constexpr int kExitXServerGone = 1;

class Connection {
 public:
  using EventHandler = std::function<void(const _XEvent&)>;

  // Connects to displayName, or to $DISPLAY when it is null. Call it on the thread that runs
  // the event loop, once the loop is installed.
  static std::unique_ptr<Connection> open(const char* displayName, std::string* error);
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  // By default a connection that breaks ends the process (kExitXServerGone): on an X11
  // desktop the desktop went with the server. Where the X server is only a guest of the
  // desktop (Xwayland), call this instead: the connection then turns inert (lost() tells;
  // no request may be sent on it any more, as Xlib may crash on one) and onLost is called
  // from the event loop.
  void keepRunningWhenLost(std::function<void()> onLost);
  bool lost() const { return lost_; }

  _XDisplay* display() const { return display_; }
  int screen() const { return screen_; }
  XId root() const { return root_; }
  XId atom(const char* name);

  // Handlers see every event read on this connection, in the order of registration.
  int addEventHandler(EventHandler handler);
  void removeEventHandler(int id);

  // Reads what the server has sent and hands each event to the handlers.
  void processPendingEvents();

  // Protocol errors of this connection are never fatal. A trap tells whether any request
  // sent during its lifetime failed; errors outside any trap (a window that went away
  // before we got to it) are ignored.
  class ErrorTrap {
   public:
    explicit ErrorTrap(Connection& connection);
    // Waits until the server has answered everything sent so far, then tells.
    bool failed();

   private:
    Connection& connection_;
    unsigned long firstRequest_;
  };

  // Called by the process-wide Xlib error handler for errors of this connection.
  void recordProtocolError(unsigned long requestSerial);
  // Called by Xlib's handlers when the connection breaks; true when the process goes on.
  bool survivesLoss() const { return bool(onLost_); }
  void markLost();

 private:
  explicit Connection(_XDisplay* display);
  void dispatchQueued();
  void stopBeforeWait();

  _XDisplay* display_;
  int screen_ = 0;
  XId root_ = 0;
  std::unique_ptr<LoopWatch> socketWatch_;
  IEventLoop::Id beforeWait_ = 0;  // 0 once no longer hooked
  // The loss is reported in its name, so a report still queued goes with the connection.
  LoopContext reports_;
  std::vector<std::pair<int, EventHandler>> handlers_;
  std::vector<std::pair<std::string, XId>> atoms_;
  int nextHandlerId_ = 1;
  bool dispatching_ = false;
  std::function<void()> onLost_;
  bool lost_ = false;
  // Errors arrive in request order, so the serial of the latest one tells whether any
  // request from a given serial on has failed.
  bool anyError_ = false;
  unsigned long latestErrorSerial_ = 0;
};

}  // namespace tov::x11
