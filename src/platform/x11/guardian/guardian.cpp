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

// The X server went away: the desktop went with it, so there is nothing to give back.
[[noreturn]] int onConnectionLost(Display*) { ::_exit(0); }

// Every client is sent MappingNotify when the pointer mapping changes; reading the events
// is also how a server that has gone is noticed (the handler above ends the process).
void discardEvents(Display* display) {
  while (XPending(display) > 0) {
    XEvent event;
    XNextEvent(display, &event);
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
// both the menu and the X server (where there is one) wake it.
Outstanding listen(int channel, Display* display) {
  Outstanding outstanding;
  LineReader reader;
  pollfd watched[2] = {{channel, POLLIN, 0}, {display ? ConnectionNumber(display) : -1, POLLIN, 0}};
  while (!outstanding.cleanEnd) {
    if (display) discardEvents(display);
    if (::poll(watched, 2, -1) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if (display && (watched[1].revents & (POLLHUP | POLLERR | POLLNVAL))) {
      discardEvents(display);
      // Still here: the socket alone tells when to act, and a dead descriptor must not
      // wake the loop again and again.
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
  Display* display = name && *name ? XOpenDisplay(nullptr) : nullptr;
  if (name && *name && !display) {
    say(formatError(ErrorCode::CannotOpenXDisplay, name));
    return kExitNoDisplay;
  }
  if (display) XSetIOErrorHandler(onConnectionLost);
  if (writeAll(channel, kReadyLine)) {
    const Outstanding outstanding = listen(channel, display);
    if (display && !outstanding.nothingToUndo())
      for (const std::string& line : giveBack(display, outstanding)) say(line);
    for (const std::string& line : giveBackSettings(outstanding.settings)) say(line);
  }
  if (display) XCloseDisplay(display);
  return 0;
}

}  // namespace tov::guardian
