#pragma once
// The mouse hand on a GNOME desktop: its own setting, org.gnome.desktop.peripherals.mouse
// left-handed, which the compositor applies to every pointer and so to every program, the
// menu's own window included. The touchpad's ('mouse', 'left' or 'right') follows the mouse's
// by default; where the desktop set it right-handed on its own it is made left-handed too.
// Unlike the X11 mapping these are kept in the user's profile, so what the menu changes is
// recorded with the guardian before it changes it and put back however the menu ends. A
// pupil whose desktop was left-handed already keeps it: normal buttons are the desktop's own
// setting. This header brings in no GLib.

#include "platform/pointer.h"

#include <memory>

namespace tov::guardian {
class IUndoRecorder;
}

namespace tov::gnome {

class GnomePointer : public IPointer {
 public:
  // Null when the session keeps no GNOME mouse settings where the desktop reads them (no
  // schema, or no settings store but the process's own memory).
  static std::unique_ptr<GnomePointer> open(guardian::IUndoRecorder* guardian);
  // Gives the desktop's own setting back.
  ~GnomePointer() override;
  GnomePointer(const GnomePointer&) = delete;
  GnomePointer& operator=(const GnomePointer&) = delete;

  // Swapped: left-handed. Not swapped: as the desktop had it when the menu started.
  void setButtonsSwapped(bool swapped) override;
  bool buttonsSwapped() override;

 private:
  struct Setting;
  GnomePointer(std::unique_ptr<Setting> mouse, std::unique_ptr<Setting> touchpad, guardian::IUndoRecorder* guardian);

  std::unique_ptr<Setting> mouse_;
  std::unique_ptr<Setting> touchpad_;  // null where the schema has no touchpad
  guardian::IUndoRecorder* guardian_;
};

}  // namespace tov::gnome
