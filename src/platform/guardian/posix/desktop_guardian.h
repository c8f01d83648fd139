#pragma once
// The menu's side of the desktop guardian (guardian.h), a small process that gives the
// display mode, the docks, the pointer mapping and the desktops' settings back should the
// menu die without doing it itself (SIGKILL, a crash, an abort). The services record with it
// before every change of that global state and after every give-back (IUndoRecorder); the
// first record starts it.
//
// The guardian runs in a session of its own, so that a Ctrl+C in the menu's terminal or a
// signal to the menu's process group leaves it alone. It is connected by a socket pair
// whose other end only the menu holds (close-on-exec, so no started program inherits it):
// when the menu ends in any way, the kernel closes that end and the guardian wakes up.
// A socket rather than a pipe, because a write to a guardian that has gone must fail with
// EPIPE instead of killing the menu with SIGPIPE.

#include "platform/guardian/undo_recorder.h"

#include <sys/types.h>

#include <string>

namespace tov::guardian {

class DesktopGuardian : public IUndoRecorder {
 public:
  // displayName: the X display the menu works on, given to the guardian as DISPLAY; empty
  // in a Wayland session without Xwayland, where the guardian gives back desktop settings
  // only.
  // guardianPath: the guardian's executable.
  DesktopGuardian(std::string displayName, std::string guardianPath);
  // Tells the guardian that the menu ends cleanly and waits a moment for it to end, so
  // that it is reaped here and not left to init.
  ~DesktopGuardian() override;
  DesktopGuardian(const DesktopGuardian&) = delete;
  DesktopGuardian& operator=(const DesktopGuardian&) = delete;

  // tovaleer-guardian in the folder of this program's own executable: beside it in the
  // build tree, and in the same bin folder once installed.
  static std::string besideThisProgram();

  // Starts the guardian's process and returns at once: its start (an exec and an X
  // connection) then runs beside the program's own, and the first record waits only for
  // what is left of it. Without this the first record starts it.
  void launch();

  // Hands undo over once the guardian has said it is ready. A guardian that cannot be
  // started or has gone is reported once on stderr; the menu goes on without it.
  void record(const UndoRecord& undo) override;

  // The X display has gone (Xwayland, in a Wayland session): a guardian started from now on
  // keeps desktop settings only. One that runs already copes with the loss itself.
  void forgetDisplay();

  pid_t pid() const { return pid_; }

 private:
  bool spawn();
  // The guardian running and ready for records: started first when it is not yet.
  bool start();
  bool awaitReady();
  bool send(const std::string& bytes);
  void giveUp(const std::string& message);
  void closeChannel();

  std::string displayName_;
  std::string guardianPath_;
  int channel_ = -1;  // the menu's end of the socket pair while a guardian listens
  pid_t pid_ = -1;
  bool ready_ = false;  // its ready line has been read
  bool givenUp_ = false;
};

}  // namespace tov::guardian
