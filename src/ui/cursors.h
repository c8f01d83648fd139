#pragma once
// Cursors by number, as the controls name them. 0 is the default arrow; other numbers
// are registered by the components that bring them (the hand cursor is registered as 31).

#include "ui/cursorresource.h"

namespace tov {

using TCursor = int;
constexpr TCursor crDefault = 0;
constexpr TCursor crHand = 31;

namespace Screen {
// Registers (or replaces) the picture of cursor id with the installed backend.
void registerCursor(TCursor id, const CursorImage& image);
bool hasCursor(TCursor id);
}  // namespace Screen

}  // namespace tov
