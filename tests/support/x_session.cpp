#include "support/x_session.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>

namespace tov::test {

namespace {

constexpr int kServerStartMs = 30000;
constexpr int kCompanionStartMs = 20000;

// Modes the tests rely on: 1024x768 at 75 Hz to start from, and 800x600 at 60 and 75 Hz.
constexpr const char* kDummyConfig = R"(Section "Device"
  Identifier "dummy"
  Driver "dummy"
  VideoRam 64000
EndSection
Section "Monitor"
  Identifier "monitor"
  HorizSync 5.0-1000.0
  VertRefresh 5.0-200.0
  Modeline "1024x768_75" 78.75 1024 1040 1136 1312 768 769 772 800 +hsync +vsync
  Modeline "800x600_60" 40.00 800 840 968 1056 600 601 605 628 +hsync +vsync
  Modeline "800x600_75" 49.50 800 816 896 1056 600 601 604 625 +hsync +vsync
EndSection
Section "Screen"
  Identifier "screen"
  Device "dummy"
  Monitor "monitor"
  DefaultDepth 24
  SubSection "Display"
    Depth 24
    Modes "1024x768_75" "800x600_60" "800x600_75"
    Virtual 1024 768
  EndSubSection
EndSection
Section "ServerLayout"
  Identifier "layout"
  Screen "screen"
EndSection
Section "ServerFlags"
  Option "DontVTSwitch" "true"
  Option "AutoAddDevices" "false"
  Option "AutoEnableDevices" "false"
EndSection
)";

// A bottom panel with a task list and a clock, as a pupil's desktop would have.
constexpr const char* kTint2Config = R"(panel_items = TC
panel_position = bottom center horizontal
panel_size = 100% 30
panel_layer = top
panel_dock = 0
strut_policy = follow_size
panel_monitor = all
autohide = 0
time1_format = %H:%M
)";

bool writeFile(const std::string& path, const std::string& content) {
  std::ofstream out(path);
  out << content;
  return bool(out);
}

std::string lastLines(const std::string& text, int count) {
  std::size_t at = text.size();
  while (count-- > 0 && at > 0) at = text.rfind('\n', at - 1);
  return at == std::string::npos ? text : text.substr(at);
}

// Reads the display number the server writes once it accepts connections.
std::string readDisplayNumber(int fd, ChildProcess& server, int timeoutMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  std::string text;
  while (text.find('\n') == std::string::npos && server.running()) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) break;
    pollfd waiting{fd, POLLIN, 0};
    // Short slices, so that a server that dies is noticed without waiting out the deadline.
    if (::poll(&waiting, 1, int(std::min<long long>(left.count(), 100))) <= 0) continue;
    char buffer[32];
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got <= 0) break;
    text.append(buffer, std::size_t(got));
  }
  const std::size_t end = text.find('\n');
  return end == std::string::npos ? std::string() : text.substr(0, end);
}

}  // namespace

bool xTestsRequired() {
  const char* required = std::getenv("TOVALEER_REQUIRE_X");
  const char* ci = std::getenv("CI");
  return (required && std::strcmp(required, "1") == 0) || (ci && std::strcmp(ci, "true") == 0);
}

std::unique_ptr<XSession> XSession::start(const XSessionOptions& options, std::string* whyNot) {
  std::unique_ptr<XSession> session(new XSession());
  char pattern[] = "/tmp/tov-xsession-XXXXXX";
  if (!::mkdtemp(pattern)) {
    if (whyNot) *whyNot = std::string("cannot make a temporary folder: ") + std::strerror(errno);
    return nullptr;
  }
  session->directory_ = pattern;
  if (!session->startServer(options, whyNot)) return nullptr;
  if (options.windowManager && !session->startWindowManager(whyNot)) return nullptr;
  if (options.taskbar && !session->startTaskbar(whyNot)) return nullptr;
  return session;
}

XSession::~XSession() {
  stop();
  std::error_code ignored;
  if (!directory_.empty()) std::filesystem::remove_all(directory_, ignored);
}

void XSession::stop() {
  taskbar_.reset();
  windowManager_.reset();
  server_.reset();
}

bool XSession::startServer(const XSessionOptions& options, std::string* whyNot) {
  const std::string configPath = directory_ + "/xorg.conf";
  const std::string noConfigDir = directory_ + "/xorg.conf.d";
  const std::string logPath = directory_ + "/server.log";
  if (options.xorgDummy &&
      (!writeFile(configPath, kDummyConfig) || !std::filesystem::create_directory(noConfigDir))) {
    if (whyNot) *whyNot = "cannot write the Xorg configuration in " + directory_;
    return false;
  }
  int displayPipe[2];
  if (::pipe2(displayPipe, O_CLOEXEC) != 0) {
    if (whyNot) *whyNot = std::string("pipe: ") + std::strerror(errno);
    return false;
  }
  // The server picks a free display itself and tells it through -displayfd once it accepts
  // connections: no guessing of numbers, no race with other servers.
  const std::string displayFd = std::to_string(displayPipe[1]);
  ChildProcessOptions spawn;
  if (options.xorgDummy)
    spawn.argv = {"Xorg", "-displayfd", displayFd, "-config", configPath, "-configdir",
                  noConfigDir, "-logfile", logPath, "-noreset", "-nolisten", "tcp",
                  "-novtswitch", "-sharevts"};
  else
    spawn.argv = {"Xvfb", "-displayfd", displayFd, "-screen", "0", "1024x768x24",
                  "-nolisten", "tcp", "-noreset"};
  spawn.outputPath = directory_ + "/server.out";
  spawn.inheritedFd = displayPipe[1];
  server_ = ChildProcess::spawn(spawn, whyNot);
  ::close(displayPipe[1]);
  const std::string number =
      server_ ? readDisplayNumber(displayPipe[0], *server_, kServerStartMs) : std::string();
  ::close(displayPipe[0]);
  if (number.empty()) {
    if (whyNot && server_)
      *whyNot = spawn.argv[0] + " did not start (is this root?):" +
                lastLines(readFile(spawn.outputPath), 6);
    server_.reset();
    return false;
  }
  display_ = ":" + number;
  return true;
}

