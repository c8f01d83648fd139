#include "support/wayland_session.h"

#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <thread>

#include "support/mutter_remote_desktop.h"
#include "support/processes.h"

namespace tov::test {

namespace {

namespace fs = std::filesystem;

// Generous: a loaded CI machine with two cores starts these in seconds, not in tens of them.
constexpr int kCompositorStartMs = 30000;
constexpr int kShellDrawMs = 30000;
constexpr int kScreenshotMs = 30000;
constexpr int kEndGraceMs = 5000;

constexpr unsigned kLeftButton = 272;  // BTN_LEFT of linux/input-event-codes.h
constexpr unsigned kRightButton = 273;  // BTN_RIGHT
constexpr unsigned kShiftKeysym = 0xffe1;

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

std::string logTail(const std::string& path) { return lastLines(readFile(path), 8); }

// This process's environment less the variables named in removed, with overrides in place.
std::vector<std::string> environmentWithout(const std::vector<std::string>& removed,
                                            const std::vector<std::string>& overrides) {
  auto nameOf = [](const std::string& entry) { return entry.substr(0, entry.find('=')); };
  std::vector<std::string> result;
  for (std::string& entry : environmentWith({})) {
    bool drop = false;
    for (const std::string& r : removed) drop = drop || r == nameOf(entry);
    for (const std::string& o : overrides) drop = drop || nameOf(o) == nameOf(entry);
    if (!drop) result.push_back(std::move(entry));
  }
  result.insert(result.end(), overrides.begin(), overrides.end());
  return result;
}

// A socket file appears at bind(), before listen(): only a connection that succeeds tells
// that clients can come.
bool acceptsConnections(const std::string& socketPath) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (socketPath.size() >= sizeof address.sun_path) return false;
  std::memcpy(address.sun_path, socketPath.c_str(), socketPath.size() + 1);
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  const bool connected = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  ::close(fd);
  return connected;
}

// ":N" from the first line of the log that holds marker.
std::string displayAfter(const std::string& log, const std::string& marker) {
  const std::size_t line = log.find(marker);
  if (line == std::string::npos) return {};
  const std::size_t colon = log.find(':', line + marker.size());
  const std::size_t lineEnd = log.find('\n', line);
  if (colon == std::string::npos || colon > lineEnd) return {};
  std::size_t end = colon + 1;
  while (end < log.size() && std::isdigit(static_cast<unsigned char>(log[end]))) ++end;
  return end > colon + 1 ? log.substr(colon, end - colon) : std::string();
}

// The members of a process group that have not ended, as /proc tells.
std::vector<pid_t> liveMembersOf(pid_t group) {
  std::vector<pid_t> members;
  std::error_code ignored;
  for (const auto& entry : fs::directory_iterator("/proc", ignored)) {
    const std::string name = entry.path().filename();
    if (name.empty() || !std::isdigit(static_cast<unsigned char>(name[0]))) continue;
    // "pid (name) state ppid pgrp ...": the name may hold spaces and parentheses.
    const std::string stat = readFile(entry.path() / "stat");
    const std::size_t close = stat.rfind(')');
    char state = 0;
    int parent = 0, processGroup = 0;
    if (close == std::string::npos ||
        std::sscanf(stat.c_str() + close + 1, " %c %d %d", &state, &parent, &processGroup) != 3)
      continue;
    if (processGroup == group && state != 'Z') members.push_back(pid_t(std::atol(name.c_str())));
  }
  return members;
}

// ChildProcess ends a group only while its leader lives, and dbus-run-session goes at the
// first SIGTERM: the compositor may outlive it (mutter with Xwayland was seen spinning on).
// The group's signal goes while the leader is unreaped (its id cannot be anyone else's yet);
// what is left after the grace time is killed by pid.
void endProcessGroup(std::unique_ptr<ChildProcess>& leader) {
  if (!leader) return;
  const pid_t group = leader->pid();
  if (leader->running())
    ::kill(-group, SIGTERM);
  else
    for (const pid_t member : liveMembersOf(group)) ::kill(member, SIGTERM);
  WaylandSession::waitFor(
      [&] {
        leader->running();  // reaps it once it has ended
        return liveMembersOf(group).empty();
      },
      kEndGraceMs);
  for (const pid_t member : liveMembersOf(group)) ::kill(member, SIGKILL);
  leader.reset();
}

// Runs a program to its end and tells whether it ended well within timeoutMs.
bool runToEnd(const ChildProcessOptions& spawn, int timeoutMs, std::string* whyNot) {
  auto child = ChildProcess::spawn(spawn, whyNot);
  if (!child) return false;
  const std::optional<int> exitCode = child->wait(timeoutMs);
  if (exitCode == 0) return true;
  if (whyNot)
    *whyNot = spawn.argv[0] +
              (exitCode ? " failed with " + std::to_string(*exitCode) : " did not end in time") +
              ":" + logTail(spawn.outputPath);
  return false;
}

QImage loadedScreenshot(const std::string& path, int width, int height, std::string* whyNot) {
  QImage image;
  if (!image.load(QString::fromStdString(path))) {
    if (whyNot) *whyNot = "no readable screenshot at " + path;
    return {};
  }
  if (image.width() != width || image.height() != height) {
    if (whyNot)
      *whyNot = "the screenshot is " + std::to_string(image.width()) + "x" +
                std::to_string(image.height()) + ", the output " + std::to_string(width) + "x" +
                std::to_string(height);
    return {};
  }
  return image.convertToFormat(QImage::Format_RGB32);
}

}  // namespace

