#pragma once
// The mouse hand on a GNOME desktop: its own setting, org.gnome.desktop.peripherals.mouse
// left-handed, which the compositor applies to every pointer and so to every program, the
// menu's own window included. Unlike the X11 mapping the setting is kept in the user's
// profile, so what the menu changes is recorded with the guardian before it changes it and
// put back however the menu ends. A pupil whose desktop was left-handed already keeps it:
// normal buttons are the desktop's own setting. This header brings in no GLib.

#include "platform/pointer.h"

#include <memory>

namespace tov::x11 {
class DesktopGuardian;
}

namespace tov::gnome {

class GnomePointer : public IPointer {
 public:
  // Null when the session keeps no GNOME mouse settings where the desktop reads them (no
  // schema, or no settings store but the process's own memory).
  static std::unique_ptr<GnomePointer> open(x11::DesktopGuardian* guardian);
  // Gives the desktop's own setting back.
  ~GnomePointer() override;
  GnomePointer(const GnomePointer&) = delete;
  GnomePointer& operator=(const GnomePointer&) = delete;

  // Swapped: left-handed. Not swapped: as the desktop had it when the menu started.
  void setButtonsSwapped(bool swapped) override;
  bool buttonsSwapped() override;

 private:
  struct Settings;
  GnomePointer(std::unique_ptr<Settings> settings, x11::DesktopGuardian* guardian);

  std::unique_ptr<Settings> settings_;
  x11::DesktopGuardian* guardian_;
  bool original_ = false;  // the desktop's own setting
  bool reported_ = false;  // the guardian holds the original
};

}  // namespace tov::gnome
