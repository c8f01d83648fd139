#include "platform/sway/sway_ipc.h"

#include <sys/socket.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace tov::sway {

namespace {

constexpr char kMagic[] = {'i', '3', '-', 'i', 'p', 'c'};
constexpr std::size_t kHeaderSize = sizeof kMagic + 2 * sizeof(std::uint32_t);
// A sway that has stopped answering must not hold the menu up for long.
constexpr int kAnswerSeconds = 3;

class Socket {
 public:
  explicit Socket(int fd) : fd_(fd) {}
  ~Socket() {
    if (fd_ >= 0) ::close(fd_);
  }
  Socket(const Socket&) = delete;
  Socket& operator=(const Socket&) = delete;
  int fd() const { return fd_; }

 private:
  int fd_;
};

bool writeAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t written = ::send(fd, data, size, MSG_NOSIGNAL);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    data += written;
    size -= std::size_t(written);
  }
  return true;
}

bool readAll(int fd, char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t got = ::recv(fd, data, size, 0);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;  // closed, or the time-out passed
    data += got;
    size -= std::size_t(got);
  }
  return true;
}

int connectTo(const std::string& socketPath) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (socketPath.empty() || socketPath.size() >= sizeof address.sun_path) return -1;
  std::memcpy(address.sun_path, socketPath.c_str(), socketPath.size() + 1);
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  const timeval limit{kAnswerSeconds, 0};
  ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
  ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
  if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

}  // namespace

std::optional<std::string> swayRequest(const std::string& socketPath, IpcMessage type, const std::string& payload) {
  if (payload.size() > kMaxIpcReply) return std::nullopt;
  Socket socket(connectTo(socketPath));
  if (socket.fd() < 0) return std::nullopt;
  char header[kHeaderSize];
  const std::uint32_t length = std::uint32_t(payload.size());
  const std::uint32_t typeCode = std::uint32_t(type);
  std::memcpy(header, kMagic, sizeof kMagic);
  std::memcpy(header + sizeof kMagic, &length, sizeof length);
  std::memcpy(header + sizeof kMagic + sizeof length, &typeCode, sizeof typeCode);
  if (!writeAll(socket.fd(), header, sizeof header) || !writeAll(socket.fd(), payload.data(), payload.size()))
    return std::nullopt;
  if (!readAll(socket.fd(), header, sizeof header) || std::memcmp(header, kMagic, sizeof kMagic) != 0)
    return std::nullopt;
  std::uint32_t replyLength = 0, replyType = 0;
  std::memcpy(&replyLength, header + sizeof kMagic, sizeof replyLength);
  std::memcpy(&replyType, header + sizeof kMagic + sizeof replyLength, sizeof replyType);
  if (replyType != typeCode || replyLength > kMaxIpcReply) return std::nullopt;
  std::string reply(replyLength, '\0');
  if (!readAll(socket.fd(), reply.data(), reply.size())) return std::nullopt;
  return reply;
}

}  // namespace tov::sway
