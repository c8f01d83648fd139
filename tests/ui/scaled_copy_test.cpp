// A form drawn scaled: every screen pixel shows the form pixel that a pointer on it reaches,
// and neighbouring repaints share no screen pixel and leave none out.
#include "ui/scaled_copy.h"

#include <gtest/gtest.h>

#include "ui/controlhost.h"

namespace tov::test {
namespace {

// Each form pixel its own colour.
QImage numberedPicture(int width, int height) {
  QImage picture(width, height, QImage::Format_RGB32);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) picture.setPixel(x, y, 0xFF000000u | quint32(y << 12 | x));
  return picture;
}

TEST(ScaledCopy, EachScreenPixelShowsTheFormPixelThatThePointerThereReaches) {
  const double scales[] = {1.28, 1.8, 1.35, 2.0, 2.5, 3.2, 4.5, 0.8, 1.0};
  const QPoint origin(133, 7);  // the content's place on the screen, in form pixels
  const QImage form = numberedPicture(80, 60);
  for (double scale : scales) {
    const QTransform toScreen = QTransform::fromTranslate(origin.x(), origin.y()) * QTransform::fromScale(scale, scale);
    QImage screen(int((origin.x() + 80) * scale) + 2, int((origin.y() + 60) * scale) + 2, QImage::Format_RGB32);
    screen.fill(Qt::black);
    const QRect shown = screenPixelsOf(QRectF(0, 0, 80, 60), toScreen);
    copyScaledNearest(form, toScreen, screen, shown);
    // Scaled by the form itself in a window of the screen's pixels, or by the toolkit's
    // device pixel ratio (an output of scale 2).
    for (const double devicePixelRatio : {1.0, scale}) {
      const double formScale = scale / devicePixelRatio;
      for (int y = shown.top(); y <= shown.bottom(); ++y)
        for (int x = shown.left(); x <= shown.right(); ++x) {
          // The pointer's hot spot on screen pixel (x, y) arrives in window coordinates.
          const QPoint reached = ControlHost::contentPointAt(QPointF(x, y) / devicePixelRatio, devicePixelRatio,
                                                             formScale, QPointF(origin) * formScale);
          ASSERT_TRUE(form.rect().contains(reached)) << scale << ": " << x << ", " << y;
          ASSERT_EQ(screen.pixel(x, y), form.pixel(reached)) << scale << ": " << x << ", " << y;
        }
    }
    EXPECT_EQ(screen.pixel(shown.left() - 1, shown.top()), 0xFF000000u) << scale << ": nothing left of the form";
  }
}

TEST(ScaledCopy, NeighbouringRepaintsShareNoScreenPixelAndLeaveNoneOut) {
  const double scales[] = {1.28, 1.8, 1.35, 0.8};
  for (double scale : scales) {
    const QTransform toScreen = QTransform::fromTranslate(133, 0) * QTransform::fromScale(scale, scale);
    for (int cut = 1; cut < 40; ++cut) {
      const QRect left = screenPixelsOf(QRectF(0, 0, cut, 10), toScreen);
      const QRect right = screenPixelsOf(QRectF(cut, 0, 40 - cut, 10), toScreen);
      const QRect whole = screenPixelsOf(QRectF(0, 0, 40, 10), toScreen);
      EXPECT_EQ(left.right() + 1, right.left()) << scale << " cut at " << cut;
      EXPECT_EQ(left.left(), whole.left());
      EXPECT_EQ(right.right(), whole.right());
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
