// A form drawn scaled: every screen pixel shows the form pixel that a pointer on it reaches,
// and neighbouring repaints share no screen pixel and leave none out.
#include "ui/scaled_copy.h"

#include <gtest/gtest.h>

namespace tov::test {
namespace {

// Each form pixel its own colour.
Bitmap numberedPicture(int width, int height) {
  Bitmap picture(width, height, PixelFormat::pf32bit);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      reinterpret_cast<std::uint32_t*>(picture.scanLine(y))[x] = 0xFF000000u | std::uint32_t(y << 12 | x);
  return picture;
}

std::uint32_t pixelOf(const Bitmap& bitmap, int x, int y) {
  return reinterpret_cast<const std::uint32_t*>(bitmap.scanLine(y))[x];
}

TEST(ScaledCopy, EachScreenPixelShowsTheFormPixelThatThePointerThereReaches) {
  const double scales[] = {1.28, 1.8, 1.35, 2.0, 2.5, 3.2, 4.5, 0.8, 1.0};
  const Point origin{133, 7};  // the content's place on the screen, in form pixels
  const Bitmap form = numberedPicture(80, 60);
  for (double scale : scales) {
    const Placement toScreen{scale, origin.x * scale, origin.y * scale};
    Bitmap screen(int((origin.x + 80) * scale) + 2, int((origin.y + 60) * scale) + 2, PixelFormat::pf32bit);
    Canvas(screen).fillRect(Rect{0, 0, screen.width(), screen.height()}, 0);
    const Rect shown = screenPixelsOf(RectF{0, 0, 80, 60}, toScreen);
    copyScaledNearest(form, toScreen, screen, shown);
    // Scaled by the form itself in a window of the screen's pixels, or by the system's
    // device pixel ratio (an output of scale 2).
    for (const double devicePixelRatio : {1.0, scale}) {
      const double formScale = scale / devicePixelRatio;
      for (int y = shown.top; y < shown.bottom; ++y)
        for (int x = shown.left; x < shown.right; ++x) {
          // The pointer's hot spot on screen pixel (x, y) arrives in window coordinates.
          const Point reached = formPointAt(PointF{x / devicePixelRatio, y / devicePixelRatio}, devicePixelRatio,
                                            formScale, PointF{origin.x * formScale, origin.y * formScale});
          ASSERT_TRUE(contains(Rect{0, 0, 80, 60}, reached)) << scale << ": " << x << ", " << y;
          ASSERT_EQ(pixelOf(screen, x, y), pixelOf(form, reached.x, reached.y)) << scale << ": " << x << ", " << y;
        }
    }
    EXPECT_EQ(pixelOf(screen, shown.left - 1, shown.top), 0xFF000000u) << scale << ": nothing left of the form";
  }
}

TEST(ScaledCopy, NeighbouringRepaintsShareNoScreenPixelAndLeaveNoneOut) {
  const double scales[] = {1.28, 1.8, 1.35, 0.8};
  for (double scale : scales) {
    const Placement toScreen{scale, 133 * scale, 0};
    for (int cut = 1; cut < 40; ++cut) {
      const Rect left = screenPixelsOf(RectF{0, 0, double(cut), 10}, toScreen);
      const Rect right = screenPixelsOf(RectF{double(cut), 0, 40, 10}, toScreen);
      const Rect whole = screenPixelsOf(RectF{0, 0, 40, 10}, toScreen);
      EXPECT_EQ(left.right, right.left) << scale << " cut at " << cut;
      EXPECT_EQ(left.left, whole.left);
      EXPECT_EQ(right.right, whole.right);
    }
  }
}

TEST(ScaledCopy, TheFormFillsItsWindowOneWayWithItsAspectKept) {
  struct Case {
    int windowWidth, windowHeight;
    double expected;
  };
  const Case cases[] = {
      {1024, 768, 1.28}, {1920, 1080, 1.8}, {1366, 768, 1.28}, {800, 600, 1.0},
      {1080, 1920, 1.35}, {640, 480, 0.8}, {0, 768, 1.0}, {1024, -1, 1.0},
  };
  for (const Case& c : cases)
    EXPECT_DOUBLE_EQ(presentationScale(c.windowWidth, c.windowHeight, 800, 600), c.expected)
        << c.windowWidth << " x " << c.windowHeight;
}

}  // namespace
}  // namespace tov::test
