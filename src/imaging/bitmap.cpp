#include "imaging/bitmap.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cmath>
#include <cstring>
#include <new>

#include "platform/errors.h"

namespace tov {

namespace {

constexpr int bytesPerPixelOf(PixelFormat format) { return format == PixelFormat::pf24bit ? 3 : 4; }

// The alpha byte (the fourth in memory) of a 32-bit pixel loaded as one native word.
constexpr std::uint32_t kOpaqueAlphaMask =
    std::endian::native == std::endian::little ? 0xFF000000u : 0x000000FFu;

std::size_t checkedPixelBytes(int width, int height, PixelFormat format) {
  if (width < 0 || height < 0) throw EOutOfMemory(ErrorCode::PictureTooLarge);
  // Two ints and a factor of 4 cannot overflow 64 bits.
  const std::uint64_t bytes =
      std::uint64_t(width) * std::uint64_t(height) * std::uint64_t(bytesPerPixelOf(format));
  if (bytes > Bitmap::kMaxPixelBytes) throw EOutOfMemory(ErrorCode::PictureTooLarge);
  return std::size_t(bytes);
}

Rect boundsOf(const Bitmap& bitmap) { return {0, 0, bitmap.width(), bitmap.height()}; }

bool isEmpty(const Rect& r) { return r.right <= r.left || r.bottom <= r.top; }

// Rows of `count` pixels. Every converter leaves a 32-bit target opaque: the back buffers
// are shown as RGB32, where anything but alpha 255 is undefined.
void copyRow24To24(std::uint8_t* to, const std::uint8_t* from, int count) {
  std::memcpy(to, from, std::size_t(count) * 3);
}

void copyRow24To32(std::uint8_t* to, const std::uint8_t* from, int count) {
  // A 4-byte load reads one byte of the next pixel; the last pixel of the row goes byte by
  // byte so that the load never leaves the source row.
  int i = 0;
  for (; i + 1 < count; ++i) {
    std::uint32_t word;
    std::memcpy(&word, from + 3 * i, 4);
    word |= kOpaqueAlphaMask;
    std::memcpy(to + 4 * i, &word, 4);
  }
  for (; i < count; ++i) {
    to[4 * i] = from[3 * i];
    to[4 * i + 1] = from[3 * i + 1];
    to[4 * i + 2] = from[3 * i + 2];
    to[4 * i + 3] = 0xFF;
  }
}

void copyRow32To24(std::uint8_t* to, const std::uint8_t* from, int count) {
  for (int i = 0; i < count; ++i) {
    to[3 * i] = from[4 * i];
    to[3 * i + 1] = from[4 * i + 1];
    to[3 * i + 2] = from[4 * i + 2];
  }
}

void copyRow32To32(std::uint8_t* to, const std::uint8_t* from, int count) {
  for (int i = 0; i < count; ++i) {
    std::uint32_t word;
    std::memcpy(&word, from + 4 * i, 4);
    word |= kOpaqueAlphaMask;
    std::memcpy(to + 4 * i, &word, 4);
  }
}

using RowCopier = void (*)(std::uint8_t*, const std::uint8_t*, int);

RowCopier rowCopierFor(PixelFormat from, PixelFormat to) {
  if (from == PixelFormat::pf24bit)
    return to == PixelFormat::pf24bit ? copyRow24To24 : copyRow24To32;
  return to == PixelFormat::pf24bit ? copyRow32To24 : copyRow32To32;
}

// Nearest neighbour: target pixel i of `targetLength` samples the source at its centre.
int nearestSource(long long i, long long targetLength, long long sourceLength) {
  return int(((2 * i + 1) * sourceLength) / (2 * targetLength));
}

template <int kFromBytes, int kToBytes>
void stretchRow(std::uint8_t* to, const std::uint8_t* fromRow, const std::vector<int>& sourceX) {
  for (int sx : sourceX) {
    const std::uint8_t* from = fromRow + std::size_t(sx) * kFromBytes;
    to[0] = from[0];
    to[1] = from[1];
    to[2] = from[2];
    if constexpr (kToBytes == 4) to[3] = 0xFF;
    to += kToBytes;
  }
}

using StretchRow = void (*)(std::uint8_t*, const std::uint8_t*, const std::vector<int>&);

StretchRow stretchRowFor(PixelFormat from, PixelFormat to) {
  if (from == PixelFormat::pf24bit)
    return to == PixelFormat::pf24bit ? stretchRow<3, 3> : stretchRow<3, 4>;
  return to == PixelFormat::pf24bit ? stretchRow<4, 3> : stretchRow<4, 4>;
}

}  // namespace

Rect intersect(const Rect& a, const Rect& b) {
  Rect r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
         std::min(a.bottom, b.bottom)};
  if (r.right < r.left) r.right = r.left;
  if (r.bottom < r.top) r.bottom = r.top;
  return r;
}

