#pragma once
// The exchange of the left and right mouse buttons for the whole session:
// SystemParametersInfoW(SPI_SETMOUSEBUTTONSWAP) without SPIF_UPDATEINIFILE, so that nothing
// is written to the user's profile and the setting ends with the session; read back with
// GetSystemMetrics(SM_SWAPBUTTON).

#include "platform/pointer.h"

namespace tov::win32 {

class Win32Pointer : public IPointer {
 public:
  void setButtonsSwapped(bool swapped) override;
  bool buttonsSwapped() override;
};

}  // namespace tov::win32
