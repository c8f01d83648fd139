// sway's own pointer setting carries a left-handed pupil's choice, on a real headless sway:
// `left_handed` of mice and touchpads is sent over sway's IPC socket, seen here through a proxy
// of the test's between the clients and sway that logs each request and sway's reply. It
// must come back however the menu ends: by the pointer's end on SIGTERM, by the guardian
// (through swaymsg) on SIGKILL.
// (desktop_pointer_probe takes the hand over as the menu does: headless sway gives no way to
// type the pupil's name. The real menu is seen choosing sway's setting at its start.)
// sway refuses to run as root, so a root test runs sway and its clients as nobody.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <thread>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "support/real_menu.h"
#include "support/wayland_session.h"

namespace tov::test {
namespace {

namespace fs = std::filesystem;

constexpr int kGenerousMs = 20000;

// The program's path from PATH; empty when it is not installed.
std::string installed(const std::string& program) {
  std::istringstream path(std::getenv("PATH") ? std::getenv("PATH") : "");
  for (std::string folder; std::getline(path, folder, ':');)
    if (!folder.empty() && ::access((folder + "/" + program).c_str(), X_OK) == 0) return folder + "/" + program;
  return {};
}

// The requests logged by the proxy: "TYPE PAYLOAD".
std::vector<std::string> callsIn(const std::string& log) {
  std::vector<std::string> calls;
  std::istringstream in(readFile(log));
  for (std::string line; std::getline(in, line);)
    if (line.starts_with("request ")) calls.push_back(line.substr(8));
  return calls;
}

// Passes sway's IPC messages between the session's clients and sway, one connection at a
// time, and logs each request ("request TYPE PAYLOAD") and each reply ("reply PAYLOAD").
class LoggingSwayProxy {
 public:
  LoggingSwayProxy(std::string listenPath, std::string swayPath, std::string logPath)
      : swayPath_(std::move(swayPath)), logPath_(std::move(logPath)) {
    listener_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const sockaddr_un address = addressOf(listenPath);
    if (::bind(listener_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::chmod(listenPath.c_str(), 0666) != 0 || ::listen(listener_, 8) != 0)
      return;
    thread_ = std::thread([this] { serve(); });
  }
  ~LoggingSwayProxy() {
    ::shutdown(listener_, SHUT_RDWR);  // ends the accept the thread waits in
    if (thread_.joinable()) thread_.join();
    ::close(listener_);
  }
  bool serving() const { return thread_.joinable(); }

 private:
  static sockaddr_un addressOf(const std::string& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    return address;
  }
  static bool readAll(int fd, char* data, std::size_t size) {
    for (ssize_t got; size > 0; data += got, size -= std::size_t(got))
      if ((got = ::recv(fd, data, size, 0)) <= 0) return false;
    return true;
  }
  // One framed message from one socket to the other; its type and payload in *type, *payload.
  static bool pass(int from, int to, std::uint32_t* type, std::string* payload) {
    char header[14];
    if (!readAll(from, header, sizeof header)) return false;
    std::uint32_t length = 0;
    std::memcpy(&length, header + 6, 4);
    std::memcpy(type, header + 10, 4);
    if (length > (16u << 20)) return false;
    payload->assign(length, '\0');
    return readAll(from, payload->data(), length) && ::send(to, header, sizeof header, MSG_NOSIGNAL) == 14 &&
           ::send(to, payload->data(), length, MSG_NOSIGNAL) == ssize_t(length);
  }
  void serve() {
    for (int client; (client = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC)) >= 0; ::close(client)) {
      const int sway = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
      const sockaddr_un address = addressOf(swayPath_);
      if (::connect(sway, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
        std::uint32_t type = 0;
        std::string request, reply;
        while (pass(client, sway, &type, &request)) {
          std::ofstream(logPath_, std::ios::app) << "request " << type << (request.empty() ? "" : " ") << request << "\n";
          if (!pass(sway, client, &type, &reply)) break;
          std::ofstream(logPath_, std::ios::app) << "reply " << reply << "\n";
        }
      }
      ::close(sway);
    }
  }

  std::string swayPath_, logPath_;
  int listener_ = -1;
  std::thread thread_;
};

std::size_t count(const std::string& text, const std::string& part) {
  std::size_t found = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++found;
  return found;
}

const std::string kInputs = "100";
const std::string kEnable = "0 input type:pointer left_handed enabled; input type:touchpad left_handed enabled";
const std::string kDisable = "0 input type:pointer left_handed disabled; input type:touchpad left_handed disabled";

class SwayLeftHand : public ::testing::Test {
 protected:
  void SetUp() override {
    realSwaymsg_ = installed("swaymsg");
    if (installed("sway").empty() || realSwaymsg_.empty()) {
      if (waylandTestsRequired()) FAIL() << "sway is not installed";
      GTEST_SKIP() << "sway is not installed";
    }
    folder_ = folderForThisTest("tovaleer-sway");
    copyDemoFolder(folder_);
    // Short: sway's socket path inside it must fit a socket address.
    char runtime[] = "/tmp/tov-sway-XXXXXX";
    ASSERT_TRUE(::mkdtemp(runtime));
    runtime_ = runtime;
    ASSERT_TRUE(giveToSessionUser(runtime_.string()));
    std::ofstream(log()) << "";
    // A window that asks to come forward with a valid token gets the keyboard (sway's
    // default only marks it urgent).
    std::ofstream(folder_ / "sway.config") << "xwayland disable\nfocus_on_window_activation focus\n";
    ASSERT_NO_FATAL_FAILURE(startSway());
  }
  void TearDown() override {
    client_.reset();
    proxy_.reset();
    sway_.reset();
    if (!folder_.empty()) fs::remove_all(folder_);
    if (!runtime_.empty()) fs::remove_all(runtime_);
  }

