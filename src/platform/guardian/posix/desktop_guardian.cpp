#include "platform/guardian/posix/desktop_guardian.h"

#include "platform/errors.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <vector>

extern char** environ;

namespace tov::guardian {

namespace {

// Starting takes an exec and an X connection: milliseconds. The limits only matter when
// something is badly wrong, and they keep the menu from hanging then.
constexpr int kReadyTimeoutMs = 3000;
constexpr int kEndTimeoutMs = 2000;

int millisecondsLeft(std::chrono::steady_clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
      deadline - std::chrono::steady_clock::now());
  return int(std::max<long long>(0, left.count()));
}

enum class Reading { Complete, Closed, TimedOut };

// Reads what arrives on fd until received holds wanted bytes, the other end closes or the
// time is up.
Reading readUpTo(int fd, std::string& received, std::size_t wanted, int timeoutMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (received.size() < wanted) {
    pollfd waiting{fd, POLLIN, 0};
    const int ready = ::poll(&waiting, 1, millisecondsLeft(deadline));
    if (ready < 0 && errno == EINTR) continue;
    if (ready == 0) return Reading::TimedOut;
    if (ready < 0) return Reading::Closed;
    char buffer[64];
    const ssize_t got = ::read(fd, buffer, std::min(sizeof buffer, wanted - received.size()));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return Reading::Closed;
    received.append(buffer, std::size_t(got));
  }
  return Reading::Complete;
}

std::vector<std::string> environmentWithDisplay(const std::string& displayName) {
  std::vector<std::string> environment;
  for (char** entry = environ; *entry; ++entry)
    if (std::strncmp(*entry, "DISPLAY=", 8) != 0) environment.emplace_back(*entry);
  // None in a Wayland session: the guardian then keeps desktop settings only.
  if (!displayName.empty()) environment.push_back("DISPLAY=" + displayName);
  return environment;
}

std::vector<char*> pointersTo(std::vector<std::string>& strings) {
  std::vector<char*> pointers;
  for (std::string& s : strings) pointers.push_back(s.data());
  pointers.push_back(nullptr);
  return pointers;
}

// posix_spawn's attributes and file actions, released however the start goes.
struct SpawnSettings {
  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attributes;
  SpawnSettings() {
    posix_spawn_file_actions_init(&actions);
    posix_spawnattr_init(&attributes);
  }
  ~SpawnSettings() {
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
  }
  SpawnSettings(const SpawnSettings&) = delete;
  SpawnSettings& operator=(const SpawnSettings&) = delete;
};

// The guardian gets its end of the socket as standard input, keeps the menu's output for
// what it has to say, and nothing else: a descriptor it inherited by accident (the
// single-instance lock, say) would outlive the menu in it. It works from the root folder,
// so that it does not hold the program folder (a removable disk, say) busy. A session of
// its own, every signal at its default and none blocked.
void prepareSpawn(SpawnSettings& settings, int guardianEnd) {
  posix_spawn_file_actions_adddup2(&settings.actions, guardianEnd, STDIN_FILENO);
  posix_spawn_file_actions_addclosefrom_np(&settings.actions, STDERR_FILENO + 1);
  posix_spawn_file_actions_addchdir_np(&settings.actions, "/");
  sigset_t none, all;
  sigemptyset(&none);
  sigfillset(&all);
  posix_spawnattr_setsigmask(&settings.attributes, &none);
  posix_spawnattr_setsigdefault(&settings.attributes, &all);
  posix_spawnattr_setflags(&settings.attributes,
                           POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
}

}  // namespace

DesktopGuardian::DesktopGuardian(std::string displayName, std::string guardianPath)
    : displayName_(std::move(displayName)), guardianPath_(std::move(guardianPath)) {}

DesktopGuardian::~DesktopGuardian() {
  if (channel_ < 0) return;
  // Its ready line is read first, so that only its end is left to see below.
  if (!ready_) awaitReady();
  send(formatRecord(CleanEnd{}));
  ::shutdown(channel_, SHUT_WR);
  // The guardian's end closes as it exits; after that it can be reaped at once.
  std::string unexpected;
  const bool ended = readUpTo(channel_, unexpected, 1, kEndTimeoutMs) == Reading::Closed;
  closeChannel();
  int status = 0;
  while (::waitpid(pid_, &status, ended ? 0 : WNOHANG) < 0 && errno == EINTR) {
  }
}

std::string DesktopGuardian::besideThisProgram() {
  std::error_code error;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
  return (self.parent_path() / "tovaleer-guardian").string();
}

void DesktopGuardian::launch() {
  if (!givenUp_ && channel_ < 0) spawn();
}

void DesktopGuardian::record(const UndoRecord& undo) {
  if (givenUp_ || !start()) return;
  if (!send(formatRecord(undo))) giveUp(errorText(ErrorCode::GuardianGone));
}

void DesktopGuardian::forgetDisplay() {
  if (channel_ < 0) displayName_.clear();
}

bool DesktopGuardian::start() {
  if (channel_ < 0 && !spawn()) return false;
  if (ready_) return true;
  if (!awaitReady()) {
    giveUp(formatError(ErrorCode::GuardianNoAnswer, guardianPath_));
    return false;
  }
  ready_ = true;
  return true;
}

bool DesktopGuardian::spawn() {
  int ends[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) {
    giveUp(formatError(ErrorCode::GuardianCannotStart,
                       guardianPath_ + " (" + std::strerror(errno) + ")"));
    return false;
  }
  channel_ = ends[0];
  // dup2 onto the descriptor it already is would keep close-on-exec set: a socket that
  // landed on 0 to 2 (the menu started with them closed) is moved up first.
  int guardianEnd = ends[1];
  if (guardianEnd <= STDERR_FILENO)
    guardianEnd = ::fcntl(ends[1], F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
  int error = guardianEnd < 0 ? errno : 0;
  if (error == 0) {
    SpawnSettings settings;
    prepareSpawn(settings, guardianEnd);
    std::vector<std::string> argv = {guardianPath_};
    std::vector<std::string> environment = environmentWithDisplay(displayName_);
    std::vector<char*> argvPointers = pointersTo(argv);
    std::vector<char*> environmentPointers = pointersTo(environment);
    error = ::posix_spawn(&pid_, guardianPath_.c_str(), &settings.actions, &settings.attributes,
                          argvPointers.data(), environmentPointers.data());
  }
  // Only the guardian holds its end from here on, so the menu sees it close when it ends.
  if (guardianEnd != ends[1] && guardianEnd >= 0) ::close(guardianEnd);
  ::close(ends[1]);
  if (error != 0) {
    pid_ = -1;
    giveUp(formatError(ErrorCode::GuardianCannotStart,
                       guardianPath_ + " (" + std::strerror(error) + ")"));
    return false;
  }
  return true;
}

bool DesktopGuardian::awaitReady() {
  std::string answer;
  return readUpTo(channel_, answer, kReadyLine.size(), kReadyTimeoutMs) ==
             Reading::Complete &&
         answer == kReadyLine;
}

bool DesktopGuardian::send(const std::string& bytes) {
  std::string_view rest = bytes;
  while (!rest.empty()) {
    const ssize_t written = ::send(channel_, rest.data(), rest.size(), MSG_NOSIGNAL);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    rest.remove_prefix(std::size_t(written));
  }
  return true;
}

// A guardian that has ended (it could not reach the X server, say) is reaped here; one
// that still runs sees its socket close and ends by itself.
void DesktopGuardian::giveUp(const std::string& message) {
  givenUp_ = true;
  std::fprintf(stderr, "tovaleer: %s\n", message.c_str());
  closeChannel();
  int status = 0;
  if (pid_ > 0) ::waitpid(pid_, &status, WNOHANG);
}

void DesktopGuardian::closeChannel() {
  if (channel_ >= 0) ::close(channel_);
  channel_ = -1;
}

}  // namespace tov::guardian
