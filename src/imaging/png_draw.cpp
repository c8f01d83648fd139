// Drawing a decoded PNG: stretched when it is opaque or has one transparent colour, blended
// at its natural size when its transparency is partial.

#include <algorithm>
#include <array>
#include <cstdint>
#include <new>
#include <vector>

#include "imaging/png_internal.h"

namespace tov::png {

namespace {

struct Bgra {
  std::uint8_t blue, green, red, alpha;
};

// The blend of the picture's pixel over the canvas. With a = 255 it gives the source and with
// a = 0 the destination, exactly.
inline std::uint8_t blend(unsigned source, unsigned destination, unsigned a) {
  return std::uint8_t((source * a + (255 - a) * destination + 255) >> 8);
}

// Turns rows of the image bitmap into colour and alpha, as each colour type draws:
// - indexed: the palette colour (after gamma) with the entry's transparency value;
// - greyscale with alpha: the grey sample itself (without gamma) with the alpha plane;
// - greyscale and truecolour: the colour, transparent where the transparency mask says so;
// - truecolour with alpha: the colour (after gamma) with the alpha plane.
class RowExpander {
 public:
  explicit RowExpander(const TPngPicture& picture)
      : header_(picture.header()), image_(header_.image()), pixels_(std::size_t(image_.width)) {
    const TChunktRNS* transparency = picture.findChunk<TChunktRNS>();
    const bool indexed = header_.colorType() == 3;
    for (int i = 0; i < 256; ++i) {
      const PngPaletteEntry& entry = image_.palette[i];
      std::uint8_t alpha = 255;
      if (indexed && transparency) alpha = transparency->paletteValues()[i];
      lookup_[i] = header_.colorType() == 4 ? Bgra{std::uint8_t(i), std::uint8_t(i), std::uint8_t(i), 255}
                                            : Bgra{entry.blue, entry.green, entry.red, alpha};
    }
  }

  // The picture's row y, top-down, one Bgra per pixel.
  const Bgra* row(int y) {
    if (y == expandedRow_) return pixels_.data();
    expandedRow_ = y;
    const std::uint8_t* from = image_.row(y);
    const int width = image_.width;
    switch (image_.bitsPerPixel) {
      case 24:
        for (int x = 0; x < width; ++x, from += 3) pixels_[x] = {from[0], from[1], from[2], 255};
        break;
      case 8:
        for (int x = 0; x < width; ++x) pixels_[x] = lookup_[from[x]];
        break;
      case 4:
        for (int x = 0; x < width; ++x) pixels_[x] = lookup_[(from[x >> 1] >> ((x & 1) ? 0 : 4)) & 0x0F];
        break;
      default:
        for (int x = 0; x < width; ++x) pixels_[x] = lookup_[(from[x >> 3] >> (7 - (x & 7))) & 1];
        break;
    }
    const std::size_t offset = std::size_t(y) * std::size_t(width);
    if (!image_.alpha.empty()) {
      const std::uint8_t* alpha = image_.alpha.data() + offset;
      for (int x = 0; x < width; ++x) pixels_[x].alpha = alpha[x];
    } else if (!image_.transparencyMask.empty()) {
      const std::uint8_t* mask = image_.transparencyMask.data() + offset;
      for (int x = 0; x < width; ++x) pixels_[x].alpha = mask[x] ? 0 : 255;
    }
    return pixels_.data();
  }