  void startSway() {
    // sway listens where SWAYSOCK says; an inherited one, even empty, would be taken.
    socket_ = (runtime_ / "sway.sock").string();
    std::string why;
    ChildProcessOptions options;
    options.argv = asSessionUser({"sway", "-c", (folder_ / "sway.config").string()});
    options.environment = environmentWith(
        {"XDG_RUNTIME_DIR=" + runtime_.string(), "HOME=" + runtime_.string(), "WLR_BACKENDS=headless",
         "WLR_RENDERER=pixman", "WLR_LIBINPUT_NO_DEVICES=1", "WAYLAND_DISPLAY=", "DISPLAY=", "SWAYSOCK=" + socket_});
    options.outputPath = (folder_ / "sway.log").string();
    sway_ = ChildProcess::spawn(options, &why);
    ASSERT_TRUE(sway_) << why;
    bool up = pollUntil([&] {
      for (const fs::directory_entry& entry : fs::directory_iterator(runtime_)) {
        const std::string name = entry.path().filename().string();
        if (name.starts_with("wayland-") && !name.ends_with(".lock")) display_ = name;
      }
      return (fs::exists(socket_) && !display_.empty()) || !sway_->running();
    }, kGenerousMs);
    up = up && sway_->running();
    if (!up && !waylandTestsRequired()) GTEST_SKIP() << "sway did not start here\n" << readFile(options.outputPath);
    ASSERT_TRUE(up) << readFile(options.outputPath);
    proxy_ = std::make_unique<LoggingSwayProxy>(proxySocket(), socket_, log());
    ASSERT_TRUE(proxy_->serving());
  }

  // A client of the session, whose requests to sway go through the proxy.
  void startClient(const std::vector<std::string>& argv) {
    std::string why;
    ChildProcessOptions options;
    options.argv = asSessionUser(argv);
    options.environment = environmentWith(
        {"XDG_RUNTIME_DIR=" + runtime_.string(), "HOME=" + runtime_.string(), "SWAYSOCK=" + proxySocket(),
         "WAYLAND_DISPLAY=" + display_, "DISPLAY=", "XDG_CURRENT_DESKTOP=", "QT_QPA_PLATFORM=",
         "SDL_AUDIODRIVER=dummy"});
    options.outputPath = clientLog();
    client_ = ChildProcess::spawn(options, &why);
    ASSERT_TRUE(client_) << why;
  }

  // sway's tree of windows, asked by the real swaymsg (not logged).
  std::string swayTree() {
    const std::string tree = (folder_ / "tree.json").string();
    fs::remove(tree);
    std::string why;
    ChildProcessOptions options;
    options.argv = {realSwaymsg_, "-s", socket_, "-t", "get_tree", "-r"};
    options.outputPath = tree;
    auto child = ChildProcess::spawn(options, &why);
    if (!child || !child->wait(kGenerousMs)) return {};
    return readFile(tree);
  }

  // The app_id of the window that has the keyboard, from sway's tree.
  std::string focusedApp() {
    const std::string tree = swayTree();
    const std::size_t focused = tree.find("\"focused\": true");
    const std::size_t app = tree.find("\"app_id\": \"", focused);
    if (focused == std::string::npos || app == std::string::npos) return {};
    const std::size_t start = app + 11;
    return tree.substr(start, tree.find('"', start) - start);
  }

  std::string log() const { return (folder_ / "sway-ipc.log").string(); }
  std::string proxySocket() const { return (runtime_ / "proxy.sock").string(); }
  std::string clientLog() const { return (folder_ / "client.log").string(); }