Bitmap Bitmap::view(std::uint8_t* pixels, int width, int height, std::size_t stride, PixelFormat format) {
  Bitmap bitmap;
  checkedPixelBytes(width, height, format);
  if (stride < std::size_t(width) * bytesPerPixelOf(format)) throw EOutOfMemory(ErrorCode::PictureTooLarge);
  bitmap.width_ = width;
  bitmap.height_ = height;
  bitmap.format_ = format;
  bitmap.external_ = pixels;
  bitmap.stride_ = stride;
  return bitmap;
}

void Bitmap::setSize(int width, int height, PixelFormat format) {
  if (width == width_ && height == height_ && format == format_) return;
  resize(width, height, format, true);
}

void Bitmap::setSizeForOverwrite(int width, int height, PixelFormat format) {
  if (width == width_ && height == height_ && format == format_) return;
  resize(width, height, format, false);
}

void Bitmap::resize(int width, int height, PixelFormat format, bool clear) {
  const std::size_t bytes = checkedPixelBytes(width, height, format);
  decltype(pixels_) pixels;
  try {
    if (clear)
      pixels.assign(bytes, 0);
    else
      pixels.resize(bytes);
  } catch (const std::bad_alloc&) {
    throw EOutOfMemory(ErrorCode::PictureTooLarge);
  }
  pixels_.swap(pixels);
  external_ = nullptr;
  width_ = width;
  height_ = height;
  format_ = format;
}

Color Bitmap::pixel(int x, int y) const {
  const std::uint8_t* p = scanLine(y) + std::size_t(x) * bytesPerPixel();
  return rgb(p[2], p[1], p[0]);
}

Canvas::Canvas(Bitmap& target)
    : target_(target), requestedClip_{INT_MIN, INT_MIN, INT_MAX, INT_MAX} {}

void Canvas::setClip(const Rect& clip) { requestedClip_ = clip; }

const Rect& Canvas::clip() const {
  clip_ = intersect(requestedClip_, boundsOf(target_));
  return clip_;
}

void Canvas::fillRect(const Rect& r, Color color) {
  const Rect area = intersect(r, clip());
  if (isEmpty(area)) return;
  const std::uint8_t pixel[4] = {blueOf(color), greenOf(color), redOf(color), 0xFF};
  const int bytes = target_.bytesPerPixel();
  const std::size_t offset = std::size_t(area.left) * bytes;
  const std::size_t rowBytes = std::size_t(area.right - area.left) * bytes;

  std::uint8_t* firstRow = target_.scanLine(area.top) + offset;
  for (std::size_t at = 0; at < rowBytes; at += bytes) std::memcpy(firstRow + at, pixel, bytes);
  for (int y = area.top + 1; y < area.bottom; ++y)
    std::memcpy(target_.scanLine(y) + offset, firstRow, rowBytes);
}