bool waylandTestsRequired() {
  const char* required = std::getenv("TOVALEER_REQUIRE_WAYLAND");
  const char* ci = std::getenv("CI");
  return (required && std::strcmp(required, "1") == 0) || (ci && std::strcmp(ci, "true") == 0);
}

// ---------------------------------------------------------------------------------------
// WaylandSession

WaylandSession::~WaylandSession() {
  endProcessGroup(compositor_);
  std::error_code ignored;
  if (!directory_.empty()) fs::remove_all(directory_, ignored);
}

bool WaylandSession::makeDirectories(const std::string& prefix,
                                     const WaylandSessionOptions& options, std::string* whyNot) {
  width_ = options.width;
  height_ = options.height;
  if (width_ <= 0 || height_ <= 0 || width_ > 8192 || height_ > 8192) {
    if (whyNot) *whyNot = "an output of " + std::to_string(width_) + "x" + std::to_string(height_);
    return false;
  }
  std::string pattern = "/tmp/tov-" + prefix + "-XXXXXX";
  if (!::mkdtemp(pattern.data())) {
    if (whyNot) *whyNot = std::string("cannot make a temporary folder: ") + std::strerror(errno);
    return false;
  }
  directory_ = pattern;
  runtimeDirectory_ = directory_ + "/runtime";
  // Clients and compositors refuse a runtime folder that others may enter.
  if (::mkdir(runtimeDirectory_.c_str(), 0700) != 0) {
    if (whyNot) *whyNot = "cannot make " + runtimeDirectory_ + ": " + std::strerror(errno);
    return false;
  }
  return true;
}

std::vector<std::string> WaylandSession::compositorEnvironment() const {
  std::vector<std::string> overrides = {
      "XDG_RUNTIME_DIR=" + runtimeDirectory_,      "HOME=" + directory_,
      "XDG_CONFIG_HOME=" + directory_ + "/config", "XDG_CACHE_HOME=" + directory_ + "/cache",
      "XDG_STATE_HOME=" + directory_ + "/state",   "GSETTINGS_BACKEND=memory"};
  if (!busAddress_.empty()) overrides.push_back("DBUS_SESSION_BUS_ADDRESS=" + busAddress_);
  return environmentWithout({"DISPLAY", "WAYLAND_DISPLAY", "WAYLAND_SOCKET",
                             "DBUS_SESSION_BUS_ADDRESS", "PIPEWIRE_REMOTE", "PIPEWIRE_RUNTIME_DIR"},
                            overrides);
}

