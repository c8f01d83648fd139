#pragma once
// The mouse as the controls' events carry it: the button of a press or release, and the keys
// and buttons held.

namespace tov {

enum ShiftFlag : unsigned { ssShift = 1, ssAlt = 2, ssCtrl = 4, ssLeft = 8, ssRight = 16, ssMiddle = 32 };
using TShiftState = unsigned;

inline constexpr TShiftState kButtonsHeld = ssLeft | ssRight | ssMiddle;

enum class TMouseButton { mbLeft, mbRight, mbMiddle };

}  // namespace tov
