#include "platform/win32/win32_pointer.h"

#include <windows.h>

#include "platform/guardian/undo_recorder.h"

namespace tov::win32 {

// Normal buttons are what the menu leaves at its end, so they count as given back whatever
// the user had before; exchanged ones are undone to normal, which is how they were found.
void Win32Pointer::setButtonsSwapped(bool swapped) {
  const bool wasSwapped = buttonsSwapped();
  bool normal = !swapped && !wasSwapped;
  if (swapped != wasSwapped) {
    if (guardian_ && swapped && !exchangedForGuardian_) {
      guardian_->record(guardian::PointerChanged{{1, 2, 3}});
      exchangedForGuardian_ = true;
    }
    const BOOL set = SystemParametersInfoW(SPI_SETMOUSEBUTTONSWAP, swapped ? TRUE : FALSE, nullptr, 0);
    normal = !swapped && set;
  }
  if (guardian_ && normal && exchangedForGuardian_) {
    guardian_->record(guardian::PointerRestored{});
    exchangedForGuardian_ = false;
  }
}

bool Win32Pointer::buttonsSwapped() { return GetSystemMetrics(SM_SWAPBUTTON) != 0; }

}  // namespace tov::win32
