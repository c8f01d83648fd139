#pragma once
// What the starter's tests share: a scratch folder with small shell scripts as the programs
// to start, environment variables set for one test, reading back what the scripts recorded,
// waiting on the event loop, and counting zombies.

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tov::test {

// A fresh folder under the system's temporary folder, removed with everything in it.
class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

  // A /bin/sh script; body runs with $RECORD naming a file beside it for what it records.
  std::string script(const std::string& name, const std::string& body, unsigned mode = 0755) const;
  // A script that records its arguments (NUL after each) to NAME.args and its working folder
  // to NAME.cwd, then runs tail (default: exit 0).
  std::string recorder(const std::string& name, const std::string& tail = "exit 0") const;
  std::string file(const std::string& name, const std::string& content, unsigned mode = 0644) const;
  std::string folder(const std::string& name) const;

 private:
  std::string path_;
};

// Environment variables set for one test and put back after it.
class ScopedEnvironment {
 public:
  ScopedEnvironment() = default;
  ScopedEnvironment(const ScopedEnvironment&) = delete;
  ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;
  ~ScopedEnvironment();

  // nullopt unsets the variable.
  void set(const std::string& name, const std::optional<std::string>& value);

 private:
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

// Arguments recorded by a recorder script; empty when it has not run (yet).
std::vector<std::string> recordedArguments(const std::string& recorderPath);
std::string recordedFolder(const std::string& recorderPath);
std::string readText(const std::string& path);
bool exists(const std::string& path);

// Serves the event loop until done() holds or timeoutMs have passed; done() at the end.
bool serveEventsUntil(const std::function<bool()>& done, int timeoutMs);
// Serves the event loop for ms milliseconds.
void serveEvents(int ms);

// Children of this process that have ended and not been reaped, as "pid (name)".
std::vector<std::string> zombieChildren();

}  // namespace tov::test
