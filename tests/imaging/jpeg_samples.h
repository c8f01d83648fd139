#pragma once
// JPEG files made by libjpeg's compressor, so the tests need no binary fixtures.

#include <cstdint>
#include <vector>

#include "imaging/bitmap.h"

namespace tov::test {

enum class JpegKind { colour, grey, adobeCmyk };

// A solid picture of `color`; adobeCmyk writes it the way Adobe's programs do (inverted ink).
std::vector<std::uint8_t> solidJpeg(int width, int height, Color color,
                                    JpegKind kind = JpegKind::colour);

// Left half `left`, right half `right`: lets a test tell a copy from a mirror or a shift.
std::vector<std::uint8_t> twoColourJpeg(int width, int height, Color left, Color right);

// Whether two colours differ by at most `tolerance` in every channel (JPEG is lossy).
bool nearColour(Color a, Color b, int tolerance = 6);

}  // namespace tov::test
