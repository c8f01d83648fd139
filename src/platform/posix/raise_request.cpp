#include "platform/posix/raise_request.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>

namespace tov::posix {

namespace {

std::optional<sockaddr_un> addressOf(const std::string& path) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path.empty() || path.size() >= sizeof address.sun_path) return std::nullopt;
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  return address;
}

// A socket of this user: in /tmp another user could have bound the name first.
bool ownSocketAt(const std::string& path) {
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0 && S_ISSOCK(info.st_mode) && info.st_uid == ::geteuid();
}

}  // namespace

bool isActivationToken(const std::string& text) {
  return text.size() <= kMaxActivationTokenLength &&
         std::all_of(text.begin(), text.end(), [](char c) { return c > ' ' && c <= '~'; });
}

bool sendRaiseRequest(const std::string& path, const std::string& token) {
  const std::optional<sockaddr_un> address = addressOf(path);
  if (!address || !isActivationToken(token) || !ownSocketAt(path)) return false;
  const int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  ssize_t sent;
  do {
    sent = ::sendto(fd, token.data(), token.size(), 0, reinterpret_cast<const sockaddr*>(&*address), sizeof *address);
  } while (sent < 0 && errno == EINTR);
  ::close(fd);
  return sent == ssize_t(token.size());
}

RaiseRequestListener::RaiseRequestListener(std::string path, std::function<void(const std::string&)> onRequest)
    : path_(std::move(path)), onRequest_(std::move(onRequest)) {
  const std::optional<sockaddr_un> address = addressOf(path_);
  if (!address) return;
  if (ownSocketAt(path_)) ::unlink(path_.c_str());
  const int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) return;
  // Only this user may ask: the folder may be /tmp. (Not by the umask: other threads share it.)
  if (::bind(fd, reinterpret_cast<const sockaddr*>(&*address), sizeof *address) != 0) {
    ::close(fd);
    return;
  }
  if (::chmod(path_.c_str(), 0600) != 0) {
    ::close(fd);
    ::unlink(path_.c_str());
    return;
  }
  fd_ = fd;
  watch_ = std::make_unique<LoopWatch>(fd_, WatchFor::Readable, [this] { takeRequests(); });
}

RaiseRequestListener::~RaiseRequestListener() {
  watch_.reset();
  if (fd_ < 0) return;
  ::close(fd_);
  ::unlink(path_.c_str());
}

void RaiseRequestListener::takeRequests() {
  // One more byte than a token may have, so that a longer datagram shows as too long.
  char buffer[kMaxActivationTokenLength + 1];
  for (;;) {
    const ssize_t got = ::recv(fd_, buffer, sizeof buffer, MSG_TRUNC);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return;
    if (std::size_t(got) > kMaxActivationTokenLength) continue;
    const std::string token(buffer, std::size_t(got));
    if (isActivationToken(token) && onRequest_) onRequest_(token);
  }
}

}  // namespace tov::posix
