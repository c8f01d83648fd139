#pragma once
// The one way a service of the menu records an undo with the desktop guardian. Every change
// of the desktop's global state (the display mode, the taskbar's docks, the pointer mapping,
// a desktop's setting) is recorded before it is made, and its give-back after it has been
// made: so what the guardian holds when the menu dies is exactly what is still to be undone.
// Plain C++ for every system: the X11, Wayland, GNOME, KDE and sway services take it, and
// Windows' will.

#include "platform/guardian/undo_record.h"

namespace tov::guardian {

class IUndoRecorder {
 public:
  virtual ~IUndoRecorder() = default;

  // Never fails for the caller: a guardian that cannot take the record is reported by the
  // recorder, and the menu goes on without it.
  virtual void record(const UndoRecord& undo) = 0;
};

}  // namespace tov::guardian
