#pragma once
// Lighter and darker shades of a colour, as the view's frames and dimmed arrows take them: the
// value of the colour's hue-saturation-value form multiplied by factor / 100 (lighter) or
// 100 / factor (darker), in 16-bit components; a lighter shade that passes full value gives
// up saturation instead. A factor below 100 turns one into the other; 0 or less changes
// nothing. The same shades a Qt colour's lighter() and darker() give.

#include "imaging/bitmap.h"

namespace tov {

Color lighterShade(Color colour, int factor);
Color darkerShade(Color colour, int factor);

}  // namespace tov
