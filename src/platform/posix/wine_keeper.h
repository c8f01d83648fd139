#pragma once
// Wine kept ready while the menu runs, so that a pupil's Windows activity starts as fast as a
// native one. The first program of a Wine prefix pays for Wine's own start: its server, its
// services (wineboot, services.exe and the drivers) and the desktop process (explorer.exe
// /desktop), about a second on two cores; all of these end again soon after the last program
// of the prefix has ended. A persistent server alone (`wineserver -p`) keeps the services but
// not the desktop process, which every program with a window then starts anew (a quarter of a
// second). One idle Wine program keeps all three: Wine's command interpreter, `wine cmd`,
// reading commands from a pipe that only the menu holds open for writing and never writes to.
//
// The pipe is the keeper's lifeline. When the menu ends, however it ends (SIGKILL included),
// the kernel closes the menu's end, the interpreter reads the end of its input and exits, and
// Wine's desktop, services and server follow within a few seconds, as they do after any last
// program. Nothing is made persistent, so nothing needs ending from outside: a Windows
// activity still running then is left to end by itself, as a native one is, and Wine goes
// after it.

#include <sys/types.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/event_loop.h"

namespace tov::posix {

// Whether Wine starts in the prefix of environment (NAME=VALUE entries: WINEPREFIX, else
// HOME's .wine) without making or updating the prefix first. Such a start would show Wine's
// own windows ("The Wine configuration is being updated", the Mono and Gecko installers) over
// the menu and keep both cores busy for many seconds, so it is left to the first activity, as
// before. Wine updates a prefix whose .update-timestamp holds neither "disable" nor the time
// of the wine.inf it comes with, which lies in share/wine beside the bin folder of `wine`
// (the name found in PATH, or the file it links to). No wine.inf there: not known to be
// current, so false.
bool winePrefixIsCurrent(const std::vector<std::string>& environment, const std::string& wine);

class WineKeeper {
 public:
  // Starts `wine cmd` with environment, in its own process group, from the root folder, its
  // output discarded; null when it cannot be started. Does not wait for anything.
  static std::unique_ptr<WineKeeper> start(const std::string& wine, const std::vector<std::string>& environment);
  // Closes the keeper's input, and waits a moment (at most 2 s; a few milliseconds once Wine
  // is up) for it to end so that it is reaped here. Wine's services and server end after it
  // by themselves.
  ~WineKeeper();
  WineKeeper(const WineKeeper&) = delete;
  WineKeeper& operator=(const WineKeeper&) = delete;

 private:
  WineKeeper(pid_t pid, int input);
  // Reaps the keeper once it has ended; true then.
  bool reap();

  pid_t pid_;
  int input_;        // the writing end of the keeper's standard input; nothing is written
  int pidfd_ = -1;   // readable once the keeper has ended
  bool reaped_ = false;
  // Reaps a keeper that ends while the menu runs (Wine failed to start, say).
  std::unique_ptr<LoopWatch> endWatch_;
};

}  // namespace tov::posix