void Canvas::copyBitmap(int x, int y, const Bitmap& source) {
  if (source.empty()) return;
  const Rect visible = clip();
  // In 64 bits: x + width may pass INT_MAX.
  const long long left = std::max<long long>(x, visible.left);
  const long long top = std::max<long long>(y, visible.top);
  const long long right = std::min<long long>(x + (long long)source.width(), visible.right);
  const long long bottom = std::min<long long>(y + (long long)source.height(), visible.bottom);
  if (right <= left || bottom <= top) return;

  const RowCopier copyRow = rowCopierFor(source.format(), target_.format());
  const int count = int(right - left);
  const std::size_t fromOffset = std::size_t(left - x) * source.bytesPerPixel();
  const std::size_t toOffset = std::size_t(left) * target_.bytesPerPixel();
  for (long long row = top; row < bottom; ++row) {
    copyRow(target_.scanLine(int(row)) + toOffset, source.scanLine(int(row - y)) + fromOffset,
            count);
  }
}

void Canvas::stretchBitmap(const Rect& dest, const Bitmap& source) {
  if (source.empty()) return;
  const long long destWidth = (long long)dest.right - dest.left;
  const long long destHeight = (long long)dest.bottom - dest.top;
  if (destWidth <= 0 || destHeight <= 0) return;  // no mirroring: a reversed rectangle is empty
  const Rect area = intersect(dest, clip());
  if (isEmpty(area)) return;

  std::vector<int> sourceX(std::size_t(area.right - area.left));
  for (std::size_t i = 0; i < sourceX.size(); ++i)
    sourceX[i] = nearestSource(area.left - (long long)dest.left + (long long)i, destWidth,
                               source.width());

  const StretchRow stretch = stretchRowFor(source.format(), target_.format());
  const std::size_t toOffset = std::size_t(area.left) * target_.bytesPerPixel();
  for (int y = area.top; y < area.bottom; ++y) {
    const int sy = nearestSource((long long)y - dest.top, destHeight, source.height());
    stretch(target_.scanLine(y) + toOffset, source.scanLine(sy), sourceX);
  }
}

namespace {

// Which side of the edge from a to b the point p lies on: positive on the one, negative on
// the other, 0 on the edge's line.
double sideOf(const PointF& a, const PointF& b, double px, double py) {
  return (b.x - a.x) * (py - a.y) - (b.y - a.y) * (px - a.x);
}

// For a point on the edge's line: whether it belongs to this triangle. An edge shared by two
// triangles runs the opposite way in the other one, where this says the opposite.
bool ownsEdge(const PointF& a, const PointF& b) { return b.y > a.y || (b.y == a.y && b.x < a.x); }

}  // namespace

void Canvas::fillTriangle(const PointF (&corners)[3], Color color) {
  PointF a = corners[0], b = corners[1], c = corners[2];
  const double area = sideOf(a, b, c.x, c.y);
  if (area == 0.0) return;
  if (area < 0.0) std::swap(b, c);  // the inside on the positive side of every edge
  const Rect box{int(std::floor(std::min({a.x, b.x, c.x}))), int(std::floor(std::min({a.y, b.y, c.y}))),
                 int(std::ceil(std::max({a.x, b.x, c.x}))), int(std::ceil(std::max({a.y, b.y, c.y})))};
  const Rect candidates = intersect(box, clip());
  const std::uint8_t pixel[4] = {blueOf(color), greenOf(color), redOf(color), 0xFF};
  const int bytes = target_.bytesPerPixel();
  const auto inside = [](const PointF& from, const PointF& to, double px, double py) {
    const double side = sideOf(from, to, px, py);
    return side > 0.0 || (side == 0.0 && ownsEdge(from, to));
  };
  for (int y = candidates.top; y < candidates.bottom; ++y) {
    std::uint8_t* row = target_.scanLine(y);
    for (int x = candidates.left; x < candidates.right; ++x) {
      const double px = x + 0.5, py = y + 0.5;
      if (inside(a, b, px, py) && inside(b, c, px, py) && inside(c, a, px, py))
        std::memcpy(row + std::size_t(x) * bytes, pixel, bytes);
    }
  }
}

}  // namespace tov
