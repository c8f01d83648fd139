#include "platform/x11/instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace tov::x11 {

namespace {

std::string fileNameOf(const std::string& path) {
  const std::string name = path.substr(path.find_last_of('/') + 1);
  return name.empty() ? "program" : name;
}

// ":0", ":0.0" and "unix:0" are one display seen from its screens: the screen number is
// dropped, and characters that cannot stand in a file name are replaced.
std::string displayPart(const std::string& displayName) {
  std::string part = displayName;
  const std::size_t colon = part.find_last_of(':');
  if (colon != std::string::npos) {
    const std::size_t dot = part.find('.', colon);
    if (dot != std::string::npos) part.erase(dot);
  }
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

}  // namespace tov::x11