pid_t WaylandSession::xwaylandPid() const {
  if (!compositor_) return 0;
  for (const pid_t member : liveMembersOf(compositor_->pid()))
    if (const auto status = processStatus(member); status && status->name == "Xwayland") return member;
  return 0;
}

std::vector<std::string> WaylandSession::environment() const {
  std::vector<std::string> overrides = {
      "WAYLAND_DISPLAY=" + waylandDisplay_, "XDG_RUNTIME_DIR=" + runtimeDirectory_,
      "QT_QPA_PLATFORM=wayland", "DBUS_SESSION_BUS_ADDRESS=" + busAddress_,
      // The session's own settings store: dconf's service, started on the session's bus,
      // writes under the compositor's XDG_CONFIG_HOME, and its clients read the file there.
      "HOME=" + directory_, "XDG_CONFIG_HOME=" + directory_ + "/config"};
  if (!display_.empty()) overrides.push_back("DISPLAY=" + display_);
  if (!xauthority_.empty()) overrides.push_back("XAUTHORITY=" + xauthority_);
  std::vector<std::string> removed = {"WAYLAND_SOCKET"};
  if (display_.empty()) removed.push_back("DISPLAY");
  return environmentWithout(removed, overrides);
}

std::unique_ptr<ChildProcess> WaylandSession::launch(const std::vector<std::string>& argv,
                                                     const std::string& outputPath,
                                                     std::string* whyNot) {
  ChildProcessOptions spawn;
  spawn.argv = argv;
  spawn.environment = environment();
  spawn.outputPath = outputPath;
  return ChildProcess::spawn(spawn, whyNot);
}

bool WaylandSession::waitFor(const std::function<bool()>& condition, int timeoutMs) {
  return pollUntil(condition, timeoutMs);
}

namespace {

// Runs under dbus-run-session, inside the session's bus: hands the bus's address over through
// a file (written whole, then renamed, so that it is never read half-written) and becomes
// the compositor, given as the further arguments.
constexpr const char* kBusWrapper = R"(#!/bin/sh
address_file=$1
shift
printf '%s\n' "$DBUS_SESSION_BUS_ADDRESS" > "$address_file.part" &&
  mv "$address_file.part" "$address_file" || exit 1
exec "$@"
)";

}  // namespace

bool WaylandSession::startCompositor(const std::vector<std::string>& argv,
                                     const std::string& logPath, std::string* whyNot) {
  const std::string wrapperPath = directory_ + "/with-bus-address.sh";
  const std::string addressPath = directory_ + "/bus-address";
  if (!writeFile(wrapperPath, kBusWrapper)) {
    if (whyNot) *whyNot = "cannot write " + wrapperPath;
    return false;
  }
  compositorLog_ = logPath;
  ChildProcessOptions spawn;
  spawn.argv = {"dbus-run-session", "--", "/bin/sh", wrapperPath, addressPath};
  spawn.argv.insert(spawn.argv.end(), argv.begin(), argv.end());
  spawn.environment = compositorEnvironment();
  spawn.outputPath = logPath;
  compositor_ = ChildProcess::spawn(spawn, whyNot);
  if (!compositor_) return false;
  waitFor([&] { return fs::exists(addressPath) || !compositor_->running(); }, kCompositorStartMs);
  busAddress_ = readFile(addressPath);
  while (!busAddress_.empty() && busAddress_.back() == '\n') busAddress_.pop_back();
  if (busAddress_.empty()) {
    if (whyNot) *whyNot = "dbus-run-session gave no bus address; its log ends:" + logTail(logPath);
    return false;
  }
  const std::string socketPath = runtimeDirectory_ + "/" + waylandDisplay_;
  bool listening = false;
  waitFor([&] { return (listening = acceptsConnections(socketPath)) || !compositor_->running(); },
          kCompositorStartMs);
  if (!listening && whyNot)
    *whyNot = (compositor_->running() ? "no Wayland socket at " + socketPath + " in time"
                                      : argv[0] + " ended") +
              "; its log ends:" + logTail(logPath);
  return listening;
}

