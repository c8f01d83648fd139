#include "platform/posix/instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>

namespace tov::posix {

namespace {

std::string fileNameOf(const std::string& path) {
  const std::string name = path.substr(path.find_last_of('/') + 1);
  return name.empty() ? "program" : name;
}

std::string lowerCase(std::string text) {
  for (char& c : text) c = char(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

std::string thisHostName() {
  char name[256] = {};
  if (::gethostname(name, sizeof name - 1) != 0) return {};
  return lowerCase(name);
}

// Every spelling of a host that reaches this machine's own server.
bool isLocalHost(const std::string& host) {
  static const char* const kLocalSpellings[] = {"", "unix", "localhost", "127.0.0.1", "::1", "[::1]"};
  for (const char* local : kLocalSpellings)
    if (host == local) return true;
  return !host.empty() && host == thisHostName();
}

// ":0", ":0.0", "unix:0", "localhost:0" and "tcp/localhost:0" all name one display: the
// lock is the display's, so the protocol, the local host's spellings and the screen number
// are dropped. A remote host is kept (in lower case, as host names compare), and characters
// that cannot stand in a file name are replaced.
std::string displayPart(const std::string& displayName) {
  const std::size_t colon = displayName.find_last_of(':');
  if (colon == std::string::npos) return displayName.empty() ? "_" : displayName;
  std::string host = lowerCase(displayName.substr(0, colon));
  if (const std::size_t slash = host.find('/'); slash != std::string::npos && host.front() != '/')
    host.erase(0, slash + 1);  // "tcp/", "unix/", "inet6/"...
  std::string number = displayName.substr(colon + 1);
  number.erase(std::min(number.find('.'), number.size()));
  if (const std::size_t digit = number.find_first_not_of('0'); digit != std::string::npos && digit > 0)
    number.erase(0, digit);
  else if (digit == std::string::npos && !number.empty())
    number = "0";
  std::string part = (isLocalHost(host) ? std::string() : host) + ":" + number;
  for (char& c : part)
    if (c == '/' || c == '\0') c = '_';
  return part;
}

}  // namespace

std::string instanceLockPath(const std::string& programPath, const std::string& displayName,
                             const char* runtimeDir, unsigned userId) {
  const std::string name = fileNameOf(programPath) + "@" + displayPart(displayName);
  if (runtimeDir && runtimeDir[0] == '/') return std::string(runtimeDir) + "/" + name + ".lock";
  return "/tmp/" + name + "." + std::to_string(userId) + ".lock";
}

FlockInstanceLock::FlockInstanceLock(std::string path) : path_(std::move(path)) {
  // Close-on-exec: a program the menu starts must not keep the lock after the menu ends.
  // No links followed: in /tmp another user could point the name anywhere.
  const int fd = ::open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) return;
  // Another user's file (possible in /tmp) says nothing about our copies.
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != ::geteuid()) {
    ::close(fd);
    return;
  }
  int result;
  do {
    result = ::flock(fd, LOCK_EX | LOCK_NB);
  } while (result != 0 && errno == EINTR);
  if (result == 0) {
    fd_ = fd;
    return;
  }
  alreadyRunning_ = errno == EWOULDBLOCK;
  ::close(fd);
}

// The file stays: removing it would let a copy that opened it a moment before lock a name
// nobody else can find any more.
FlockInstanceLock::~FlockInstanceLock() {
  if (fd_ >= 0) ::close(fd_);
}

void FlockInstanceLock::haltProcess(int exitCode) { ::_exit(exitCode); }

}  // namespace tov::posix