 private:
  const TChunkIHDR& header_;
  const PngImage& image_;
  std::array<Bgra, 256> lookup_{};
  std::vector<Bgra> pixels_;
  int expandedRow_ = -1;
};

template <int kTargetBytes>
inline void put(std::uint8_t* to, const Bgra& p) {
  to[0] = p.blue;
  to[1] = p.green;
  to[2] = p.red;
  if constexpr (kTargetBytes == 4) to[3] = 0xFF;  // the back buffer stays opaque
}

template <int kTargetBytes>
inline void putBlended(std::uint8_t* to, const Bgra& p) {
  to[0] = blend(p.blue, to[0], p.alpha);
  to[1] = blend(p.green, to[1], p.alpha);
  to[2] = blend(p.red, to[2], p.alpha);
  if constexpr (kTargetBytes == 4) to[3] = 0xFF;
}

// Nearest neighbour, as the canvas stretches: target pixel i samples the source at its centre.
int nearestSource(long long i, long long targetLength, long long sourceLength) {
  return int(((2 * i + 1) * sourceLength) / (2 * targetLength));
}

// The picture at its natural size with its top-left corner at (left, top), every pixel blended
// over what lies beneath.
template <int kTargetBytes>
void blendAt(RowExpander& rows, Canvas& canvas, int left, int top, int width, int height) {
  const Rect picture{left, top, int(std::min<long long>((long long)left + width, INT32_MAX)),
                     int(std::min<long long>((long long)top + height, INT32_MAX))};
  const Rect area = intersect(picture, canvas.clip());
  Bitmap& target = canvas.target();
  for (int y = area.top; y < area.bottom; ++y) {
    const Bgra* source = rows.row(y - top) + (area.left - left);
    std::uint8_t* to = target.scanLine(y) + std::size_t(area.left) * kTargetBytes;
    for (int x = area.left; x < area.right; ++x, to += kTargetBytes) putBlended<kTargetBytes>(to, *source++);
  }
}

// The picture stretched to dest; with a transparent colour its pixels of that colour leave the
// canvas unchanged (their alpha is 0, all others 255, so the blend does exactly that).
template <int kTargetBytes>
void stretchTo(RowExpander& rows, Canvas& canvas, const Rect& dest, int width, int height, bool masked) {
  const long long destWidth = (long long)dest.right - dest.left;
  const long long destHeight = (long long)dest.bottom - dest.top;
  if (destWidth <= 0 || destHeight <= 0) return;  // a reversed rectangle is empty, as on the canvas
  const Rect area = intersect(dest, canvas.clip());
  if (area.right <= area.left || area.bottom <= area.top) return;
  std::vector<int> sourceX(std::size_t(area.right - area.left));
  for (std::size_t i = 0; i < sourceX.size(); ++i)
    sourceX[i] = nearestSource(area.left - (long long)dest.left + (long long)i, destWidth, width);
  Bitmap& target = canvas.target();
  for (int y = area.top; y < area.bottom; ++y) {
    const Bgra* source = rows.row(nearestSource((long long)y - dest.top, destHeight, height));
    std::uint8_t* to = target.scanLine(y) + std::size_t(area.left) * kTargetBytes;
    for (int sx : sourceX) {
      if (masked)
        putBlended<kTargetBytes>(to, source[sx]);
      else
        put<kTargetBytes>(to, source[sx]);
      to += kTargetBytes;
    }
  }
}

template <int kTargetBytes>
void drawInto(const TPngPicture& picture, Canvas& canvas, const Rect& dest) {
  const PngImage& image = picture.header().image();
  RowExpander rows(picture);
  switch (picture.transparencyMode()) {
    case PngTransparency::partial:
      blendAt<kTargetBytes>(rows, canvas, dest.left, dest.top, image.width, image.height);
      break;
    case PngTransparency::bit:
      stretchTo<kTargetBytes>(rows, canvas, dest, image.width, image.height, true);
      break;
    case PngTransparency::none:
      stretchTo<kTargetBytes>(rows, canvas, dest, image.width, image.height, false);
      break;
  }
}

}  // namespace

void drawPicture(const TPngPicture& picture, Canvas& canvas, const Rect& dest) {
  const auto& chunks = picture.chunks();
  if (chunks.empty() || !dynamic_cast<const TChunkIHDR*>(chunks.front().get())) return;
  const PngImage& image = picture.header().image();
  if (image.width == 0 || image.height == 0 || image.pixels.empty()) return;
  try {
    if (canvas.target().format() == PixelFormat::pf32bit)
      drawInto<4>(picture, canvas, dest);
    else
      drawInto<3>(picture, canvas, dest);
  } catch (const std::bad_alloc&) {
    throw EPNGOutMemory(ErrorCode::PngOutOfResources);
  }
}

}  // namespace tov::png
