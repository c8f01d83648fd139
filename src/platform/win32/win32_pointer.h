#pragma once
// The exchange of the left and right mouse buttons for the whole session:
// SystemParametersInfoW(SPI_SETMOUSEBUTTONSWAP) without SPIF_UPDATEINIFILE, so that nothing
// is written to the user's profile and the setting ends with the session; read back with
// GetSystemMetrics(SM_SWAPBUTTON).

#include "platform/pointer.h"

namespace tov::guardian {
class IUndoRecorder;
}

namespace tov::win32 {

class Win32Pointer : public IPointer {
 public:
  // guardian (may be null) is told before the buttons are first exchanged (as the pointer
  // mapping 1 2 3: normal buttons), and when they are normal again.
  explicit Win32Pointer(guardian::IUndoRecorder* guardian = nullptr) : guardian_(guardian) {}

  void setButtonsSwapped(bool swapped) override;
  bool buttonsSwapped() override;

 private:
  guardian::IUndoRecorder* guardian_;
  bool exchangedForGuardian_ = false;
};

}  // namespace tov::win32
