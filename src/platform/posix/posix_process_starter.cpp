#include "platform/posix/posix_process_starter.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <string_view>


#include "platform/errors.h"
#include "platform/posix/command_line.h"
#include "platform/posix/program_kind.h"
#include "platform/posix/program_search.h"
#include "platform/posix/wine.h"

extern char** environ;

namespace tov::posix {

namespace {

// ---------------------------------------------------------------------------------------------
// What a start names

// A WindowsProgram is a PE image that Wine can run; a ForeignProgram is any other file that
// starts like one ("MZ": a DOS program, a damaged image), which nothing here runs.
enum class TargetKind { Missing, Denied, Folder, Program, WindowsProgram, ForeignProgram, Document, Other };

struct Target {
  std::string path;  // absolute: the child changes its folder before the program is loaded
  TargetKind kind = TargetKind::Missing;
  ProgramKind program = ProgramKind::NotRunnable;  // for a regular file: what its headers say
  int failure = 0;   // why it could not be examined, for Missing
};

int failureOfErrno(int error) {
  switch (error) {
    case ENOENT: return StartFailure::FileNotFound;
    case ENOTDIR:
    case ELOOP:
    case ENAMETOOLONG: return StartFailure::PathNotFound;
    case ENOMEM:
    case EAGAIN:
    case E2BIG:
    case EMFILE:
    case ENFILE: return StartFailure::OutOfMemory;
    case ETXTBSY: return StartFailure::SharingViolation;
    case ENOEXEC:
    case ELIBBAD: return StartFailure::NoAssociation;
    default: return StartFailure::AccessDenied;  // EACCES, EPERM, and whatever else refuses
  }
}

bool hasNul(const std::string& text) { return text.find('\0') != std::string::npos; }

bool isFolder(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool isWindows(ProgramKind kind) { return kind == ProgramKind::Windows32 || kind == ProgramKind::Windows64; }

std::string absolutePath(const std::string& path) {
  std::error_code error;
  const std::filesystem::path absolute = std::filesystem::absolute(path, error);
  return error ? path : absolute.string();
}

// A name without a slash, as the shell finds it: in the current folder first, then, for a
// program, in PATH.
std::string findBareName(const std::string& name) {
  struct stat info {};
  if (::stat(name.c_str(), &info) == 0) return absolutePath(name);
  const std::string found = findInPath(name);
  return found.empty() ? absolutePath(name) : found;
}

// The absolute path of what a start names.
std::string locate(const std::string& file) {
  return file.find('/') == std::string::npos ? findBareName(file) : absolutePath(file);
}

std::string folderOf(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos || slash == 0 ? "/" : path.substr(0, slash);
}

enum class Magic { NativeProgram, ForeignProgram, Other, Unreadable };

// What the first bytes say. Only native formats are run by the kernel without help.
Magic readMagic(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return Magic::Unreadable;
  std::array<char, 4> head{};
  const ssize_t got = ::read(fd, head.data(), head.size());
  ::close(fd);
  if (got < 0) return Magic::Unreadable;
  const std::string_view bytes(head.data(), std::size_t(got));
  if (bytes == std::string_view("\x7f" "ELF", 4) || bytes.substr(0, 2) == "#!") return Magic::NativeProgram;
  if (bytes.substr(0, 2) == "MZ") return Magic::ForeignProgram;  // a Windows program
  return Magic::Other;
}

TargetKind kindOfOtherRegularFile(const std::string& path) {
  // An executable file is run even when its first bytes are unknown: the kernel may have a
  // handler for its format, and when it has none the start fails with "no association".
  if (::access(path.c_str(), X_OK) == 0) return TargetKind::Program;
  switch (readMagic(path)) {
    case Magic::NativeProgram: return TargetKind::Program;  // refused when started: access denied
    case Magic::ForeignProgram: return TargetKind::ForeignProgram;
    case Magic::Unreadable: return TargetKind::Denied;  // nothing could open it either
    case Magic::Other: break;
  }
  return TargetKind::Document;
}

// A Windows program is told by its headers, not by its name or execute bit: files copied
// from Windows media carry neither reliably.
void classifyRegularFile(Target& target) {
  target.program = programKindOf(target.path);
  target.kind = isWindows(target.program) ? TargetKind::WindowsProgram : kindOfOtherRegularFile(target.path);
}

Target examine(const std::string& file) {
  Target target;
  target.path = locate(file);
  struct stat info {};
  if (::stat(target.path.c_str(), &info) != 0) {
    const int error = errno;
    target.failure = error == ENOENT && !isFolder(folderOf(target.path)) ? StartFailure::PathNotFound
                                                                           : failureOfErrno(error);
    return target;
  }
  if (S_ISDIR(info.st_mode))
    target.kind = TargetKind::Folder;
  else if (S_ISREG(info.st_mode))
    classifyRegularFile(target);
  else
    target.kind = TargetKind::Other;  // devices, pipes and sockets are not opened
  return target;
}

// The working folder must exist before anything is started; a missing one is a missing path.
int checkWorkingFolder(const std::string& directory) {
  if (directory.empty()) return 0;
  if (hasNul(directory)) return StartFailure::PathNotFound;
  struct stat info {};
  if (::stat(directory.c_str(), &info) != 0) {
    const int error = errno;
    return error == ENOENT ? StartFailure::PathNotFound : failureOfErrno(error);
  }
  return S_ISDIR(info.st_mode) ? 0 : StartFailure::PathNotFound;
}

// ---------------------------------------------------------------------------------------------
// posix_spawn with everything a fresh program should start with

// The null-terminated array of C strings that exec takes; valid while strings lives.
std::vector<char*> pointersTo(const std::vector<std::string>& strings) {
  std::vector<char*> pointers;
  pointers.reserve(strings.size() + 1);
  for (const std::string& text : strings) pointers.push_back(const_cast<char*>(text.c_str()));
  pointers.push_back(nullptr);
  return pointers;
}

class SpawnSetup {
 public:
  explicit SpawnSetup(const std::string& directory) {
    posix_spawnattr_init(&attributes_);
    posix_spawn_file_actions_init(&actions_);
    // A group of its own (see the header), every signal at its default (an ignored signal
    // would survive exec) and none blocked.
    sigset_t all;
    sigfillset(&all);
    sigdelset(&all, SIGKILL);
    sigdelset(&all, SIGSTOP);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigdefault(&attributes_, &all);
    posix_spawnattr_setsigmask(&attributes_, &none);
    posix_spawnattr_setpgroup(&attributes_, 0);
    posix_spawnattr_setflags(&attributes_,
                             POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
    if (!directory.empty()) posix_spawn_file_actions_addchdir_np(&actions_, directory.c_str());
    // Only the standard streams go to the child: not our X connection, pipes or files.
    posix_spawn_file_actions_addclosefrom_np(&actions_, 3);
  }
  ~SpawnSetup() {
    posix_spawn_file_actions_destroy(&actions_);
    posix_spawnattr_destroy(&attributes_);
  }
  SpawnSetup(const SpawnSetup&) = delete;
  SpawnSetup& operator=(const SpawnSetup&) = delete;

  // 0 with the pid, or the errno of the failure (the child's exec failure included).
  int spawn(const std::string& program, const std::vector<std::string>& argv, pid_t& pid,
            const std::vector<std::string>& environment) {
    std::vector<char*> arguments = pointersTo(argv);
    std::vector<char*> entries = pointersTo(environment);
    return posix_spawn(&pid, program.c_str(), &actions_, &attributes_, arguments.data(), entries.data());
  }

 private:
  posix_spawnattr_t attributes_;
  posix_spawn_file_actions_t actions_;
};

// Through syscall(): glibc 2.36's <sys/pidfd.h> cannot be included from C++.
int openPidfd(pid_t pid) { return int(::syscall(SYS_pidfd_open, pid, 0)); }

ProcessStatus statusOfWait(int waitStatus) {
  ProcessStatus status;
  status.state = ProcessStatus::Ended;
  if (WIFEXITED(waitStatus))
    status.exitCode = WEXITSTATUS(waitStatus);
  else if (WIFSIGNALED(waitStatus))
    status.exitCode = 128 + WTERMSIG(waitStatus);
  return status;
}

StartResult failed(int instanceResult) { return StartResult{instanceResult, 0}; }

bool isLauncherToken(const std::string& entry) {
  return entry.starts_with("XDG_ACTIVATION_TOKEN=") || entry.starts_with("DESKTOP_STARTUP_ID=");
}

}  // namespace

std::vector<std::string> currentEnvironment() {
  std::vector<std::string> entries;
  for (char** entry = environ; entry && *entry; ++entry) entries.emplace_back(*entry);
  return entries;
}

// ---------------------------------------------------------------------------------------------
// PosixProcessStarter

struct PosixProcessStarter::ReleasedChild {
  pid_t pid = 0;
  int pidfd = -1;  // readable once the process has ended; -1 without an event loop to watch it
  std::unique_ptr<LoopWatch> watch;

  ~ReleasedChild() {
    watch.reset();
    if (pidfd >= 0) ::close(pidfd);
  }
};

PosixProcessStarter::PosixProcessStarter(HelperPrograms helpers, WineSetup wine,
                                         std::optional<std::vector<std::string>> environment)
    : helpers_(std::move(helpers)),
      wine_(std::move(wine)),
      environment_(std::move(environment)) {}

PosixProcessStarter::~PosixProcessStarter() {
  sweepReleased();
  for (auto& [handle, child] : children_) reap(child, false);
}

StartResult PosixProcessStarter::start(const StartRequest& request) {
  sweepReleased();
  if (request.file.empty() || hasNul(request.file))
    return failed(request.verb == ShellVerb::Explore ? StartFailure::PathNotFound
                                                     : StartFailure::FileNotFound);
  if (const int failure = checkWorkingFolder(request.directory)) return failed(failure);

  const Target target = examine(request.file);
  if (target.kind == TargetKind::Missing) {
    // "explore" names a folder, so a missing one is a missing path.
    const bool folderMissing =
        request.verb == ShellVerb::Explore && target.failure == StartFailure::FileNotFound;
    return failed(folderMissing ? StartFailure::PathNotFound : target.failure);
  }
  if (target.kind == TargetKind::Denied) return failed(StartFailure::AccessDenied);

  switch (request.verb) {
    case ShellVerb::Open:
      if (target.kind == TargetKind::Program)
        return spawnChild(target.path, splitCommandLine(request.parameters), request.directory,
                          childEnvironment());
      if (target.kind == TargetKind::WindowsProgram)
        return spawnWindowsProgram(target.path, target.program, request);
      if (target.kind == TargetKind::Folder || target.kind == TargetKind::Document)
        return spawnHelper(helpers_.opener, target.path, request.directory);
      break;
    case ShellVerb::Print:
      if (target.kind == TargetKind::Document)
        return spawnHelper(helpers_.printer, target.path, request.directory);
      break;
    case ShellVerb::Explore:
      if (target.kind == TargetKind::Folder)
        return spawnHelper(helpers_.opener, target.path, request.directory);
      break;
  }
  return failed(StartFailure::NoAssociation);
}

StartResult PosixProcessStarter::spawnChild(const std::string& program,
                                            const std::vector<std::string>& arguments,
                                            const std::string& directory,
                                            const std::vector<std::string>& environment) {
  std::vector<std::string> argv;
  argv.reserve(arguments.size() + 1);
  argv.push_back(program);
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  pid_t pid = 0;
  if (const int error = SpawnSetup(directory).spawn(program, argv, pid, environment))
    return failed(failureOfErrno(error));
  // Handles are not reused while this object lives (4 billion starts), so an old handle never
  // names a new child.
  const ProcessHandle handle = ++lastHandle_;
  children_[handle] = Child{pid, false, {}};
  return StartResult{kStartSucceeded, handle};
}

StartResult PosixProcessStarter::spawnWindowsProgram(const std::string& program, ProgramKind kind,
                                                     const StartRequest& request) {
  const WineFound wine = findWine(wine_, kind);
  // Without Wine nothing here runs the program; failureMessage() tells what to install.
  if (wine.shortfall != WineShortfall::None) return failed(StartFailure::NoAssociation);
  return spawnChild(wine.program, wineArguments(program, splitCommandLine(request.parameters)),
                    request.directory, wineEnvironment(childEnvironment()));
}

StartResult PosixProcessStarter::spawnHelper(const std::string& helper, const std::string& target,
                                             const std::string& directory) {
  const std::string program = helper.find('/') == std::string::npos ? findBareName(helper) : helper;
  // Without the helper nothing on this desktop is set up to open the target.
  if (!isExecutableFile(program)) return failed(StartFailure::NoAssociation);
  // Parameters are not handed on: the opener takes one target, as the shell's associations
  // mostly do.
  return spawnChild(program, {target}, directory, childEnvironment());
}

std::vector<std::string> PosixProcessStarter::childEnvironment() const {
  std::vector<std::string> entries = environment_ ? *environment_ : currentEnvironment();
  std::erase_if(entries, isLauncherToken);
  return entries;
}

void PosixProcessStarter::reap(Child& child, bool blocking) {
  if (child.ended) return;
  int waitStatus = 0;
  pid_t got;
  do {
    got = ::waitpid(child.pid, &waitStatus, blocking ? 0 : WNOHANG);
  } while (got < 0 && errno == EINTR);
  if (got == child.pid) {
    child.status = statusOfWait(waitStatus);
    child.ended = true;
  } else if (got < 0) {
    // ECHILD: the child was reaped elsewhere (SIGCHLD ignored in this process); it has
    // ended, and its code is lost.
    child.status = ProcessStatus{ProcessStatus::Unknown, 0};
    child.ended = true;
  }
}

ProcessStatus PosixProcessStarter::poll(ProcessHandle process) {
  sweepReleased();
  const auto found = children_.find(process);
  if (found == children_.end()) return ProcessStatus{ProcessStatus::Unknown, 0};
  reap(found->second, false);
  return found->second.ended ? found->second.status : ProcessStatus{ProcessStatus::Running, 0};
}

ProcessStatus PosixProcessStarter::wait(ProcessHandle process) {
  const auto found = children_.find(process);
  if (found == children_.end()) return ProcessStatus{ProcessStatus::Unknown, 0};
  reap(found->second, true);
  return found->second.status;
}

void PosixProcessStarter::release(ProcessHandle process) {
  const auto found = children_.find(process);
  if (found == children_.end()) return;
  reap(found->second, false);
  if (!found->second.ended) watchReleased(found->second.pid);
  children_.erase(found);
}

void PosixProcessStarter::watchReleased(pid_t pid) {
  auto child = std::make_unique<ReleasedChild>();
  child->pid = pid;
  // Not yet reaped, so the pid still names our child and cannot have been reused.
  child->pidfd = hasEventLoop() ? openPidfd(pid) : -1;
  if (child->pidfd >= 0) {
    ReleasedChild* watched = child.get();
    child->watch = std::make_unique<LoopWatch>(child->pidfd, WatchFor::Readable, [this, watched] {
      // An ended process stays readable; and a watch must not be freed inside its own call,
      // so the sweep that frees it comes next, from the event loop.
      watched->watch->setEnabled(false);
      sweeps_.post([this] { sweepReleased(); });
    });
  }
  released_.push_back(std::move(child));
}

void PosixProcessStarter::sweepReleased() {
  std::erase_if(released_, [](const std::unique_ptr<ReleasedChild>& child) {
    int waitStatus = 0;
    pid_t got;
    do {
      got = ::waitpid(child->pid, &waitStatus, WNOHANG);
    } while (got < 0 && errno == EINTR);
    return got != 0;  // reaped, or no longer ours to reap
  });
}

std::string PosixProcessStarter::failureMessage(int instanceResult, const std::string& file) {
  if (instanceResult == StartFailure::NoAssociation) return noAssociationMessage(file);
  return startFailureMessage(instanceResult, file);
}

// The file is looked at again, as the start did: a Windows program that could not be started
// needs Wine, or its 32-bit part, and the message says how to install it.
std::string PosixProcessStarter::noAssociationMessage(const std::string& file) {
  const Target target = hasNul(file) ? Target{} : examine(file);
  if (target.kind == TargetKind::WindowsProgram) {
    switch (findWine(wine_, target.program).shortfall) {
      case WineShortfall::NoWine:
        return formatError(ErrorCode::StartNeedsWine, file) + errorText(ErrorCode::InstallWineCommand);
      case WineShortfall::No32BitPart:
        return formatError(ErrorCode::StartNeedsWine32Bit, file) + errorText(ErrorCode::InstallWine32BitCommand);
      case WineShortfall::None: break;
    }
  }
  return formatError(ErrorCode::StartNoAssociation, file);
}

void PosixProcessStarter::prepareFor(const std::vector<std::string>& programs) {
  if (prepared_) return;
  prepared_ = true;
  for (const std::string& program : programs) {
    if (program.empty() || hasNul(program)) continue;
    const ProgramKind kind = programKindOf(locate(program));
    if (!isWindows(kind)) continue;
    const WineFound wine = findWine(wine_, kind);
    if (wine.shortfall != WineShortfall::None) continue;
    // Exactly the environment a Windows program gets, so that the same prefix and display
    // are kept ready.
    const std::vector<std::string> environment = wineEnvironment(childEnvironment());
    if (winePrefixIsCurrent(environment, wine.program)) wineKeeper_ = WineKeeper::start(wine.program, environment);
    return;
  }
}

std::string PosixProcessStarter::pathAsSeenBy(const std::string& program, const std::string& path) {
  if (path.empty() || hasNul(program) || !isWindows(programKindOf(locate(program)))) return path;
  // Windows resolves "." and ".." by the path's text, not through links: so does this.
  const std::string absolute = std::filesystem::path(absolutePath(path)).lexically_normal().string();
  return absolute.ends_with('/') ? windowsPathForm(absolute) : windowsFileForm(absolute);
}

}  // namespace tov::posix
