// The channel a second copy uses to ask the first to come forward in a Wayland session, on
// real sockets: what reaches the first copy, and what must not.
#include "platform/posix/raise_request.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

namespace tov::posix {
namespace {

namespace fs = std::filesystem;

fs::path freshFolder() {
  const fs::path folder = fs::temp_directory_path() / ("raise-request-" + std::to_string(::getpid()));
  fs::remove_all(folder);
  fs::create_directories(folder);
  return folder;
}

// Serves events until count requests arrived or a generous time-out passed.
void serveUntil(const std::vector<std::string>& received, std::size_t count) {
  QElapsedTimer waited;
  waited.start();
  while (received.size() < count && waited.elapsed() < 10000)
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
}

// A datagram as any process could send it, past the sender's own checks.
void sendRaw(const fs::path& path, const std::string& bytes) {
  const int fd = ::socket(AF_UNIX, SOCK_DGRAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strcpy(address.sun_path, path.c_str());
  ASSERT_EQ(::sendto(fd, bytes.data(), bytes.size(), 0, reinterpret_cast<sockaddr*>(&address), sizeof address),
            ssize_t(bytes.size()));
  ::close(fd);
}

TEST(RaiseRequest, OnlyWellFormedTokensReachTheFirstCopy) {
  const fs::path folder = freshFolder();
  const fs::path socket = folder / "tovaleer@wayland-0.lock.raise";
  std::vector<std::string> received;
  RaiseRequestListener listener(socket, [&](const std::string& token) { received.push_back(token); });
  ASSERT_TRUE(listener.listening());

  EXPECT_TRUE(sendRaiseRequest(socket, "compositor-token_1"));
  EXPECT_TRUE(sendRaiseRequest(socket, ""));
  EXPECT_FALSE(sendRaiseRequest(socket, "two words"));
  // What another program might send: blanks, control bytes, and more than a token holds
  // (which the first copy must neither cut short nor read past).
  sendRaw(socket, "a b");
  sendRaw(socket, std::string("tok\0en", 6));
  sendRaw(socket, std::string(kMaxActivationTokenLength + 1, 'x'));
  sendRaw(socket, std::string(kMaxActivationTokenLength, 'y'));
  serveUntil(received, 3);
  EXPECT_EQ(received, (std::vector<std::string>{"compositor-token_1", "", std::string(kMaxActivationTokenLength, 'y')}));
  fs::remove_all(folder);
}

TEST(RaiseRequest, AFirstCopyTakesOverTheSocketACrashedCopyLeftAndRemovesItsOwn) {
  const fs::path folder = freshFolder();
  const fs::path socket = folder / "tovaleer@wayland-0.lock.raise";
  EXPECT_FALSE(sendRaiseRequest(socket, "t")) << "nobody listens yet";
  {
    // A copy killed outright leaves its socket file behind.
    const int fd = ::socket(AF_UNIX, SOCK_DGRAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strcpy(address.sun_path, socket.c_str());
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ::close(fd);
  }
  EXPECT_FALSE(sendRaiseRequest(socket, "t")) << "a socket nobody reads";
  std::vector<std::string> received;
  {
    RaiseRequestListener listener(socket, [&](const std::string& token) { received.push_back(token); });
    ASSERT_TRUE(listener.listening());
    EXPECT_TRUE(sendRaiseRequest(socket, "t"));
    serveUntil(received, 1);
    EXPECT_EQ(received, std::vector<std::string>{"t"});
  }
  EXPECT_FALSE(fs::exists(socket));
  // A plain file of the same name is nobody's socket: it is neither sent to nor replaced.
  std::ofstream(socket) << "x";
  EXPECT_FALSE(sendRaiseRequest(socket, "t"));
  RaiseRequestListener refused(socket, [](const std::string&) {});
  EXPECT_FALSE(refused.listening());
  EXPECT_TRUE(fs::is_regular_file(socket));
  fs::remove_all(folder);
}

}  // namespace
}  // namespace tov::posix
