#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <string>

#include "imaging/bitmap.h"
#include "platform/errors.h"

namespace tov {
namespace {

constexpr Color kBackground = rgb(10, 20, 30);

// Every pixel different, so that a shifted or mirrored copy shows.
Bitmap patterned(int width, int height, PixelFormat format) {
  Bitmap b(width, height, format);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      std::uint8_t* p = b.scanLine(y) + x * b.bytesPerPixel();
      p[0] = std::uint8_t(40 * x + 1);
      p[1] = std::uint8_t(40 * y + 2);
      p[2] = 200;
      if (format == PixelFormat::pf32bit) p[3] = 0;  // transparent: the copy must not carry it
    }
  }
  return b;
}

Bitmap filled(int width, int height, PixelFormat format) {
  Bitmap b(width, height, format);
  Canvas(b).fillRect({0, 0, width, height}, kBackground);
  return b;
}

void expectOpaque(const Bitmap& b) {
  if (b.format() != PixelFormat::pf32bit) return;
  for (int y = 0; y < b.height(); ++y)
    for (int x = 0; x < b.width(); ++x) ASSERT_EQ(b.scanLine(y)[4 * x + 3], 255) << x << "," << y;
}

struct SizeCase {
  const char* name;
  int width, height;
  PixelFormat format;
};

TEST(BitmapSize, RefusedSizesKeepTheOldPixels) {
  const SizeCase cases[] = {
      {"negative width", -1, 10, PixelFormat::pf24bit},
      {"negative height", 10, -1, PixelFormat::pf32bit},
      {"int overflow", INT_MAX, INT_MAX, PixelFormat::pf32bit},
      {"one row over the limit", 32768, 16385, PixelFormat::pf32bit},
  };
  for (const SizeCase& c : cases) {
    SCOPED_TRACE(c.name);
    Bitmap b = filled(3, 2, PixelFormat::pf24bit);
    try {
      b.setSize(c.width, c.height, c.format);
      ADD_FAILURE() << "accepted";
    } catch (const EOutOfMemory& e) {
      EXPECT_STREQ(e.what(), "Picture is too large");
    }
    EXPECT_EQ(b.width(), 3);
    EXPECT_EQ(b.height(), 2);
    EXPECT_EQ(b.format(), PixelFormat::pf24bit);
    EXPECT_EQ(b.pixel(2, 1), kBackground);
  }
}

// What a clipped copy must give, pixel by pixel.
Color expectedAfterCopy(int x, int y, int atX, int atY, const Rect& clip, const Bitmap& source) {
  const bool inClip = x >= clip.left && x < clip.right && y >= clip.top && y < clip.bottom;
  const long long sx = (long long)x - atX, sy = (long long)y - atY;
  const bool inSource = sx >= 0 && sy >= 0 && sx < source.width() && sy < source.height();
  return inClip && inSource ? source.pixel(int(sx), int(sy)) : kBackground;
}

struct PlacementCase {
  const char* name;
  int x, y;
  Rect clip;
};

constexpr Rect kNoClip{INT_MIN, INT_MIN, INT_MAX, INT_MAX};

const PlacementCase kPlacements[] = {
    {"inside", 1, 1, kNoClip},
    {"over the top-left corner", -2, -1, kNoClip},
    {"over the bottom-right corner", 5, 3, kNoClip},
    {"wholly outside", 20, 20, kNoClip},
    {"far outside, x + width overflows", INT_MAX - 2, 0, kNoClip},
    {"far to the left", INT_MIN, 0, kNoClip},
    {"clipped", 0, 0, {2, 1, 4, 3}},
    {"clip outside the bitmap", 0, 0, {-5, -5, 100, 2}},
};

const PixelFormat kFormats[] = {PixelFormat::pf24bit, PixelFormat::pf32bit};

TEST(Canvas, CopyIsClippedInEveryFormatPair) {
  for (const PlacementCase& c : kPlacements) {
    for (PixelFormat from : kFormats) {
      for (PixelFormat to : kFormats) {
        SCOPED_TRACE(std::string(c.name) + (from == PixelFormat::pf24bit ? " 24" : " 32") +
                     (to == PixelFormat::pf24bit ? "->24" : "->32"));
        const Bitmap source = patterned(5, 3, from);  // odd width: the last-pixel path
        Bitmap target = filled(7, 5, to);
        Canvas canvas(target);
        canvas.setClip(c.clip);
        canvas.copyBitmap(c.x, c.y, source);
        const Rect clip = canvas.clip();
        for (int y = 0; y < target.height(); ++y)
          for (int x = 0; x < target.width(); ++x)
            ASSERT_EQ(target.pixel(x, y), expectedAfterCopy(x, y, c.x, c.y, clip, source))
                << x << "," << y;
        expectOpaque(target);
      }
    }
  }
}

