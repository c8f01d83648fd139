#pragma once
// The mouse hand on sway: its own `left_handed` of the input types pointer (mice) and
// touchpad, which sway applies to every such device and so to every program, the menu's own
// windows included. It is set through sway's IPC socket, the SWAYSOCK the menu inherited.
// sway forgets it when it ends, but the session lives on after the menu, so what the menu
// changes is recorded with the guardian before it changes it and put back however the menu
// ends. A desktop where any mouse or touchpad is left-handed already is left as it is: normal
// buttons are the desktop's own setting.

#include "platform/pointer.h"

#include <memory>
#include <optional>
#include <string>

namespace tov::guardian {
class IUndoRecorder;
}

namespace tov::sway {

class SwayPointer : public IPointer {
 public:
  // Null when sway cannot be reached on SWAYSOCK.
  static std::unique_ptr<SwayPointer> open(guardian::IUndoRecorder* guardian);
  // Gives the desktop's own setting back.
  ~SwayPointer() override;
  SwayPointer(const SwayPointer&) = delete;
  SwayPointer& operator=(const SwayPointer&) = delete;

  // Swapped: left-handed. Not swapped: as the desktop had it when the menu started.
  void setButtonsSwapped(bool swapped) override;
  bool buttonsSwapped() override;

 private:
  SwayPointer(bool desktopLeftHanded, guardian::IUndoRecorder* guardian);

  guardian::IUndoRecorder* guardian_;
  bool desktopLeftHanded_;  // found so at the start: the menu changes nothing
  bool setByMenu_ = false;  // sway holds left_handed enabled from the menu
};

// Whether sway's get_inputs reply (JSON) shows a mouse or touchpad that is left-handed; nothing when
// the reply is not a list of inputs.
std::optional<bool> anyPointerLeftHanded(const std::string& getInputsReply);

}  // namespace tov::sway
