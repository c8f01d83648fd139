#include "platform/win32/win32_pointer.h"

#include <windows.h>

namespace tov::win32 {

void Win32Pointer::setButtonsSwapped(bool swapped) {
  SystemParametersInfoW(SPI_SETMOUSEBUTTONSWAP, swapped ? TRUE : FALSE, nullptr, 0);
}

bool Win32Pointer::buttonsSwapped() { return GetSystemMetrics(SM_SWAPBUTTON) != 0; }

}  // namespace tov::win32