TEST(Canvas, StretchSamplesThePixelUnderEachCentre) {
  struct Case {
    const char* name;
    Rect dest;
  };
  const Case cases[] = {
      {"double size", {0, 0, 10, 6}},
      {"half size", {1, 1, 4, 3}},
      {"partly outside, negative position", {-4, -3, 6, 4}},
      {"past the bottom-right", {5, 3, 20, 12}},
      {"reversed: nothing", {6, 4, 1, 1}},
  };
  for (const Case& c : cases) {
    for (PixelFormat from : kFormats) {
      SCOPED_TRACE(std::string(c.name) + (from == PixelFormat::pf24bit ? " from 24" : " from 32"));
      const Bitmap source = patterned(5, 3, from);
      Bitmap target = filled(7, 5, PixelFormat::pf32bit);
      Canvas(target).stretchBitmap(c.dest, source);
      for (int y = 0; y < target.height(); ++y) {
        for (int x = 0; x < target.width(); ++x) {
          Color expected = kBackground;
          if (x >= c.dest.left && x < c.dest.right && y >= c.dest.top && y < c.dest.bottom) {
            const double fx = (x - c.dest.left + 0.5) * source.width() / c.dest.width();
            const double fy = (y - c.dest.top + 0.5) * source.height() / c.dest.height();
            expected = source.pixel(int(std::floor(fx)), int(std::floor(fy)));
          }
          ASSERT_EQ(target.pixel(x, y), expected) << x << "," << y;
        }
      }
      expectOpaque(target);
    }
  }
}

TEST(Canvas, FillAndCopyStayInsideClipAndBitmapEvenAfterItShrinks) {
  Bitmap target = filled(6, 4, PixelFormat::pf24bit);
  Canvas canvas(target);
  canvas.setClip({1, -10, 100, 3});
  canvas.fillRect({-50, -50, 3, 50}, rgb(1, 2, 3));
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 6; ++x)
      EXPECT_EQ(target.pixel(x, y), x >= 1 && x < 3 && y < 3 ? rgb(1, 2, 3) : kBackground);

  target.setSize(2, 2, PixelFormat::pf32bit);  // the sanitizer build catches a stray write
  canvas.setClip({0, 0, 50, 50});
  canvas.fillRect({0, 0, 50, 50}, rgb(9, 9, 9));
  canvas.copyBitmap(0, 0, patterned(40, 40, PixelFormat::pf24bit));
  EXPECT_EQ(canvas.clip(), (Rect{0, 0, 2, 2}));
  EXPECT_EQ(target.pixel(1, 1), patterned(2, 2, PixelFormat::pf24bit).pixel(1, 1));
}

TEST(BitmapView, DrawsIntoForeignRowsAndLeavesTheBytesBetweenThem) {
  // Rows of 3 pixels 16 bytes apart: 4 bytes after each row belong to someone else.
  std::vector<std::uint8_t> memory(16 * 3, 0xAB);
  Bitmap view = Bitmap::view(memory.data(), 3, 3, 16, PixelFormat::pf32bit);
  Canvas canvas(view);
  canvas.fillRect({0, 0, 3, 3}, rgb(1, 2, 3));
  for (int y = 0; y < 3; ++y) {
    EXPECT_EQ(view.pixel(2, y), rgb(1, 2, 3));
    for (int byte = 12; byte < 16; ++byte) EXPECT_EQ(memory[std::size_t(16 * y + byte)], 0xAB) << y;
  }
  view.setSize(2, 2, PixelFormat::pf32bit);
  EXPECT_FALSE(view.isView()) << "another size is a bitmap of its own";
  EXPECT_EQ(memory[0], 3);
}

TEST(Canvas, TrianglesSharingAnEdgeCoverEachPixelOnce) {
  // Corners on pixel centres, on pixel corners and between them.
  const PointF quads[][4] = {
      {{1.5, 1.5}, {9.5, 1.5}, {9.5, 7.5}, {1.5, 7.5}},
      {{1, 1}, {9, 1}, {9, 7}, {1, 7}},
      {{0.3, 2.7}, {8.9, 0.2}, {9.6, 7.1}, {1.2, 9.4}},
  };
  const auto drawn = [](const PointF (&corners)[3]) {
    Bitmap target = filled(12, 12, PixelFormat::pf32bit);
    Canvas(target).fillTriangle(corners, rgb(100, 0, 0));
    return target;
  };
  for (const auto& q : quads) {
    // Cut along either diagonal, in either order of corners: the halves never share a pixel,
    // and together they are the same pixels.
    const Bitmap halves[2][2] = {{drawn({q[0], q[1], q[2]}), drawn({q[2], q[3], q[0]})},
                                 {drawn({q[1], q[2], q[3]}), drawn({q[1], q[0], q[3]})}};
    for (int y = 0; y < 12; ++y)
      for (int x = 0; x < 12; ++x) {
        bool in[2][2];
        for (int cut = 0; cut < 2; ++cut)
          for (int half = 0; half < 2; ++half) in[cut][half] = halves[cut][half].pixel(x, y) != kBackground;
        EXPECT_FALSE(in[0][0] && in[0][1]) << x << "," << y;
        EXPECT_FALSE(in[1][0] && in[1][1]) << x << "," << y;
        EXPECT_EQ(in[0][0] || in[0][1], in[1][0] || in[1][1]) << x << "," << y;
      }
  }
  // The first square's inside: the centres from (2, 2) to (9, 7), edges shared out once.
  Bitmap target = filled(12, 12, PixelFormat::pf24bit);
  Canvas(target).fillTriangle({{1.5, 1.5}, {9.5, 1.5}, {9.5, 7.5}}, rgb(100, 0, 0));
  Canvas(target).fillTriangle({{9.5, 7.5}, {1.5, 7.5}, {1.5, 1.5}}, rgb(100, 0, 0));
  int covered = 0;
  for (int y = 0; y < 12; ++y)
    for (int x = 0; x < 12; ++x) covered += target.pixel(x, y) != kBackground;
  EXPECT_EQ(covered, 8 * 6);
}

}  // namespace
}  // namespace tov