bool WaylandSession::waitForXwaylandDisplay(const std::string& marker, std::string* whyNot) {
  waitFor(
      [&] {
        display_ = displayAfter(readFile(compositorLog_), marker);
        return !display_.empty() || !compositor_->running();
      },
      kCompositorStartMs);
  if (display_.empty() && whyNot)
    *whyNot = "the compositor's log tells no Xwayland display (\"" + marker +
              " :N\"); it ends:" + logTail(compositorLog_);
  return !display_.empty();
}

std::string WaylandSession::scratchDirectory(const std::string& name) {
  const std::string path = directory_ + "/" + name + "-" + std::to_string(++scratchCount_);
  std::error_code ignored;
  fs::create_directories(path, ignored);
  return path;
}

// ---------------------------------------------------------------------------------------
// WestonSession

namespace {

// Opaque colours, so that the screenshot shows them as written. An idle time of 0 keeps the
// screen from blanking or locking during a long test; without the fade-in, the desktop is
// there a second sooner.
constexpr const char* kWestonConfig = R"([core]
idle-time=0

[shell]
startup-animation=none
background-color=0xff204080
panel-color=0xff303030
panel-position=top
locking=false
)";

}  // namespace

QRgb WestonSession::backgroundColor() { return qRgb(0x20, 0x40, 0x80); }
QRgb WestonSession::panelColor() { return qRgb(0x30, 0x30, 0x30); }

std::unique_ptr<WestonSession> WestonSession::start(const WaylandSessionOptions& options,
                                                    std::string* whyNot) {
  std::unique_ptr<WestonSession> session(new WestonSession());
  if (!session->makeDirectories("weston", options, whyNot)) return nullptr;
  if (!session->startWeston(options, whyNot)) return nullptr;
  if (!session->waitForShell(whyNot)) return nullptr;
  return session;
}

bool WestonSession::startWeston(const WaylandSessionOptions& options, std::string* whyNot) {
  const std::string configPath = directory_ + "/weston.ini";
  if (!writeFile(configPath, kWestonConfig)) {
    if (whyNot) *whyNot = "cannot write " + configPath;
    return false;
  }
  std::vector<std::string> argv = {"weston",
                                   "--backend=headless-backend.so",
                                   "--use-pixman",
                                   "--debug",
                                   "--width=" + std::to_string(width_),
                                   "--height=" + std::to_string(height_),
                                   "--socket=" + waylandDisplay_,
                                   "--config=" + configPath};
  if (options.xwayland) argv.push_back("--xwayland");
  if (!startCompositor(argv, directory_ + "/weston.log", whyNot)) return false;
  // Weston listens for X clients at once and starts Xwayland for the first one.
  return !options.xwayland || waitForXwaylandDisplay("xserver listening on display", whyNot);
}

// The shell is a client of its own and draws some time after the socket is there; a test
// that looks at the screen wants to see it drawn.
bool WestonSession::waitForShell(std::string* whyNot) {
  std::string lastProblem = "no screenshot yet";
  const bool drawn = waitFor(
      [&] {
        const QImage shot = screenshot(&lastProblem);
        if (shot.isNull()) return false;
        const bool ready = shot.pixel(width_ / 2, 1) == panelColor() &&
                           shot.pixel(width_ / 2, height_ - 1) == backgroundColor();
        if (!ready) lastProblem = "the panel or the background is not on the screen";
        return ready;
      },
      kShellDrawMs);
  if (!drawn && whyNot)
    *whyNot = "weston's shell did not draw (" + lastProblem +
              "); weston's log ends:" + logTail(compositorLog_);
  return drawn;
}

