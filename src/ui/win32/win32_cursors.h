#pragma once
// The layer's cursors as Win32 cursors: colour cursors made from the black, white and
// transparent pixels of a CursorImage.

#include <windows.h>

#include "ui/cursors.h"

namespace tov::win32 {

// Makes the cursor of id from image, replacing (and destroying) an earlier one.
void registerCursor(TCursor id, const CursorImage& image);
// The registered cursor, or the system's arrow when id is not registered.
HCURSOR cursorOf(TCursor id);

// A colour cursor: 32-bit pixels with alpha (transparent pixels 0), and a mask that leaves
// the screen as it is under them where alpha is not used. Null when the system refuses it.
HCURSOR makeCursor(const CursorImage& image);

}  // namespace tov::win32
