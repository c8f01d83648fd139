// libFuzzer target: any bytes (their chunk CRCs made right) through the PNG loader, and what loads drawn (partly off the
// canvas, stretched) and deep-copied. Refusing the input with a PNG error is a pass.

#include <cstddef>
#include <cstdint>

#include <vector>

#include "crc_fixup.h"
#include "imaging/bitmap.h"
#include "imaging/pngreader.h"

constexpr std::uint64_t kMaxCopiedPixels = std::uint64_t(1) << 24;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::uint8_t> png(data, data + size);
  tov::test::fixChunkCrcs(png);
  tov::TPngPicture picture;
  try {
    picture.loadFromMemory(png);
  } catch (const tov::EPngError&) {
    return 0;
  }
  tov::Bitmap target(48, 40, tov::PixelFormat::pf32bit);
  tov::Canvas canvas(target);
  picture.draw(canvas, {-5, -3, 43, 37});
  // A deep copy touches every byte of the picture: only for those that fit the fuzzer's memory.
  if (std::uint64_t(picture.width()) * std::uint64_t(picture.height()) > kMaxCopiedPixels) return 0;
  tov::TPngPicture copy;
  copy.assign(picture);
  tov::Bitmap small(7, 5, tov::PixelFormat::pf24bit);
  tov::Canvas smallCanvas(small);
  copy.draw(smallCanvas, {0, 0, 7, 5});
  return 0;
}
