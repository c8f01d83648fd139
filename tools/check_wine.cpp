#include "check_wine.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/errors.h"
#include "platform/posix/program_search.h"
#include "platform/posix/wine.h"

extern char** environ;

namespace tov::check {
namespace {

// The same commands as the menu's own failure box gives.
const char* const kInstallWine = tov::errorText(ErrorCode::InstallWineCommand);
const char* const kInstall32BitPart = tov::errorText(ErrorCode::InstallWine32BitCommand);

struct RunOutcome {
  int spawnError = 0;  // errno of a start that failed
  int waitStatus = 0;  // as waitpid reports it
  bool succeeded() const { return spawnError == 0 && WIFEXITED(waitStatus) && WEXITSTATUS(waitStatus) == 0; }
};

// Starts the program without a shell, with this process's environment and its output on ours,
// and waits for its end.
RunOutcome runAndWait(const std::vector<std::string>& argv) {
  std::vector<char*> pointers;
  for (const std::string& argument : argv) pointers.push_back(const_cast<char*>(argument.c_str()));
  pointers.push_back(nullptr);
  std::fflush(nullptr);  // what we printed comes before what the child prints
  pid_t child = 0;
  RunOutcome outcome;
  outcome.spawnError = ::posix_spawn(&child, argv.front().c_str(), nullptr, nullptr, pointers.data(), environ);
  if (outcome.spawnError != 0) return outcome;
  while (::waitpid(child, &outcome.waitStatus, 0) < 0) {
    if (errno != EINTR) {
      outcome.spawnError = errno;
      break;
    }
  }
  return outcome;
}

std::string describe(const RunOutcome& outcome) {
  if (outcome.spawnError != 0) return std::string("it could not be started: ") + std::strerror(outcome.spawnError);
  if (WIFSIGNALED(outcome.waitStatus)) return "it was ended by signal " + std::to_string(WTERMSIG(outcome.waitStatus));
  return "it ended with status " + std::to_string(WEXITSTATUS(outcome.waitStatus));
}

}  // namespace

std::optional<std::string> wineShortcoming(posix::ProgramKind kind) {
  if (kind != posix::ProgramKind::Windows32 && kind != posix::ProgramKind::Windows64) return std::nullopt;
  switch (posix::findWine(posix::WineSetup{}, kind).shortfall) {
    case posix::WineShortfall::NoWine: {
      std::string text = std::string("this machine has no Wine to run it (install it: ") + kInstallWine;
      if (kind == posix::ProgramKind::Windows32) text += std::string(", and for 32-bit programs: ") + kInstall32BitPart;
      return text + ")";
    }
    case posix::WineShortfall::No32BitPart:
      return std::string("this machine's Wine has no 32-bit part (install it: ") + kInstall32BitPart + ")";
    default: return std::nullopt;
  }
}

std::string winePrefix() {
  const char* prefix = std::getenv("WINEPREFIX");
  if (prefix && *prefix) return prefix;
  const char* home = std::getenv("HOME");
  return std::string(home && *home ? home : "~") + "/.wine";
}

bool prepareWinePrefix() {
  const std::string wine = posix::findInPath("wine");
  if (wine.empty()) {
    std::fprintf(stderr,
                 "tovaleer-check: cannot prepare Wine: there is no wine on PATH. Install it: %s "
                 "(for 32-bit programs also: %s)\n",
                 kInstallWine, kInstall32BitPart);
    return false;
  }
  const std::string prefix = winePrefix();
  std::printf("Preparing the Wine prefix %s: running %s wineboot -i (about ten seconds for a new prefix; "
              "Wine may print messages of its own)\n",
              prefix.c_str(), wine.c_str());
  // Wine keeps one prefix per account and refuses one that another account owns.
  if (::geteuid() == 0 && !std::getenv("WINEPREFIX"))
    std::printf("Note: this prepares root's own prefix; each pupil account has its own ~/.wine, so run "
                "this as the account the pupils use.\n");
  const RunOutcome boot = runAndWait({wine, "wineboot", "-i"});
  if (!boot.succeeded()) {
    std::fprintf(stderr, "tovaleer-check: wine wineboot -i failed (%s): the Wine prefix %s is not ready\n",
                 describe(boot).c_str(), prefix.c_str());
    return false;
  }
  // The Wine server writes the prefix's registry when it ends, a few seconds after the last
  // program; waiting for it leaves the prefix complete on disk when we say so.
  if (const std::string server = posix::findInPath("wineserver"); !server.empty()) runAndWait({server, "-w"});
  std::printf("The Wine prefix %s is ready: the first Windows program a pupil starts will not have to "
              "create it.\n",
              prefix.c_str());
  return true;
}

}  // namespace tov::check
