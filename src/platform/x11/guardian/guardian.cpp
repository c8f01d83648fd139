#include "platform/x11/guardian/guardian.h"

#include "platform/errors.h"
#include "platform/x11/guardian/desktop_restorer.h"
#include "platform/x11/guardian/setting_restorer.h"
#include "platform/x11/guardian/undo_record.h"

#include <X11/Xlib.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

namespace tov::guardian {

namespace {

void say(const std::string& text) {
  const std::string line = text + "\n";
  [[maybe_unused]] ssize_t written = ::write(STDERR_FILENO, line.data(), line.size());
}

// The menu starts the guardian with a socket, never a terminal or a file.
bool isSocket(int fd) {
  int type = 0;
  socklen_t length = sizeof type;
  return ::getsockopt(fd, SOL_SOCKET, SO_TYPE, &type, &length) == 0;
}

bool writeAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    bytes.remove_prefix(std::size_t(written));
  }
  return true;
}

// The X server the guardian watches, while it lasts. Its going takes only what lived on it
// (the display mode, the docks, the pointer mapping): the desktop's own settings live in
// the user's profile or in the compositor, which Xwayland may well outlast or be outlasted
// by, so they are still given back when the menu ends.
struct XServer {
  Display* display = nullptr;
  bool gone = false;

  // Requests on a connection that has broken may crash Xlib: none is sent once it has.
  bool usable() const { return display && !gone; }
};

// Xlib would end the process after an I/O error; this handler is called instead of that
// end, and the guardian goes on without the server.
void markServerGone(Display*, void* server) { static_cast<XServer*>(server)->gone = true; }
// Says nothing: the guardian speaks only of what it gives back.
int quietlyLost(Display*) { return 0; }

// Every client is sent MappingNotify when the pointer mapping changes; reading the events
// is also how a server that has gone is noticed (markServerGone).
void discardEvents(XServer& server) {
  while (server.usable() && XPending(server.display) > 0) {
    XEvent event;
    XNextEvent(server.display, &event);
  }
}

void takeLines(LineReader& reader, Outstanding& outstanding) {
  while (const auto line = reader.nextLine()) {
    if (const auto record = parseRecord(*line))
      outstanding.apply(*record);
    else
      say(formatError(ErrorCode::GuardianRecordIgnored, *line));
  }
}

// Keeps the records until the menu is gone or says it ends cleanly. Blocks in poll():
// both the menu and the X server (where there is one) wake it. Only the menu's end ends it:
// a server that goes takes its own pieces along, and the settings are still to be kept.
Outstanding listen(int channel, XServer& server) {
  Outstanding outstanding;
  LineReader reader;
  pollfd watched[2] = {{channel, POLLIN, 0}, {server.display ? ConnectionNumber(server.display) : -1, POLLIN, 0}};
  while (!outstanding.cleanEnd) {
    discardEvents(server);
    // A dead descriptor must not wake the loop again and again.
    if (!server.usable()) watched[1].fd = -1;
    if (::poll(watched, 2, -1) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if (watched[1].revents & (POLLHUP | POLLERR | POLLNVAL)) {
      discardEvents(server);
      watched[1].fd = -1;
    }
    if (!watched[0].revents) continue;
    char buffer[4096];
    const ssize_t got = ::read(channel, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;  // the menu's end is closed: it has ended, one way or another
    reader.feed(std::string_view(buffer, std::size_t(got)));
    takeLines(reader, outstanding);
  }
  return outstanding;
}

}  // namespace

int runGuardian(int channel) {
  // The menu's output may go to a pipe that ended with it; what the guardian says then is
  // lost, but the guardian must not be.
  ::signal(SIGPIPE, SIG_IGN);
  if (!isSocket(channel)) {
    say(errorText(ErrorCode::GuardianUsage));
    return kExitUsage;
  }
  // Without DISPLAY (a Wayland session) only desktop settings are kept, and no X server.
  const char* name = std::getenv("DISPLAY");
  XServer server;
  server.display = name && *name ? XOpenDisplay(nullptr) : nullptr;
  if (name && *name && !server.display) {
    say(formatError(ErrorCode::CannotOpenXDisplay, name));
    return kExitNoDisplay;
  }
  if (server.display) {
    XSetIOErrorHandler(quietlyLost);
    XSetIOErrorExitHandler(server.display, markServerGone, &server);
  }
  if (writeAll(channel, kReadyLine)) {
    const Outstanding outstanding = listen(channel, server);
    // The settings first: nothing the X server does or lacks can keep them from the desktop.
    for (const std::string& line : giveBackSettings(outstanding.settings)) say(line);
    if (server.usable() && !outstanding.nothingToUndo())
      for (const std::string& line : giveBack(server.display, outstanding)) say(line);
  }
  // Closing a connection that has broken sends nothing and frees it.
  if (server.display) XCloseDisplay(server.display);
  return 0;
}

}  // namespace tov::guardian
