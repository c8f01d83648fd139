#include "platform/x11/x11_connection.h"

#include "platform/errors.h"

#include <X11/Xlib.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <utility>

namespace tov::x11 {

namespace {

// Xlib's error handlers are process-wide; ours serve every connection we hold and pass
// the errors of other connections (the windowing layer's) on to whoever was there before.
std::vector<Connection*>& liveConnections() {
  static std::vector<Connection*> connections;
  return connections;
}
XErrorHandler previousErrorHandler = nullptr;
XIOErrorHandler previousIOErrorHandler = nullptr;

int onProtocolError(Display* display, XErrorEvent* error) {
  for (Connection* connection : liveConnections())
    if (connection->display() == display) {
      connection->recordProtocolError(error->serial);
      return 0;
    }
  return previousErrorHandler ? previousErrorHandler(display, error) : 0;
}

// The server went away (or the connection broke). On an X11 desktop nothing of it is left
// to give back, and every further request would fail, so the program ends here instead of
// hanging. Static destructors are skipped on purpose: they would talk to the dead
// connection. For a connection that survives its loss it returns, and Xlib then calls
// keepLostConnection instead of ending the process.
int onConnectionLost(Display* display) {
  for (Connection* connection : liveConnections())
    if (connection->display() == display && connection->survivesLoss()) return 0;
  const std::string message = formatError(ErrorCode::XServerConnectionLost) + "\n";
  [[maybe_unused]] ssize_t written = ::write(STDERR_FILENO, message.data(), message.size());
  ::_exit(kExitXServerGone);
}

// Called by Xlib instead of ending the process.
void keepLostConnection(Display*, void* connection) { static_cast<Connection*>(connection)->markLost(); }

void registerConnection(Connection* connection) {
  if (liveConnections().empty()) {
    previousErrorHandler = XSetErrorHandler(onProtocolError);
    previousIOErrorHandler = XSetIOErrorHandler(onConnectionLost);
  }
  liveConnections().push_back(connection);
}

void unregisterConnection(Connection* connection) {
  std::erase(liveConnections(), connection);
  if (liveConnections().empty()) {
    XSetErrorHandler(previousErrorHandler);
    XSetIOErrorHandler(previousIOErrorHandler);
  }
}

}  // namespace

std::unique_ptr<Connection> Connection::open(const char* displayName, std::string* error) {
  Display* display = XOpenDisplay(displayName);
  if (!display) {
    const char* shownName = displayName ? displayName : std::getenv("DISPLAY");
    if (error) *error = formatError(ErrorCode::CannotOpenXDisplay, shownName ? shownName : "");
    return nullptr;
  }
  return std::unique_ptr<Connection>(new Connection(display));
}

Connection::Connection(Display* display)
    : display_(display), screen_(DefaultScreen(display)), root_(RootWindow(display, screen_)) {
  registerConnection(this);
  socketWatch_ = std::make_unique<LoopWatch>(ConnectionNumber(display_), WatchFor::Readable,
                                             [this] { processPendingEvents(); });
  // Replies read by a synchronous call may bring events along into Xlib's queue, where the
  // socket no longer shows them; they are handled before the loop sleeps.
  beforeWait_ = eventLoop().addBeforeWait([this] {
    XFlush(display_);
    dispatchQueued();
  });
}

Connection::~Connection() {
  stopBeforeWait();
  socketWatch_.reset();
  // Also frees a connection that has broken: closing it sends nothing.
  XCloseDisplay(display_);
  unregisterConnection(this);
}

void Connection::keepRunningWhenLost(std::function<void()> onLost) {
  onLost_ = std::move(onLost);
  XSetIOErrorExitHandler(display_, keepLostConnection, this);
}

// Runs inside the Xlib call that found the connection broken: only flags are set here, and
// the socket, which reads as ready for ever once closed, is no longer watched. Nothing is
// called back while the connection closes.
void Connection::markLost() {
  if (lost_) return;
  lost_ = true;
  stopBeforeWait();
  if (!socketWatch_) return;
  socketWatch_->setEnabled(false);
  reports_.post([this] { onLost_(); });
}

void Connection::stopBeforeWait() {
  if (beforeWait_ != 0) eventLoop().removeBeforeWait(std::exchange(beforeWait_, 0));
}

XId Connection::atom(const char* name) {
  for (const auto& [known, id] : atoms_)
    if (known == name) return id;
  if (lost_) return 0;
  const XId id = XInternAtom(display_, name, False);
  atoms_.emplace_back(name, id);
  return id;
}

int Connection::addEventHandler(EventHandler handler) {
  handlers_.emplace_back(nextHandlerId_, std::move(handler));
  return nextHandlerId_++;
}

void Connection::removeEventHandler(int id) {
  std::erase_if(handlers_, [id](const auto& entry) { return entry.first == id; });
}

void Connection::processPendingEvents() {
  // XPending reads what the socket holds; a broken connection is handled by
  // onConnectionLost.
  if (!lost_ && XPending(display_) > 0) dispatchQueued();
}

void Connection::dispatchQueued() {
  // A handler's own requests may read more events into the queue; the outer loop takes them.
  if (dispatching_) return;
  dispatching_ = true;
  while (!lost_ && XEventsQueued(display_, QueuedAlready) > 0) {
    XEvent event;
    XNextEvent(display_, &event);
    // A copy, so that a handler may register or remove handlers.
    const auto handlers = handlers_;
    for (const auto& [id, handler] : handlers) handler(event);
  }
  dispatching_ = false;
}

void Connection::recordProtocolError(unsigned long requestSerial) {
  anyError_ = true;
  latestErrorSerial_ = requestSerial;
}

Connection::ErrorTrap::ErrorTrap(Connection& connection)
    : connection_(connection), firstRequest_(NextRequest(connection.display_)) {}

bool Connection::ErrorTrap::failed() {
  if (connection_.lost_) return true;
  XSync(connection_.display_, False);
  return connection_.lost_ || (connection_.anyError_ && connection_.latestErrorSerial_ >= firstRequest_);
}

}  // namespace tov::x11
