#pragma once
// The layer's cursors as Qt cursors.

#include <QCursor>

#include "ui/cursors.h"

namespace tov::qt {

// Makes the cursor of id from image, replacing an earlier one. Needs the application object.
void registerCursor(TCursor id, const CursorImage& image);
// The registered cursor, or the arrow when id is not registered.
QCursor cursorOf(TCursor id);

// The cursor as the windowing system shows it: a colour picture of the black, white and
// transparent pixels.
QCursor makeCursor(const CursorImage& image);

}  // namespace tov::qt
