#pragma once
// The arithmetic of the morphing button: its 24-bit buffers, the weight of each frame of a
// morph, and the blend of two buffers into a third.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "imaging/bitmap.h"

namespace tov {

// A 24-bit picture laid out as the blend walks it: rows bottom-up, 3 bytes per pixel in blue,
// green, red order, each row padded to a multiple of 4 bytes, the whole pixel array one
// contiguous block that starts at the bottom row. Buffers of the same size are therefore
// identical flat byte arrays, word for word.
class MorphBuffer {
 public:
  // Negative sizes count as 0. Throws EOutOfMemory when the pixel array would pass
  // Bitmap::kMaxPixelBytes, keeping the old pixels. The same size keeps the pixels; any
  // change gives all-zero bytes, padding included.
  void setSize(int width, int height);

  int width() const { return width_; }
  int height() const { return height_; }
  std::size_t rowBytes() const { return rowBytesFor(width_); }
  std::size_t byteCount() const { return bits_.size(); }

  // The pixel array, bottom row first.
  std::uint8_t* bits() { return bits_.data(); }
  const std::uint8_t* bits() const { return bits_.data(); }
  // Row y counted from the top, as pictures are drawn; the caller keeps y inside the buffer.
  std::uint8_t* row(int y) { return bits_.data() + std::size_t(height_ - 1 - y) * rowBytes(); }
  const std::uint8_t* row(int y) const {
    return bits_.data() + std::size_t(height_ - 1 - y) * rowBytes();
  }

  // The colour fill() paints with: the background where a picture does not cover.
  Color fillColor = 0x000000;
  // Every pixel becomes fillColor; the padding bytes are left as they are.
  void fill();

  // Size and bytes of other.
  void copyFrom(const MorphBuffer& other);

  // Lets draw paint onto the buffer through a canvas. The canvas sees the buffer's present
  // pixels, so what draw leaves alone stays as it was.
  void paint(const std::function<void(Canvas&)>& draw);

  static std::size_t rowBytesFor(int width) { return (std::size_t(width) * 3 + 3) & ~std::size_t(3); }

 private:
  int width_ = 0;
  int height_ = 0;
  std::vector<std::uint8_t> bits_;
  Bitmap scratch_;  // top-down and packed, as the canvas draws
};

// The highest weight: at it a frame shows the target alone.
inline constexpr int kFullMorphWeight = 32;

// The weight of frame k (0 to rate) of a morph of `rate` steps: floor(32 k / rate).
// rate is at least 1.
int morphFrameWeight(int frame, int rate);

// One frame of a morph: every byte of display becomes (a (32 - w) + b w) >> 5, a from work
// and b from target at the same position; weight 0 writes nothing. The three arrays hold
// byteCount bytes, a multiple of 4 (padded rows); the bytes are taken as 32-bit words.
void blendMorphFrame(std::uint8_t* display, const std::uint8_t* work, const std::uint8_t* target,
                     std::size_t byteCount, int weight);

}  // namespace tov
