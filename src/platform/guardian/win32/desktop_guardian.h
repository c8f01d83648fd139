#pragma once
// The menu's side of the Windows desktop guardian (guardian.h), a small process that gives
// the display mode, the taskbars and the mouse buttons back should the menu end without doing
// it itself (a crash, `taskkill /F`). The services record with it before every change of that
// global state and after every give-back (IUndoRecorder).
//
// The guardian gets the read end of an anonymous pipe as its standard input and an
// inheritable handle of the menu's own process; it inherits nothing else (the process's
// handle list). The menu's write end is not inheritable, so no program the menu starts keeps
// the pipe open. The records need no answer: a record written before the guardian runs waits
// in the pipe, and the process handle it was given at its creation tells it of the menu's
// end however early that comes. Writing to a guardian that has gone fails (ERROR_NO_DATA),
// it does not end the menu.
//
// The guardian is not the menu's child: a first process starts it and ends (see
// tovaleer_guardian.cpp), so that ending the menu's process tree does not end it too.

#include "platform/guardian/undo_recorder.h"

#include <string>

namespace tov::guardian {

class DesktopGuardian : public IUndoRecorder {
 public:
  // guardianPath: the guardian's executable.
  explicit DesktopGuardian(std::wstring guardianPath);
  // Tells the guardian that the menu ends cleanly and waits a moment for it to end.
  ~DesktopGuardian() override;
  DesktopGuardian(const DesktopGuardian&) = delete;
  DesktopGuardian& operator=(const DesktopGuardian&) = delete;

  // tovaleer-guardian.exe in the folder of this program's own executable.
  static std::wstring besideThisProgram();

  // Starts the guardian's process, without waiting for it. Without this the first record
  // starts it.
  void launch();

  // Hands the undo over. A guardian that cannot be started or has gone is reported once on
  // stderr; the menu goes on without it.
  void record(const UndoRecord& undo) override;

 private:
  bool spawn();
  bool send(const std::string& bytes);
  void giveUp(const std::string& message);

  std::wstring guardianPath_;
  void* channel_ = nullptr;  // the pipe's write end (a HANDLE) while a guardian listens
  void* process_ = nullptr;  // the process that starts the guardian (a HANDLE)
  bool givenUp_ = false;
};

}  // namespace tov::guardian
