#pragma once
// Our own raster type. Pixels are stored as the screen wants them on a little-endian
// machine: 24 bits as B, G, R; 32 bits as B, G, R, A. Rows are packed, top row first.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

namespace tov {

enum class PixelFormat { pf24bit, pf32bit };

// 0x00BBGGRR, as colour values are written in form descriptions.
using Color = std::uint32_t;
constexpr std::uint8_t redOf(Color c) { return c & 0xFF; }
constexpr std::uint8_t greenOf(Color c) { return (c >> 8) & 0xFF; }
constexpr std::uint8_t blueOf(Color c) { return (c >> 16) & 0xFF; }
constexpr Color rgb(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  return Color(r) | (Color(g) << 8) | (Color(b) << 16);
}

struct Rect {
  int left = 0, top = 0, right = 0, bottom = 0;
  int width() const { return right - left; }
  int height() const { return bottom - top; }
  bool operator==(const Rect&) const = default;
};

// The part two rectangles share; where they miss each other, an empty rectangle (never one of
// negative size, which a loop over its rows would run away on).
Rect intersect(const Rect& a, const Rect& b);

// An allocator whose resize() leaves new bytes as they come: a decoder that writes every
// pixel of a frame need not pay for clearing it first.
template <typename T>
struct OverwriteAllocator : std::allocator<T> {
  template <typename U>
  struct rebind {
    using other = OverwriteAllocator<U>;
  };
  template <typename U>
  void construct(U* p) noexcept {
    ::new (static_cast<void*>(p)) U;
  }
  template <typename U, typename... Args>
  void construct(U* p, Args&&... args) {
    ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
  }
};

class Bitmap {
 public:
  Bitmap() = default;
  Bitmap(int width, int height, PixelFormat format) { setSize(width, height, format); }

  // A bitmap over pixels that someone else owns and keeps alive while it is used (a window's
  // back store), its rows stride bytes apart (at least a row's bytes). Copies of it see the
  // same pixels.
  static Bitmap view(std::uint8_t* pixels, int width, int height, std::size_t stride, PixelFormat format);
  bool isView() const { return external_ != nullptr; }

  // Throws EOutOfMemory when width x height x bytes per pixel does not fit the limit
  // (kMaxPixelBytes) or is negative; the old pixels are kept then. The same size and format
  // keeps the pixels; any change gives all-zero pixels (of its own, for a view).
  void setSize(int width, int height, PixelFormat format);
  // The same checks, but the pixels are left undefined: for a writer that fills every one.
  void setSizeForOverwrite(int width, int height, PixelFormat format);

  int width() const { return width_; }
  int height() const { return height_; }
  PixelFormat format() const { return format_; }
  int bytesPerPixel() const { return format_ == PixelFormat::pf24bit ? 3 : 4; }
  // The bytes of one row's pixels; stride() is how far apart rows lie (the same, but in a view).
  std::size_t bytesPerLine() const { return std::size_t(width_) * bytesPerPixel(); }
  std::size_t stride() const { return external_ ? stride_ : bytesPerLine(); }
  bool empty() const { return width_ == 0 || height_ == 0; }

  std::uint8_t* scanLine(int y) { return data() + std::size_t(y) * stride(); }
  const std::uint8_t* scanLine(int y) const { return data() + std::size_t(y) * stride(); }
  std::uint8_t* data() { return external_ ? external_ : pixels_.data(); }
  const std::uint8_t* data() const { return external_ ? external_ : pixels_.data(); }

  // Colour at (x, y) as 0x00BBGGRR; the caller keeps x, y inside the bitmap.
  Color pixel(int x, int y) const;

  static constexpr std::size_t kMaxPixelBytes = std::size_t(1) << 31;  // 2 GiB

 private:
  void resize(int width, int height, PixelFormat format, bool clear);

  int width_ = 0;
  int height_ = 0;
  PixelFormat format_ = PixelFormat::pf24bit;
  std::vector<std::uint8_t, OverwriteAllocator<std::uint8_t>> pixels_;
  std::uint8_t* external_ = nullptr;  // a view's pixels
  std::size_t stride_ = 0;            // a view's row distance
};

// A point between pixel corners: pixel (x, y) covers the square from (x, y) to (x + 1, y + 1).
struct PointF {
  double x = 0.0, y = 0.0;
};

// Drawing onto a bitmap, clipped to it. The clip rectangle limits every operation further.
// The bitmap's bounds are taken at each operation, so a canvas stays safe when its bitmap is
// resized. Every operation leaves a 32-bit target opaque (alpha 255): the back buffers are
// shown as RGB32, where any other alpha is undefined; blending is the business of the graphic
// that has an alpha channel. Reversed rectangles are empty (nothing is mirrored).
class Canvas {
 public:
  explicit Canvas(Bitmap& target);
  Bitmap& target() { return target_; }
  void setClip(const Rect& clip);  // intersected with the bitmap
  const Rect& clip() const;

  void fillRect(const Rect& r, Color color);
  // Copies source with its top-left corner at (x, y); 32-bit sources are copied, not blended,
  // and their alpha is not carried over (see above).
  void copyBitmap(int x, int y, const Bitmap& source);
  // Scales source into dest by nearest neighbour, each target pixel taking the source pixel
  // under its centre.
  void stretchBitmap(const Rect& dest, const Bitmap& source);
  // Fills the pixels whose centres lie inside the triangle of the three corners (pixel
  // (x, y) has its centre at x + 0.5, y + 0.5). A centre exactly on an edge belongs to one of
  // the two triangles that can share that edge, so that they share no pixel and leave none out.
  void fillTriangle(const PointF (&corners)[3], Color color);

 private:
  Bitmap& target_;
  Rect requestedClip_;         // as set; the whole plane until setClip
  mutable Rect clip_;          // requestedClip_ within the bitmap, refreshed by clip()
};

}  // namespace tov