// openbox and tint2 keep their state under the session's folder, not in the user's home.
std::vector<std::string> XSession::companionEnvironment() const {
  return environmentWith({"DISPLAY=" + display_, "HOME=" + directory_,
                          "XDG_CONFIG_HOME=" + directory_ + "/config",
                          "XDG_CACHE_HOME=" + directory_ + "/cache"});
}

bool XSession::startWindowManager(std::string* whyNot) {
  ChildProcessOptions spawn;
  spawn.argv = {"openbox", "--sm-disable"};
  spawn.environment = companionEnvironment();
  spawn.outputPath = directory_ + "/openbox.out";
  windowManager_ = ChildProcess::spawn(spawn, whyNot);
  if (!windowManager_) return false;
  // EWMH: a window manager announces itself on the root window once it manages.
  const bool managing = waitFor(
      [&] { return run("xprop -root _NET_SUPPORTING_WM_CHECK").find("window id") != std::string::npos; },
      kCompanionStartMs);
  if (!managing && whyNot) *whyNot = "openbox did not start managing the screen";
  return managing;
}

bool XSession::startTaskbar(std::string* whyNot) {
  const std::string configPath = directory_ + "/tint2rc";
  if (!writeFile(configPath, kTint2Config)) {
    if (whyNot) *whyNot = "cannot write " + configPath;
    return false;
  }
  // tint2 waits seconds for a window manager to announce the number of desktops (EWMH);
  // without one, the session announces a single desktop itself.
  if (!windowManager_) run("xprop -root -f _NET_NUMBER_OF_DESKTOPS 32c -set _NET_NUMBER_OF_DESKTOPS 1");
  ChildProcessOptions spawn;
  spawn.argv = {"tint2", "-c", configPath};
  spawn.environment = companionEnvironment();
  spawn.outputPath = directory_ + "/tint2.out";
  // Once in a while (seen on a loaded CI machine, after a test had killed the previous
  // server) tint2 came up without ever mapping its panel; a second start has mapped it.
  for (int attempt = 1; attempt <= 2; ++attempt) {
    taskbar_ = ChildProcess::spawn(spawn, whyNot);
    if (!taskbar_) return false;
    int found = 1;
    const bool shown = waitFor(
        [&] {
          run("xdotool search --onlyvisible --classname '^tint2$'", &found);
          return found == 0;
        },
        kCompanionStartMs / 2);
    if (shown) return true;
    std::fprintf(stderr, "tint2 did not map its panel (attempt %d); it said:%s\n", attempt,
                 lastLines(readFile(spawn.outputPath), 6).c_str());
    taskbar_.reset();
  }
  if (whyNot) *whyNot = "tint2 did not map its panel; it said:" + lastLines(readFile(spawn.outputPath), 6);
  return false;
}

std::string XSession::run(const std::string& shellCommand, int* exitCode) {
  int output[2];
  if (::pipe2(output, O_CLOEXEC) != 0) {
    if (exitCode) *exitCode = -1;
    return {};
  }
  std::vector<std::string> argv = {"/bin/sh", "-c", shellCommand};
  std::vector<std::string> environment = environmentWith({"DISPLAY=" + display_});
  auto pointersTo = [](std::vector<std::string>& strings) {
    std::vector<char*> pointers;
    for (std::string& s : strings) pointers.push_back(s.data());
    pointers.push_back(nullptr);
    return pointers;
  };
  std::vector<char*> argvPointers = pointersTo(argv);
  std::vector<char*> envPointers = pointersTo(environment);
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(output[1], STDOUT_FILENO);
    ::execve("/bin/sh", argvPointers.data(), envPointers.data());
    ::_exit(127);
  }
  ::close(output[1]);
  std::string text;
  char buffer[4096];
  for (ssize_t got; (got = ::read(output[0], buffer, sizeof buffer)) != 0;) {
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) break;
    text.append(buffer, std::size_t(got));
  }
  ::close(output[0]);
  int status = 0;
  while (pid > 0 && ::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (exitCode) *exitCode = pid > 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return text;
}

std::unique_ptr<ChildProcess> XSession::launch(const std::vector<std::string>& argv,
                                               const std::string& outputPath,
                                               std::string* whyNot) {
  ChildProcessOptions spawn;
  spawn.argv = argv;
  spawn.environment = environmentWith({"DISPLAY=" + display_});
  spawn.outputPath = outputPath;
  return ChildProcess::spawn(spawn, whyNot);
}

bool XSession::waitFor(const std::function<bool()>& condition, int timeoutMs) {
  return pollUntil(condition, timeoutMs);
}

}  // namespace tov::test
