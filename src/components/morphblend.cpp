#include "components/morphblend.h"

#include <algorithm>
#include <cstring>

#include "platform/errors.h"

namespace tov {

void MorphBuffer::setSize(int width, int height) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  if (width == width_ && height == height_) return;
  // An int width times 3 and an int height cannot overflow 64 bits.
  const std::uint64_t bytes = std::uint64_t(rowBytesFor(width)) * std::uint64_t(height);
  if (bytes > Bitmap::kMaxPixelBytes) throw EOutOfMemory(ErrorCode::PictureTooLarge);
  bits_.assign(std::size_t(bytes), 0);
  width_ = width;
  height_ = height;
}

void MorphBuffer::fill() {
  const std::uint8_t bgr[3] = {blueOf(fillColor), greenOf(fillColor), redOf(fillColor)};
  for (int y = 0; y < height_; ++y) {
    std::uint8_t* pixel = row(y);
    for (int x = 0; x < width_; ++x, pixel += 3) std::memcpy(pixel, bgr, 3);
  }
}

void MorphBuffer::copyFrom(const MorphBuffer& other) {
  if (this == &other) return;
  setSize(other.width_, other.height_);
  std::copy(other.bits_.begin(), other.bits_.end(), bits_.begin());
}

void MorphBuffer::paint(const std::function<void(Canvas&)>& draw) {
  if (width_ == 0 || height_ == 0) return;
  scratch_.setSizeForOverwrite(width_, height_, PixelFormat::pf24bit);
  const std::size_t packed = std::size_t(width_) * 3;
  for (int y = 0; y < height_; ++y) std::memcpy(scratch_.scanLine(y), row(y), packed);
  Canvas canvas(scratch_);
  draw(canvas);
  for (int y = 0; y < height_; ++y) std::memcpy(row(y), scratch_.scanLine(y), packed);
}

int morphFrameWeight(int frame, int rate) {
  return int((std::int64_t(kFullMorphWeight) * frame) / std::max(rate, 1));
}

namespace {

// A 32-bit word in two halves: bytes 0 and 2 under 0x00FF00FF, bytes 1 and 3 under
// 0xFF00FF00 shifted down by 5. Every weighted sum is at most 255 x 32 = 8160 (at most
// 8160 x 8 in the shifted half), so no sum spills into its neighbour and no carry crosses
// a byte of the result.
std::uint32_t blendWord(std::uint32_t a, std::uint32_t b, std::uint32_t weight) {
  const std::uint32_t rest = kFullMorphWeight - weight;
  const std::uint32_t even =
      (((a & 0x00FF00FFu) * rest + (b & 0x00FF00FFu) * weight) >> 5) & 0x00FF00FFu;
  const std::uint32_t odd =
      (((a & 0xFF00FF00u) >> 5) * rest + ((b & 0xFF00FF00u) >> 5) * weight) & 0xFF00FF00u;
  return even | odd;
}

// The same halves, many words at a time. A 32-bit word is two 16-bit lanes, and its two
// halves are the low and the high bytes of the lanes (0x00FF00FF and 0xFF00FF00 lane by
// lane). Since no weighted sum reaches 2^16, computing in 16-bit lanes gives the same bits
// as in 32-bit words, and lets the compiler use its 16-bit vector multiplies.
using WordLanes = std::uint16_t __attribute__((vector_size(32)));
constexpr std::size_t kBlockBytes = sizeof(WordLanes);

void blendBlock(std::uint8_t* display, const std::uint8_t* work, const std::uint8_t* target,
                std::uint16_t weight) {
  const std::uint16_t rest = std::uint16_t(kFullMorphWeight - weight);
  WordLanes a, b;
  std::memcpy(&a, work, kBlockBytes);
  std::memcpy(&b, target, kBlockBytes);
  const WordLanes even = (((a & 0x00FF) * rest + (b & 0x00FF) * weight) >> 5) & 0x00FF;
  const WordLanes odd = (((a & 0xFF00) >> 5) * rest + ((b & 0xFF00) >> 5) * weight) & 0xFF00;
  const WordLanes result = even | odd;
  std::memcpy(display, &result, kBlockBytes);
}

}  // namespace

void blendMorphFrame(std::uint8_t* display, const std::uint8_t* work, const std::uint8_t* target,
                     std::size_t byteCount, int weight) {
  if (weight <= 0) return;
  weight = std::min(weight, kFullMorphWeight);
  std::size_t at = 0;
  for (; at + kBlockBytes <= byteCount; at += kBlockBytes)
    blendBlock(display + at, work + at, target + at, std::uint16_t(weight));
  for (; at + 4 <= byteCount; at += 4) {
    std::uint32_t a, b;
    std::memcpy(&a, work + at, 4);
    std::memcpy(&b, target + at, 4);
    const std::uint32_t result = blendWord(a, b, std::uint32_t(weight));
    std::memcpy(display + at, &result, 4);
  }
  // Padded buffers never leave bytes over; a caller's odd length is blended byte by byte.
  for (; at < byteCount; ++at)
    display[at] = std::uint8_t((work[at] * (kFullMorphWeight - weight) + target[at] * weight) >> 5);
}

}  // namespace tov
