#include "support/child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>

extern char** environ;

namespace tov::test {

namespace {

std::vector<char*> pointersTo(std::vector<std::string>& strings) {
  std::vector<char*> pointers;
  for (std::string& s : strings) pointers.push_back(s.data());
  pointers.push_back(nullptr);
  return pointers;
}

int exitCodeOf(int status) {
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return -1;
}

// Runs in the child between fork and exec: only async-signal-safe calls from here on.
[[noreturn]] void execChild(char** argv, char** envp, int outputFd, int inheritedFd,
                            int errorPipe) {
  ::setpgid(0, 0);
  const int devNull = ::open("/dev/null", O_RDONLY);
  if (devNull >= 0) ::dup2(devNull, STDIN_FILENO);
  ::dup2(outputFd, STDOUT_FILENO);
  ::dup2(outputFd, STDERR_FILENO);
  if (inheritedFd >= 0) ::fcntl(inheritedFd, F_SETFD, 0);
  // Signals the test process blocks or ignores are no business of the child.
  sigset_t none;
  sigemptyset(&none);
  ::sigprocmask(SIG_SETMASK, &none, nullptr);
  ::execvpe(argv[0], argv, envp);
  const int error = errno;
  [[maybe_unused]] ssize_t written = ::write(errorPipe, &error, sizeof error);
  ::_exit(127);
}

}  // namespace

std::vector<std::string> environmentWith(const std::vector<std::string>& overrides) {
  std::vector<std::string> result;
  auto nameOf = [](const std::string& entry) { return entry.substr(0, entry.find('=')); };
  for (char** entry = environ; *entry; ++entry) {
    std::string current = *entry;
    bool replaced = false;
    for (const std::string& o : overrides) replaced = replaced || nameOf(o) == nameOf(current);
    if (!replaced) result.push_back(std::move(current));
  }
  result.insert(result.end(), overrides.begin(), overrides.end());
  return result;
}

std::string readFile(const std::string& path) {
  std::ifstream in(path);
  std::stringstream content;
  content << in.rdbuf();
  return content.str();
}

std::unique_ptr<ChildProcess> ChildProcess::spawn(const ChildProcessOptions& options,
                                                  std::string* whyNot) {
  auto fail = [&](const std::string& reason) -> std::unique_ptr<ChildProcess> {
    if (whyNot) *whyNot = reason;
    return nullptr;
  };
  if (options.argv.empty()) return fail("no program given");
  std::vector<std::string> argv = options.argv;
  std::vector<std::string> environment =
      options.environment.empty() ? environmentWith({}) : options.environment;
  std::vector<char*> argvPointers = pointersTo(argv);
  std::vector<char*> envPointers = pointersTo(environment);

  const std::string outputPath = options.outputPath.empty() ? "/dev/null" : options.outputPath;
  const int outputFd = ::open(outputPath.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (outputFd < 0) return fail("cannot open " + outputPath + ": " + std::strerror(errno));
  int errorPipe[2];
  if (::pipe2(errorPipe, O_CLOEXEC) != 0) {
    ::close(outputFd);
    return fail(std::string("pipe: ") + std::strerror(errno));
  }
  const pid_t pid = ::fork();
  if (pid == 0)
    execChild(argvPointers.data(), envPointers.data(), outputFd, options.inheritedFd, errorPipe[1]);
  ::close(outputFd);
  ::close(errorPipe[1]);
  if (pid < 0) {
    ::close(errorPipe[0]);
    return fail(std::string("fork: ") + std::strerror(errno));
  }
  // The pipe closes without data when exec succeeded.
  int execError = 0;
  const ssize_t got = ::read(errorPipe[0], &execError, sizeof execError);
  ::close(errorPipe[0]);
  std::unique_ptr<ChildProcess> child(new ChildProcess(pid));
  if (got == sizeof execError) {
    child->wait(5000);
    return fail("cannot run " + options.argv[0] + ": " + std::strerror(execError));
  }
  return child;
}

ChildProcess::~ChildProcess() { terminate(); }

bool ChildProcess::reap(bool block) {
  if (exitCode_) return true;
  int status = 0;
  const pid_t got = ::waitpid(pid_, &status, block ? 0 : WNOHANG);
  if (got == pid_) exitCode_ = exitCodeOf(status);
  return exitCode_.has_value();
}

bool ChildProcess::running() { return !reap(false); }

std::optional<int> ChildProcess::wait(int timeoutMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!reap(false)) {
    if (std::chrono::steady_clock::now() >= deadline) return std::nullopt;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return exitCode_;
}

void ChildProcess::terminate(int graceMs) {
  if (exitCode_) return;
  ::kill(-pid_, SIGTERM);
  if (wait(graceMs)) return;
  ::kill(-pid_, SIGKILL);
  reap(true);
}

bool pollUntil(const std::function<bool()>& condition, int timeoutMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!condition()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

}  // namespace tov::test
