// libFuzzer target: any bytes (their chunk CRCs made right) through the PNG loader, and what loads drawn (partly off the
// canvas, stretched) and deep-copied. Refusing the input with a PNG error is a pass.

#include <cstddef>
#include <cstdint>

#include <cstring>
#include <vector>

#include "crc_fixup.h"
#include "imaging/bitmap.h"
#include "imaging/pngreader.h"

constexpr std::uint64_t kMaxPixels = std::uint64_t(1) << 20;

// Pictures beyond kMaxPixels are left out: allocating one under AddressSanitizer takes a good
// part of a second and would starve the run. The unit tests and the kept inputs cover them.
bool claimsHugePicture(const std::vector<std::uint8_t>& png) {
  auto at = [&](std::size_t i) {
    return (std::uint64_t(png[i]) << 24) | (png[i + 1] << 16) | (png[i + 2] << 8) | png[i + 3];
  };
  for (std::size_t chunk = 8; png.size() >= 12 && chunk <= png.size() - 12;) {
    const std::uint64_t length = at(chunk);
    if (std::memcmp(png.data() + chunk + 4, "IHDR", 4) == 0 && length >= 8 && chunk + 16 <= png.size() &&
        at(chunk + 8) * at(chunk + 12) > kMaxPixels)
      return true;
    chunk += 12 + length;
  }
  return false;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::uint8_t> png(data, data + size);
  tov::test::fixChunkCrcs(png);
  if (claimsHugePicture(png)) return 0;
  tov::TPngPicture picture;
  try {
    picture.loadFromMemory(png);
  } catch (const tov::EPngError&) {
    return 0;
  }
  tov::Bitmap target(48, 40, tov::PixelFormat::pf32bit);
  tov::Canvas canvas(target);
  picture.draw(canvas, {-5, -3, 43, 37});
  tov::TPngPicture copy;
  copy.assign(picture);
  tov::Bitmap small(7, 5, tov::PixelFormat::pf24bit);
  tov::Canvas smallCanvas(small);
  copy.draw(smallCanvas, {0, 0, 7, 5});
  return 0;
}
