#pragma once
// Two-colour cursors kept as resources in a text form of our own, so that a cursor can be
// drawn and reviewed in any editor:
//
//   TOVCURSOR
//   32 32 5 2                 width, height, hot spot x, hot spot y
//   ....##..........          one line per pixel row, one character per pixel:
//   ...#oo#.........          '.' transparent, '#' black, 'o' white
//
// Lines end in "\n" (a "\r" before it is allowed); a last newline is optional and nothing
// may follow the last row.

#include <cstdint>
#include <span>
#include <vector>

#include "platform/errors.h"

namespace tov {

TOV_DECLARE_ERROR(EInvalidCursor, Exception);

enum class CursorPixel : std::uint8_t { Transparent, Black, White };

struct CursorImage {
  int width = 0;
  int height = 0;
  int hotX = 0;
  int hotY = 0;
  std::vector<CursorPixel> pixels;  // row by row from the top
  CursorPixel at(int x, int y) const { return pixels[std::size_t(y) * std::size_t(width) + std::size_t(x)]; }
};

// The largest cursor side a resource may give; X servers show far smaller ones.
inline constexpr int kMaxCursorSide = 256;

// Reads a cursor resource; anything but the form above raises EInvalidCursor.
CursorImage parseCursorResource(std::span<const std::uint8_t> resource);

}  // namespace tov
