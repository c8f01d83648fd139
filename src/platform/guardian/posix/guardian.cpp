#include "platform/guardian/posix/guardian.h"

#include "platform/errors.h"
#include "platform/guardian/posix/settings_restorer.h"
#include "platform/guardian/undo_record.h"
#include "platform/guardian/x11/x11_restorer.h"

#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <memory>
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
Outstanding listen(int channel, XServer* server) {
  Outstanding outstanding;
  LineReader reader;
  pollfd watched[2] = {{channel, POLLIN, 0}, {server ? server->descriptor() : -1, POLLIN, 0}};
  while (!outstanding.cleanEnd) {
    if (server) server->discardEvents();
    // A dead descriptor must not wake the loop again and again.
    if (!server || !server->usable()) watched[1].fd = -1;
    if (::poll(watched, 2, -1) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if (watched[1].revents & (POLLHUP | POLLERR | POLLNVAL)) {
      server->discardEvents();
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
  // The X server's going takes only what lived on it; the desktop's own settings live in
  // the user's profile or in the compositor, which Xwayland may well outlast or be
  // outlasted by, so they are still given back when the menu ends.
  const char* name = std::getenv("DISPLAY");
  std::unique_ptr<XServer> server;
  if (name && *name && !(server = XServer::open())) {
    say(formatError(ErrorCode::CannotOpenXDisplay, name));
    return kExitNoDisplay;
  }
  if (writeAll(channel, kReadyLine)) {
    const Outstanding outstanding = listen(channel, server.get());
    // The settings first: nothing the X server does or lacks can keep them from the desktop.
    for (const std::string& line : giveBackSettings(outstanding.settings)) say(line);
    if (server && server->usable() && !outstanding.nothingToUndo())
      for (const std::string& line : server->giveBack(outstanding)) say(line);
  }
  return 0;
}

}  // namespace tov::guardian