QImage WestonSession::screenshot(std::string* whyNot) {
  // weston-screenshooter writes wayland-screenshot-DATE.png into its working folder.
  const std::string folder = scratchDirectory("screenshot");
  ChildProcessOptions spawn;
  spawn.argv = {"/bin/sh", "-c", "cd \"$1\" && exec weston-screenshooter", "sh", folder};
  spawn.environment = environment();
  spawn.outputPath = directory_ + "/screenshooter.out";
  QImage image;
  if (runToEnd(spawn, kScreenshotMs, whyNot)) {
    std::string found;
    std::error_code ignored;
    for (const auto& entry : fs::directory_iterator(folder, ignored))
      if (entry.path().extension() == ".png") found = entry.path();
    if (found.empty() && whyNot) *whyNot = "weston-screenshooter wrote no picture";
    if (!found.empty()) image = loadedScreenshot(found, width_, height_, whyNot);
  }
  std::error_code ignored;
  fs::remove_all(folder, ignored);
  return image;
}

// ---------------------------------------------------------------------------------------
// MutterSession

MutterSession::MutterSession() = default;

std::unique_ptr<MutterSession> MutterSession::start(const WaylandSessionOptions& options,
                                                    std::string* whyNot) {
  std::unique_ptr<MutterSession> session(new MutterSession());
  if (!session->makeDirectories("mutter", options, whyNot)) return nullptr;
  if (!session->startMutter(options, whyNot)) return nullptr;
  if (!session->startPipewire(whyNot)) return nullptr;
  ChildProcess& compositor = *session->compositor_;
  // mutter names its virtual monitors Meta-0, Meta-1 ... in the order given; the empty
  // name is the primary one, the first.
  const std::string monitor = options.firstOutputWidth > 0 ? "Meta-1" : "";
  session->remote_ = MutterRemoteDesktop::open(
      session->busAddress_, monitor, [&compositor] { return compositor.running(); }, whyNot);
  if (!session->remote_) return nullptr;
  // mutter gives its seat a keyboard and a pointer only at the first event of the virtual
  // devices: a client that started before would bind no wl_pointer until the first motion,
  // and lose the button pressed right after it. Events that nothing minds go first.
  if (!session->pressKey(kShiftKeysym, whyNot) ||
      !session->movePointerTo(options.width / 2, options.height / 2, whyNot))
    return nullptr;
  return session;
}

MutterSession::~MutterSession() {
  remote_.reset();
  sessionManager_.reset();
  pipewire_.reset();
}

bool MutterSession::startMutter(const WaylandSessionOptions& options, std::string* whyNot) {
  std::vector<std::string> argv = {"mutter",
                                   "--headless",
                                   "--wayland",
                                   "--wayland-display=" + waylandDisplay_};
  if (options.firstOutputWidth > 0)
    argv.insert(argv.end(), {"--virtual-monitor", std::to_string(options.firstOutputWidth) + "x" +
                                                      std::to_string(options.firstOutputHeight)});
  argv.insert(argv.end(), {"--virtual-monitor", std::to_string(width_) + "x" + std::to_string(height_)});
  if (!options.xwayland) argv.push_back("--no-x11");
  // dbus-run-session ends the bus with its program: here that is a shell that outlives mutter.
  if (options.busOutlivesCompositor) argv.insert(argv.begin(), {"sh", "-c", "\"$@\"; exec sleep infinity", "sh"});
  if (!startCompositor(argv, directory_ + "/mutter.log", whyNot)) return false;
  return !options.xwayland || (waitForXwaylandDisplay("Using public X11 display", whyNot) &&
                               findXwaylandAuthority(whyNot));
}

// mutter's Xwayland lets in only the clients that know the cookie it writes, into a file of
// its own in the runtime folder.
bool MutterSession::findXwaylandAuthority(std::string* whyNot) {
  waitFor(
      [&] {
        std::error_code ignored;
        for (const auto& entry : fs::directory_iterator(runtimeDirectory_, ignored))
          if (entry.path().filename().string().starts_with(".mutter-Xwaylandauth."))
            xauthority_ = entry.path();
        return !xauthority_.empty() || !compositor_->running();
      },
      kCompositorStartMs);
  if (xauthority_.empty() && whyNot)
    *whyNot = "mutter wrote no .mutter-Xwaylandauth.* into " + runtimeDirectory_;
  return !xauthority_.empty();
}

