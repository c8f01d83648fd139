#pragma once
// A program the tests start and end: its own process group, its output in a file, and an
// end that is certain (SIGTERM, then SIGKILL) when its owner lets go of it.

#include <sys/types.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tov::test {

struct ChildProcessOptions {
  std::vector<std::string> argv;         // argv[0] is looked up in PATH
  std::vector<std::string> environment;  // complete, "NAME=value"; empty: this process's own
  std::string outputPath;                // stdout and stderr go here; empty: /dev/null
  int inheritedFd = -1;                  // one descriptor the child keeps open, or -1
};

class ChildProcess {
 public:
  // Null with the reason when the program cannot be started.
  static std::unique_ptr<ChildProcess> spawn(const ChildProcessOptions& options,
                                             std::string* whyNot);
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  pid_t pid() const { return pid_; }
  bool running();
  // The exit code once it has ended within timeoutMs (128 + the signal's number when a
  // signal ended it); nothing while it still runs.
  std::optional<int> wait(int timeoutMs);
  // Ends the process group: SIGTERM, then SIGKILL if it is still there after graceMs.
  void terminate(int graceMs = 5000);

 private:
  explicit ChildProcess(pid_t pid) : pid_(pid) {}
  bool reap(bool block);

  pid_t pid_;
  std::optional<int> exitCode_;
};

// This process's environment with the given "NAME=value" entries put in place.
std::vector<std::string> environmentWith(const std::vector<std::string>& overrides);

// Polls condition every 20 ms until it holds or timeoutMs has passed; tells whether it held.
bool pollUntil(const std::function<bool()>& condition, int timeoutMs);

// The whole content of a text file; empty when it cannot be read.
std::string readFile(const std::string& path);

}  // namespace tov::test
