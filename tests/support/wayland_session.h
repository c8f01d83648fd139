#pragma once
// Headless Wayland compositors for integration tests, each in a private runtime folder and
// on a session bus of its own (dbus-run-session): weston (headless backend, pixman, its
// desktop shell with the panel at the top; no seat, so no input) and mutter (headless, one
// virtual monitor, PipeWire for screen casting, remote-desktop input). Xwayland on request.
// Everything a session starts is ended by process group when it goes; its folders are
// removed.

#include <sys/types.h>

#include <QImage>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "support/child_process.h"

namespace tov::test {

class MutterRemoteDesktop;

struct WaylandSessionOptions {
  int width = 1024;
  int height = 768;
  bool xwayland = false;
  // The session's bus stays when the compositor ends, as a login's bus does for a while
  // after its desktop has gone (mutter only).
  bool busOutlivesCompositor = false;
  // mutter only: another output of this size, left of the one of width x height and
  // announced before it (a laptop's own screen beside its projector). The session's
  // pictures, input and size are those of the output of width x height.
  int firstOutputWidth = 0;
  int firstOutputHeight = 0;
};

class WaylandSession {
 public:
  virtual ~WaylandSession();
  WaylandSession(const WaylandSession&) = delete;
  WaylandSession& operator=(const WaylandSession&) = delete;

  int width() const { return width_; }
  int height() const { return height_; }
  // The socket's name inside runtimeDirectory(), as WAYLAND_DISPLAY takes it.
  const std::string& waylandDisplay() const { return waylandDisplay_; }
  // The private XDG_RUNTIME_DIR (mode 0700) that holds the sockets.
  const std::string& runtimeDirectory() const { return runtimeDirectory_; }
  // Xwayland's ":N"; empty without Xwayland.
  const std::string& display() const { return display_; }
  // The session's own bus, as DBUS_SESSION_BUS_ADDRESS takes it.
  const std::string& busAddress() const { return busAddress_; }
  // The running Xwayland among the compositor's processes; 0 when there is none.
  pid_t xwaylandPid() const;
  // Where the compositor's log and the companions' output are kept while the session lives.
  const std::string& directory() const { return directory_; }

  // The complete environment of a client of this session ("NAME=value"): this process's own
  // with WAYLAND_DISPLAY, XDG_RUNTIME_DIR, DBUS_SESSION_BUS_ADDRESS and
  // QT_QPA_PLATFORM=wayland in place, DISPLAY set to Xwayland's (and XAUTHORITY to its cookie
  // where it wants one) or removed, and WAYLAND_SOCKET removed. An inherited DISPLAY would
  // lead X11 clients elsewhere; without a bus of its own, a client with a DISPLAY would
  // autolaunch a bus daemon that outlives the test.
  std::vector<std::string> environment() const;
  // Starts a program with environment() and leaves it running; its output goes to outputPath.
  std::unique_ptr<ChildProcess> launch(const std::vector<std::string>& argv,
                                       const std::string& outputPath, std::string* whyNot);
  // The whole output as the compositor shows it (without the pointer); null with the reason
  // when it cannot be had.
  virtual QImage screenshot(std::string* whyNot) = 0;
  // Polls condition until it holds or timeoutMs has passed; tells whether it held.
  static bool waitFor(const std::function<bool()>& condition, int timeoutMs);

 protected:
  WaylandSession() = default;
  // Makes the session's folder (/tmp/tov-PREFIX-XXXXXX) and the runtime folder inside it.
  bool makeDirectories(const std::string& prefix, const WaylandSessionOptions& options,
                       std::string* whyNot);
  // The environment the compositor and its companions run in: the private runtime folder,
  // HOME and the XDG folders under the session's folder, the session's bus once it is there,
  // no inherited display.
  std::vector<std::string> compositorEnvironment() const;
  // Runs argv under dbus-run-session with its output in logPath; returns once the bus's
  // address is known and the Wayland socket takes connections.
  bool startCompositor(const std::vector<std::string>& argv, const std::string& logPath,
                       std::string* whyNot);
  // Reads Xwayland's display from the compositor's log: the first ":N" after marker.
  bool waitForXwaylandDisplay(const std::string& marker, std::string* whyNot);
  // A fresh, empty folder under the session's folder, for one screenshot.
  std::string scratchDirectory(const std::string& name);