// Mutter casts the screen through PipeWire, whose streams the session manager links.
bool MutterSession::startPipewire(std::string* whyNot) {
  ChildProcessOptions spawn;
  spawn.argv = {"pipewire"};
  spawn.environment = compositorEnvironment();
  spawn.outputPath = directory_ + "/pipewire.log";
  pipewire_ = ChildProcess::spawn(spawn, whyNot);
  if (!pipewire_) return false;
  const std::string socketPath = runtimeDirectory_ + "/pipewire-0";
  if (!waitFor([&] { return acceptsConnections(socketPath) || !pipewire_->running(); },
               kCompositorStartMs) ||
      !pipewire_->running()) {
    if (whyNot) *whyNot = "pipewire did not start; its log ends:" + logTail(spawn.outputPath);
    return false;
  }
  spawn.argv = {"wireplumber"};
  spawn.outputPath = directory_ + "/wireplumber.log";
  sessionManager_ = ChildProcess::spawn(spawn, whyNot);
  return bool(sessionManager_);
}

QImage MutterSession::screenshot(std::string* whyNot) {
  const std::string folder = scratchDirectory("screenshot");
  const std::string picture = folder + "/screen.png";
  ChildProcessOptions spawn;
  spawn.argv = {"gst-launch-1.0",
                "-q",
                "pipewiresrc",
                "path=" + std::to_string(remote_->node()),
                "num-buffers=1",
                "always-copy=true",
                "!",
                "videoconvert",
                "!",
                "pngenc",
                "!",
                "filesink",
                "location=" + picture};
  spawn.environment = environment();
  spawn.outputPath = directory_ + "/gst-launch.out";
  QImage image;
  if (runToEnd(spawn, kScreenshotMs, whyNot))
    image = loadedScreenshot(picture, width_, height_, whyNot);
  else if (whyNot && !sessionManager_->running())
    *whyNot += "; wireplumber, which links the streams, has ended:" +
               logTail(directory_ + "/wireplumber.log");
  std::error_code ignored;
  fs::remove_all(folder, ignored);
  return image;
}

bool MutterSession::movePointerTo(double x, double y, std::string* whyNot) {
  return remote_->movePointerTo(x, y, whyNot);
}

bool MutterSession::click(std::string* whyNot) {
  return remote_->button(kLeftButton, true, whyNot) && remote_->button(kLeftButton, false, whyNot);
}

bool MutterSession::rightClick(std::string* whyNot) {
  return remote_->button(kRightButton, true, whyNot) && remote_->button(kRightButton, false, whyNot);
}

bool MutterSession::pressKey(unsigned keysym, std::string* whyNot) { return pressKeys({keysym}, whyNot); }

bool MutterSession::pressKeys(const std::vector<unsigned>& keysyms, std::string* whyNot) {
  for (const unsigned keysym : keysyms)
    if (!remote_->keysym(keysym, true, whyNot)) return false;
  for (auto keysym = keysyms.rbegin(); keysym != keysyms.rend(); ++keysym)
    if (!remote_->keysym(*keysym, false, whyNot)) return false;
  return true;
}

namespace {
constexpr uid_t kNobody = 65534;
}  // namespace

std::vector<std::string> asSessionUser(std::vector<std::string> argv) {
  if (::geteuid() != 0) return argv;
  std::vector<std::string> wrapped = {"setpriv", "--reuid=" + std::to_string(kNobody),
                                      "--regid=" + std::to_string(kNobody), "--clear-groups"};
  wrapped.insert(wrapped.end(), argv.begin(), argv.end());
  return wrapped;
}

bool giveToSessionUser(const std::string& path) {
  return ::geteuid() != 0 || ::chown(path.c_str(), kNobody, kNobody) == 0;
}

}  // namespace tov::test