  fs::path folder_, runtime_;
  std::string realSwaymsg_, socket_, display_;
  std::unique_ptr<ChildProcess> sway_, client_;
  std::unique_ptr<LoggingSwayProxy> proxy_;
};

TEST_F(SwayLeftHand, TheChoiceSetsSwaysPointerSettingAndEveryEndGivesItBack) {
  for (const int signal : {SIGTERM, SIGKILL}) {
    SCOPED_TRACE(signal == SIGKILL ? "ended by SIGKILL" : "ended by SIGTERM");
    std::ofstream(log(), std::ios::trunc) << "";
    fs::remove(clientLog());  // the child's output is added to the file
    ASSERT_NO_FATAL_FAILURE(startClient({kBuildDir + "/desktop_pointer_probe", "sway"}));
    ASSERT_TRUE(pollUntil([&] { return readFile(clientLog()).find("swapped true") != std::string::npos; }, kGenerousMs))
        << readFile(clientLog()) << readFile(log());
    EXPECT_EQ(callsIn(log()), (std::vector<std::string>{kInputs, kEnable}));
    ASSERT_EQ(::kill(client_->pid(), signal), 0);
    EXPECT_TRUE(client_->wait(kGenerousMs).has_value());
    EXPECT_TRUE(pollUntil([&] { return callsIn(log()).size() == 3; }, kGenerousMs)) << readFile(log());
    EXPECT_EQ(callsIn(log()), (std::vector<std::string>{kInputs, kEnable, kDisable})) << readFile(clientLog());
    // sway took both commands of each: each reply says so (the last reply, and what the
    // guardian says of it, may come a moment after the request).
    EXPECT_TRUE(pollUntil([&] { return count(readFile(log()), "\"success\": true") == 4u; }, kGenerousMs))
        << readFile(log());
    if (signal == SIGKILL) {
      EXPECT_TRUE(pollUntil([&] { return readFile(clientLog()).find("sway.input left_handed false again") != std::string::npos; },
                            kGenerousMs))
          << readFile(clientLog());
    }
    client_.reset();
  }
}

// The real menu finds sway by its socket and asks for the pointers before anything else;
// ended before the pupil has chosen, it has nothing to give back and sends no setting.
TEST_F(SwayLeftHand, TheMenuTakesSwaysSettingAndChangesNothingBeforeTheChoice) {
  ASSERT_NO_FATAL_FAILURE(startClient({"sh", "-c", withoutLeakCheck() + menuCommand(folder_)}));
  // Ended once its window is up: its end is then the orderly one.
  EXPECT_TRUE(pollUntil([&] { return swayTree().find("\"pid\": " + std::to_string(client_->pid())) != std::string::npos; },
                        kGenerousMs))
      << readFile(clientLog());
  EXPECT_EQ(callsIn(log()), std::vector<std::string>{kInputs}) << readFile(clientLog());
  ASSERT_EQ(::kill(client_->pid(), SIGTERM), 0);
  EXPECT_EQ(client_->wait(kGenerousMs), std::optional<int>(0)) << readFile(clientLog());
  EXPECT_EQ(callsIn(log()), std::vector<std::string>{kInputs});
}

// A second start in a Wayland session: it ends, and the running menu comes to the front
// with the activation token the second copy passes it, over another window that had the
// keyboard.
TEST_F(SwayLeftHand, ASecondStartBringsTheRunningMenuForward) {
  ASSERT_NO_FATAL_FAILURE(startClient({"sh", "-c", withoutLeakCheck() + menuCommand(folder_)}));
  ASSERT_TRUE(pollUntil([&] { return focusedApp() == "tovaleer"; }, kGenerousMs)) << readFile(clientLog());
  std::unique_ptr<ChildProcess> first = std::move(client_);
  ASSERT_NO_FATAL_FAILURE(startClient({"weston-simple-shm"}));
  std::unique_ptr<ChildProcess> other = std::move(client_);
  ASSERT_TRUE(pollUntil([&] { return swayTree().find("simple-shm") != std::string::npos; }, kGenerousMs));
  ChildProcessOptions focus;
  std::string why;
  focus.argv = {realSwaymsg_, "-s", socket_, "[app_id=\"org.freedesktop.weston.simple-shm\"] focus"};
  focus.outputPath = (folder_ / "focus.log").string();
  auto focusing = ChildProcess::spawn(focus, &why);
  ASSERT_TRUE(focusing && focusing->wait(kGenerousMs)) << why;
  ASSERT_TRUE(pollUntil([&] { return focusedApp() != "tovaleer"; }, kGenerousMs)) << focusedApp();

  ASSERT_NO_FATAL_FAILURE(startClient({"sh", "-c", withoutLeakCheck() + menuCommand(folder_)}));
  EXPECT_EQ(client_->wait(kGenerousMs), std::optional<int>(0)) << "the second copy did not end";
  EXPECT_TRUE(pollUntil([&] { return focusedApp() == "tovaleer"; }, kGenerousMs))
      << "the running menu stayed behind: " << focusedApp();
  EXPECT_TRUE(first->running());
  ASSERT_EQ(::kill(first->pid(), SIGTERM), 0);
  EXPECT_EQ(first->wait(kGenerousMs), std::optional<int>(0));
}

}  // namespace
}  // namespace tov::test
