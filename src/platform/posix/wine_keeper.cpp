#include "platform/posix/wine_keeper.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <filesystem>

#include "platform/posix/wine.h"

namespace tov::posix {

namespace {

namespace fs = std::filesystem;

// Long enough for a keeper still coming up to reach its input's end; once Wine is up it ends
// within milliseconds.
constexpr int kEndWaitMs = 2000;

bool isRegularFile(const fs::path& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

fs::path prefixOf(const std::vector<std::string>& environment) {
  if (const std::string_view prefix = environmentValue(environment, "WINEPREFIX"); !prefix.empty())
    return fs::path(prefix);
  const std::string_view home = environmentValue(environment, "HOME");
  return home.empty() ? fs::path() : fs::path(home) / ".wine";
}

// The start of a small file; empty when it cannot be read.
std::string headOf(const fs::path& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) return {};
  char buffer[64];
  ssize_t got;
  do {
    got = ::read(fd, buffer, sizeof buffer);
  } while (got < 0 && errno == EINTR);
  ::close(fd);
  return got > 0 ? std::string(buffer, std::size_t(got)) : std::string();
}

// The wine.inf that comes with wine, where Wine's installations keep it.
fs::path wineInfBeside(const std::string& wine) {
  std::error_code error;
  for (const fs::path& program : {fs::path(wine), fs::canonical(wine, error)}) {
    const fs::path inf = program.parent_path().parent_path() / "share" / "wine" / "wine.inf";
    if (!program.empty() && isRegularFile(inf)) return inf;
  }
  return {};
}

bool timestampMatches(const std::string& recorded, const fs::path& wineInf) {
  unsigned long long seconds = 0;
  const auto [end, error] = std::from_chars(recorded.data(), recorded.data() + recorded.size(), seconds);
  struct stat info {};
  return error == std::errc() && ::stat(wineInf.c_str(), &info) == 0 &&
         seconds == static_cast<unsigned long long>(info.st_mtime);
}

// Through syscall(): glibc 2.36's <sys/pidfd.h> cannot be included from C++.
int openPidfd(pid_t pid) { return int(::syscall(SYS_pidfd_open, pid, 0)); }

std::vector<char*> pointersTo(const std::vector<std::string>& strings) {
  std::vector<char*> pointers;
  pointers.reserve(strings.size() + 1);
  for (const std::string& text : strings) pointers.push_back(const_cast<char*>(text.c_str()));
  pointers.push_back(nullptr);
  return pointers;
}

// The keeper reads the pipe as its standard input and writes to /dev/null, so that neither it
// nor the Wine server it may start holds the menu's output open. From the root folder, so
// that it does not hold the program folder (a removable disk) busy; a group of its own, so
// that a Ctrl+C for the menu's terminal does not reach it; every signal at its default.
int spawnKeeper(const std::string& wine, const std::vector<std::string>& environment, int input, pid_t& pid) {
  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attributes;
  posix_spawn_file_actions_init(&actions);
  posix_spawnattr_init(&attributes);
  posix_spawn_file_actions_adddup2(&actions, input, STDIN_FILENO);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
  posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
  posix_spawn_file_actions_addchdir_np(&actions, "/");
  sigset_t all, none;
  sigfillset(&all);
  sigemptyset(&none);
  posix_spawnattr_setsigdefault(&attributes, &all);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setpgroup(&attributes, 0);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
  const std::vector<std::string> argv = {wine, "cmd"};
  std::vector<char*> arguments = pointersTo(argv);
  std::vector<char*> entries = pointersTo(environment);
  const int error = ::posix_spawn(&pid, wine.c_str(), &actions, &attributes, arguments.data(), entries.data());
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  return error;
}

}  // namespace

bool winePrefixIsCurrent(const std::vector<std::string>& environment, const std::string& wine) {
  const fs::path prefix = prefixOf(environment);
  // Wine refuses a relative prefix.
  if (!prefix.is_absolute() || !isRegularFile(prefix / "system.reg")) return false;
  const std::string recorded = headOf(prefix / ".update-timestamp");
  if (recorded.starts_with("disable")) return true;
  const fs::path wineInf = wineInfBeside(wine);
  return !wineInf.empty() && timestampMatches(recorded, wineInf);
}

std::unique_ptr<WineKeeper> WineKeeper::start(const std::string& wine, const std::vector<std::string>& environment) {
  int ends[2];
  if (::pipe2(ends, O_CLOEXEC) != 0) return nullptr;
  // dup2 onto the descriptor it already is would keep close-on-exec set: a reading end that
  // landed on 0 (the menu started with its input closed) is moved up first.
  int input = ends[0];
  if (input == STDIN_FILENO) input = ::fcntl(ends[0], F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
  pid_t pid = 0;
  const int error = input < 0 ? errno : spawnKeeper(wine, environment, input, pid);
  if (input != ends[0] && input >= 0) ::close(input);
  ::close(ends[0]);
  if (error != 0) {
    ::close(ends[1]);
    return nullptr;
  }
  return std::unique_ptr<WineKeeper>(new WineKeeper(pid, ends[1]));
}

WineKeeper::WineKeeper(pid_t pid, int input) : pid_(pid), input_(input), pidfd_(openPidfd(pid)) {
  if (pidfd_ < 0 || !hasEventLoop()) return;
  endWatch_ = std::make_unique<LoopWatch>(pidfd_, WatchFor::Readable, [this] {
    // An ended process stays readable: watched no more once reaped.
    if (reap()) endWatch_->setEnabled(false);
  });
}

WineKeeper::~WineKeeper() {
  endWatch_.reset();
  ::close(input_);
  if (!reap() && pidfd_ >= 0) {
    pollfd ended{pidfd_, POLLIN, 0};
    while (::poll(&ended, 1, kEndWaitMs) < 0 && errno == EINTR) {
    }
    reap();
  }
  if (pidfd_ >= 0) ::close(pidfd_);
}

bool WineKeeper::reap() {
  if (reaped_) return true;
  int status = 0;
  pid_t got;
  do {
    got = ::waitpid(pid_, &status, WNOHANG);
  } while (got < 0 && errno == EINTR);
  // ECHILD: reaped elsewhere (SIGCHLD ignored); it has ended all the same.
  reaped_ = got == pid_ || (got < 0 && errno == ECHILD);
  return reaped_;
}

}  // namespace tov::posix