  std::string directory_;
  std::string runtimeDirectory_;
  std::string waylandDisplay_ = "wayland-1";
  std::string display_;
  std::string xauthority_;  // the cookie file that Xwayland asks for; empty when none
  std::string busAddress_;
  std::string compositorLog_;
  int width_ = 0;
  int height_ = 0;
  // dbus-run-session: its bus daemon and the compositor, with the compositor's own children.
  std::unique_ptr<ChildProcess> compositor_;

 private:
  int scratchCount_ = 0;
};

// weston --backend=headless-backend.so --use-pixman --debug, desktop shell with its panel at
// the top over a plain background; screenshots through weston-screenshooter.
class WestonSession : public WaylandSession {
 public:
  // Null with the reason when weston does not come up or its shell draws nothing. Returns
  // once the panel and the background are on the output.
  static std::unique_ptr<WestonSession> start(const WaylandSessionOptions& options,
                                              std::string* whyNot);

  QImage screenshot(std::string* whyNot) override;

  // The colours this session's weston.ini gives the background and the panel.
  static QRgb backgroundColor();
  static QRgb panelColor();

 private:
  WestonSession() = default;
  bool startWeston(const WaylandSessionOptions& options, std::string* whyNot);
  bool waitForShell(std::string* whyNot);
};

// mutter --headless --wayland --virtual-monitor WxH under dbus-run-session, with pipewire and
// wireplumber on the same runtime folder. A remote-desktop session with a screen cast of the
// monitor is kept open for input and screenshots (gst-launch-1.0 takes one frame of it).
// The pointer starts in the middle of the output, so that mutter puts new windows there.
class MutterSession : public WaylandSession {
 public:
  // Null with the reason when mutter, PipeWire or the remote-desktop session do not come up.
  static std::unique_ptr<MutterSession> start(const WaylandSessionOptions& options,
                                              std::string* whyNot);
  ~MutterSession() override;

  QImage screenshot(std::string* whyNot) override;

  // Input as a remote-desktop client gives it; each returns once mutter has taken it, and
  // false with the reason when it did not. Positions are in output pixels.
  bool movePointerTo(double x, double y, std::string* whyNot = nullptr);
  bool click(std::string* whyNot = nullptr);  // the left button, pressed and released
  bool rightClick(std::string* whyNot = nullptr);
  bool pressKey(unsigned keysym, std::string* whyNot = nullptr);  // pressed and released
  // Pressed in order and released in the reverse order, as a shortcut is typed.
  bool pressKeys(const std::vector<unsigned>& keysyms, std::string* whyNot = nullptr);

 private:
  MutterSession();
  bool startMutter(const WaylandSessionOptions& options, std::string* whyNot);
  bool findXwaylandAuthority(std::string* whyNot);
  bool startPipewire(std::string* whyNot);

  std::unique_ptr<ChildProcess> pipewire_;
  std::unique_ptr<ChildProcess> sessionManager_;  // wireplumber
  std::unique_ptr<MutterRemoteDesktop> remote_;
};

// wlroots compositors (sway, cage) refuse to run as root: a root test runs them, and their
// clients, as nobody. asSessionUser wraps argv so (unchanged when the test is not root);
// giveToSessionUser hands a folder they must write to over to nobody. False with errno
// when that fails.
std::vector<std::string> asSessionUser(std::vector<std::string> argv);
bool giveToSessionUser(const std::string& path);

// A shell prefix for the menu on Wayland: under AddressSanitizer the menu's end is checked
// for leaks on X11, but Qt's Wayland plugins leave allocations to the end of the process and
// are unloaded before the check, so the check cannot tell whose they are; on Wayland it
// would fail every orderly end.
inline std::string withoutLeakCheck() { return "ASAN_OPTIONS=\"$ASAN_OPTIONS:detect_leaks=0\"; export ASAN_OPTIONS; "; }

// Whether Wayland tests must run here (CI, or TOVALEER_REQUIRE_WAYLAND=1) instead of being
// skipped when no compositor can be started.
bool waylandTestsRequired();

}  // namespace tov::test

// In a test: skips it with the reason, or fails it where Wayland tests are required.
#define TOV_SKIP_WITHOUT_WAYLAND(session, whyNot)                  \
  do {                                                             \
    if (!(session)) {                                              \
      if (::tov::test::waylandTestsRequired()) FAIL() << (whyNot); \
      GTEST_SKIP() << (whyNot);                                    \
    }                                                              \
  } while (false)
