#pragma once
// A real X server for integration and end-to-end tests: Xorg with the dummy driver (whose
// display modes can be switched) or Xvfb, optionally with openbox as the window manager
// and tint2 as a real taskbar. Everything it starts is ended when it goes.

#include "support/child_process.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tov::test {

struct XSessionOptions {
  bool xorgDummy = true;       // false: Xvfb, which cannot switch display modes
  bool windowManager = false;  // openbox
  bool taskbar = false;        // tint2
};

class XSession {
 public:
  // Null with the reason when the server or one of its companions does not come up
  // (Xorg needs root, for one).
  static std::unique_ptr<XSession> start(const XSessionOptions& options, std::string* whyNot);
  ~XSession();
  XSession(const XSession&) = delete;
  XSession& operator=(const XSession&) = delete;

  const std::string& display() const { return display_; }  // ":N"
  // Where the server's log and the companions' output are kept while the session lives.
  const std::string& directory() const { return directory_; }

  // Runs a shell command with DISPLAY set and returns what it wrote to stdout.
  std::string run(const std::string& shellCommand, int* exitCode = nullptr);
  // Starts a program with DISPLAY set and leaves it running; its output goes to outputPath.
  std::unique_ptr<ChildProcess> launch(const std::vector<std::string>& argv,
                                       const std::string& outputPath, std::string* whyNot);
  // Polls condition until it holds or timeoutMs has passed; tells whether it held.
  bool waitFor(const std::function<bool()>& condition, int timeoutMs);

  // Ends the companions and the server now; what is connected to it sees the server go.
  void stop();

 private:
  XSession() = default;
  bool startServer(const XSessionOptions& options, std::string* whyNot);
  bool startWindowManager(std::string* whyNot);
  bool startTaskbar(std::string* whyNot);
  std::vector<std::string> companionEnvironment() const;

  std::string directory_;
  std::string display_;
  std::unique_ptr<ChildProcess> server_;
  std::unique_ptr<ChildProcess> windowManager_;
  std::unique_ptr<ChildProcess> taskbar_;
};

// Whether X tests must run here (CI, or TOVALEER_REQUIRE_X=1) instead of being skipped
// when no X server can be started.
bool xTestsRequired();

}  // namespace tov::test

// In a test: skips it with the reason, or fails it where X tests are required.
#define TOV_SKIP_WITHOUT_X(session, whyNot)                  \
  do {                                                       \
    if (!(session)) {                                        \
      if (::tov::test::xTestsRequired()) FAIL() << (whyNot); \
      GTEST_SKIP() << (whyNot);                              \
    }                                                        \
  } while (false)
