#pragma once
// The mouse messages of Win32 as the layer's events carry them: the button of a press or
// release and the keys and buttons held, with the left and right buttons exchanged while the
// program mirrors them for its own windows (see ui/mirrored_buttons.h).

#include <windows.h>

#include <optional>

#include "ui/mouse.h"

namespace tov::win32 {

void setButtonsMirrored(bool mirrored);
bool buttonsMirrored();

// The button of WM_xBUTTONDOWN or WM_xBUTTONUP (x: L, R, M); none for other messages.
std::optional<TMouseButton> buttonOf(UINT message);
// The keys and buttons of a mouse message's wParam (MK_*), Alt from the keyboard's state.
TShiftState shiftStateOf(WPARAM keys);
bool anyButtonHeld(WPARAM keys);

}  // namespace tov::win32
