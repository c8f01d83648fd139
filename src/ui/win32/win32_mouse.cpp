#include "ui/win32/win32_mouse.h"

namespace tov::win32 {

namespace {
// The user-interface thread is the only one that reads and sets it.
bool g_mirrored = false;
}  // namespace

void setButtonsMirrored(bool mirrored) { g_mirrored = mirrored; }

bool buttonsMirrored() { return g_mirrored; }

std::optional<TMouseButton> buttonOf(UINT message) {
  switch (message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP: return g_mirrored ? TMouseButton::mbRight : TMouseButton::mbLeft;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP: return g_mirrored ? TMouseButton::mbLeft : TMouseButton::mbRight;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP: return TMouseButton::mbMiddle;
    default: return std::nullopt;
  }
}

TShiftState shiftStateOf(WPARAM keys) {
  TShiftState shift = 0;
  if (keys & MK_SHIFT) shift |= ssShift;
  if (keys & MK_CONTROL) shift |= ssCtrl;
  if (GetKeyState(VK_MENU) < 0) shift |= ssAlt;
  if (keys & MK_LBUTTON) shift |= g_mirrored ? ssRight : ssLeft;
  if (keys & MK_RBUTTON) shift |= g_mirrored ? ssLeft : ssRight;
  if (keys & MK_MBUTTON) shift |= ssMiddle;
  return shift;
}

bool anyButtonHeld(WPARAM keys) { return (keys & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON)) != 0; }

}  // namespace tov::win32
