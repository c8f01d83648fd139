#pragma once
// Starting programs on Linux the way the Windows shell's "open", "print" and "explore" do:
// an executable file is spawned directly with the arguments the Windows rules give; a Windows
// program (told by its headers) is run by Wine with the same arguments; a document or a folder
// is handed to the desktop's opener; the end of a child is seen with waitpid.
//
// A child is reaped by the poll or wait that sees its end. A child released while it still
// runs is watched through a pidfd on the event loop and reaped as soon as it ends, so no
// zombie is left behind even when nobody asks about it again.
//
// A child gets the environment the starter was given, with only what the start needs added
// (Wine's UTF-8 character locale). A launcher's start-up token (XDG_ACTIVATION_TOKEN,
// DESKTOP_STARTUP_ID) is never handed on: it was given for this process's first window, and
// a child showing a window with it would take the focus with a token already used.
//
// A suite that holds Windows programs gets Wine kept ready (wine_keeper.h) from prepareFor()
// on, in the environment and prefix its programs will be started with, until the starter goes.
//
// Every child gets a process group of its own, so that a Ctrl+C or hang-up meant for the
// menu's terminal does not end the pupil's activity with it (on Windows a started program is
// just as independent of its starter). Children still running when the starter goes are left
// running; the system takes them over when this process ends.

#include <sys/types.h>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/event_loop.h"
#include "platform/posix/program_kind.h"
#include "platform/posix/wine.h"
#include "platform/posix/wine_keeper.h"
#include "platform/process.h"

namespace tov::posix {

// The desktop programs that stand in for the shell's file associations. A name without a
// slash is looked up in PATH at each start.
struct HelperPrograms {
  std::string opener = "xdg-open";  // opens a document or a folder with the desktop's choice
  std::string printer = "lp";       // prints a document on the default printer
};

// This process's environment, as NAME=VALUE entries.
std::vector<std::string> currentEnvironment();

class PosixProcessStarter : public IProcessStarter {
 public:
  // Every child starts from `environment`, or from this process's environment at the time of
  // the start when none is given. The program entry gives the one the program was started
  // with, taken before it set anything for its own windows (the toolkit's platform and
  // scale), which are not the started programs' business.
  explicit PosixProcessStarter(HelperPrograms helpers = {}, WineSetup wine = {},
                               std::optional<std::vector<std::string>> environment = std::nullopt);
  ~PosixProcessStarter() override;
  PosixProcessStarter(const PosixProcessStarter&) = delete;
  PosixProcessStarter& operator=(const PosixProcessStarter&) = delete;

  StartResult start(const StartRequest& request) override;
  ProcessStatus poll(ProcessHandle process) override;
  ProcessStatus wait(ProcessHandle process) override;
  void release(ProcessHandle process) override;
  std::string failureMessage(int instanceResult, const std::string& file) override;
  std::string pathAsSeenBy(const std::string& program, const std::string& path) override;
  // Keeps Wine ready when one of programs is a Windows program that Wine can run, and the
  // prefix needs no making or update (winePrefixIsCurrent). Reads only the programs' headers.
  void prepareFor(const std::vector<std::string>& programs) override;

 private:
  struct Child {
    pid_t pid = 0;
    bool ended = false;
    ProcessStatus status;  // final once ended
  };
  struct ReleasedChild;

  StartResult spawnChild(const std::string& program, const std::vector<std::string>& arguments,
                         const std::string& directory, const std::vector<std::string>& environment);
  std::vector<std::string> childEnvironment() const;
  StartResult spawnWindowsProgram(const std::string& program, ProgramKind kind, const StartRequest& request);
  StartResult spawnHelper(const std::string& helper, const std::string& target,
                          const std::string& directory);
  // Takes the child's end if it has come; blocking waits for it.
  void reap(Child& child, bool blocking);
  std::string noAssociationMessage(const std::string& file);
  void watchReleased(pid_t pid);
  // Reaps released children that have ended since.
  void sweepReleased();

  HelperPrograms helpers_;
  WineSetup wine_;  // runs Windows programs
  std::optional<std::vector<std::string>> environment_;  // the children's; none: ours
  std::map<ProcessHandle, Child> children_;
  std::vector<std::unique_ptr<ReleasedChild>> released_;  // still running when released
  // Sweeps queued by the pidfd watches run in its name, so none outlives this starter.
  LoopContext sweeps_;
  ProcessHandle lastHandle_ = 0;
  bool prepared_ = false;
  std::unique_ptr<WineKeeper> wineKeeper_;  // declared last: it goes first, and Wine after it
};

}  // namespace tov::posix
