// The scrollable view as a window: what it paints, and how its bars answer the mouse,
// including the repeat of a held button.
#include "advert/imgview.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QMouseEvent>
#include <QProxyStyle>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <fstream>
#include <memory>
#include <vector>

#include "platform/errors.h"
#include "ui/qt/qt_access.h"

namespace tov::test {
namespace {

constexpr Color kBody = 0xC08040;    // the picture
constexpr Color kMarker = 0x0000FF;  // its first column, red
constexpr int kBar = 17;

// A picture of one colour whose first column is marked, so its placement can be seen.
class MarkedGraphic : public Graphic {
 public:
  MarkedGraphic(int width, int height) : width_(width), height_(height) {}
  const char* className() const override { return "TMarked"; }
  int width() const override { return width_; }
  int height() const override { return height_; }
  bool empty() const override { return false; }
  void draw(Canvas& canvas, const Rect& dest) const override {
    canvas.fillRect(dest, kBody);
    canvas.fillRect(Rect{dest.left, dest.top, dest.left + 1, dest.bottom}, kMarker);
  }
  void loadFromMemory(std::span<const std::uint8_t>) override {}
  void readStoredData(std::span<const std::uint8_t>, std::size_t&) override {}
  void writeStoredData(std::vector<std::uint8_t>&) const override {}
  std::unique_ptr<Graphic> clone() const override { return std::make_unique<MarkedGraphic>(*this); }

 private:
  int width_, height_;
};

Picture marked(int width, int height) {
  Picture picture;
  picture.setGraphic(std::make_unique<MarkedGraphic>(width, height));
  return picture;
}

QRgb rgbOf(Color c) { return qRgb(redOf(c), greenOf(c), blueOf(c)); }

// The advertisement screen's view, with bars of a known thickness.
struct ViewRig {
  TImgView view;
  ViewRig(int pictureWidth, int pictureHeight) {
    view.setBounds(0, 0, 642, 475);
    view.setScrollBarSize(kBar);
    view.setColor(0xFFFFFF);
    view.setScrollBarColor(0x008000);
    view.setHandleColor(0x00FFFF);
    view.setPicture(marked(pictureWidth, pictureHeight));
    view.scroll(0, -2500);
  }
  void mouse(QEvent::Type type, QPoint at, Qt::MouseButton which = Qt::LeftButton) {
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(which);
    QMouseEvent event(type, QPointF(at), QPointF(at), type == QEvent::MouseMove ? Qt::NoButton : which, held,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(qt::widgetOf(view), &event);
  }
  // A point of the vertical bar, `along` pixels from its top.
  static QPoint onVerticalBar(int along) { return QPoint(625 + kBar / 2, along); }
};

TEST(ImgView, PaintsThePictureCentredOnWhiteAndTheBars) {
  ViewRig rig(500, 1200);
  EXPECT_EQ(rig.view.scrollX(), 0.0);
  EXPECT_EQ(rig.view.scrollY(), 0.0) << "centred at 371, then scrolled up to the top";
  EXPECT_EQ(rig.view.pictureOffset(), (Point{62, 0}));
  const QImage shot = qt::widgetOf(rig.view)->grab().toImage();
  const struct {
    const char* what;
    QPoint at;
    QRgb colour;
  } samples[] = {
      {"white margin left of the picture", {61, 100}, rgbOf(0xFFFFFF)},
      {"the picture's first column", {62, 100}, rgbOf(kMarker)},
      {"the picture", {63, 100}, rgbOf(kBody)},
      {"the picture's last column", {561, 100}, rgbOf(kBody)},
      {"white margin right of the picture", {562, 100}, rgbOf(0xFFFFFF)},
      {"the viewport's last column", {624, 457}, rgbOf(0xFFFFFF)},
      {"horizontal track: no handle", {300, 466}, qRgb(0, 128, 0)},
      {"vertical handle at the top of the track", {629, 20}, qRgb(255, 255, 0)},
      {"vertical track below the handle", {633, 300}, qRgb(0, 128, 0)},
      {"the corner in the button face", {633, 466}, rgbOf(TImgView::kButtonFace)},
  };
  for (const auto& s : samples) EXPECT_EQ(shot.pixel(s.at), s.colour) << s.what;
}

TEST(ImgView, ANewPictureIsCentredAgain) {
  ViewRig rig(1000, 1200);
  rig.view.setScrollPosition(10, 20);
  rig.view.setPicture(marked(1001, 2000));
  EXPECT_EQ(rig.view.scrollX(), 187.5);
  EXPECT_EQ(rig.view.scrollY(), 771.0);  // 1000 - 229
  EXPECT_EQ(rig.view.pictureOffset(), (Point{-188, -771}));
}

TEST(ImgView, AnUnreadableFileLeavesTheViewAsItWas) {
  QTemporaryDir folder;
  const std::string file = folder.filePath("add_E.jpg").toStdString();
  std::ofstream(file) << "not a JPEG";
  ViewRig rig(500, 1200);
  EXPECT_THROW(rig.view.loadFromFile(file), EInvalidGraphic);
  EXPECT_EQ(rig.view.bitmap().width(), 500);
  EXPECT_EQ(rig.view.bitmap().height(), 1200);
}

// Serves events until done() or a generous limit; false when the limit came first.
template <typename Done>
bool serveUntil(Done done, int limitMs = 10000) {
  QElapsedTimer clock;
  clock.start();
  while (!done() && clock.elapsed() < limitMs) QTest::qWait(5);
  return done();
}

// Records the view's position when a precise timer of `ms` runs out. Qt runs the timers that
// have run out in the order of their deadlines, however late it gets to them, so a probe
// whose deadline comes before (or after) the view's own repeat sees the position before (or
// after) that repeat, on a busy machine too. The view's repeat timer is coarse: it may run
// out up to 5 % early or late.
void probeAfter(int ms, ViewRig& rig, std::vector<double>& seen) {
  QTimer::singleShot(ms, Qt::PreciseTimer, qt::widgetOf(rig.view), [&rig, &seen] { seen.push_back(rig.view.scrollY()); });
}

TEST(ImgView, HeldArrowRepeatsAfter600MsThenEvery100Ms) {
  ViewRig rig(500, 1200);
  std::vector<double> seen;
  // Started before the press, so its deadline comes before the first repeat's (570 at least).
  probeAfter(TImgView::kFirstRepeatMs - 100, rig, seen);
  rig.mouse(QEvent::MouseButtonPress, ViewRig::onVerticalBar(458 - 4));  // the lower arrow
  EXPECT_EQ(rig.view.scrollY(), 8.0) << "one step at the press";
  ASSERT_TRUE(serveUntil([&] { return seen.size() == 1; }));
  EXPECT_EQ(seen[0], 8.0) << "no repeat before 600 ms";
  ASSERT_TRUE(serveUntil([&] { return rig.view.scrollY() >= 16.0; })) << "no repeat";

  // The next repeat is due 100 ms after the last one, which has run: before this probe.
  probeAfter(3 * TImgView::kRepeatMs, rig, seen);
  ASSERT_TRUE(serveUntil([&] { return seen.size() == 2; }));
  EXPECT_GE(seen[1], 24.0) << "the repeats after the first come every 100 ms, not every 600";
  EXPECT_LT(seen[1], 742.0) << "the repeats are paced, not run to the end at once";

  rig.mouse(QEvent::MouseButtonRelease, ViewRig::onVerticalBar(458 - 4));
  const double atRelease = rig.view.scrollY();
  // A repeat still running would be due before this probe.
  probeAfter(TImgView::kFirstRepeatMs + 3 * TImgView::kRepeatMs, rig, seen);
  ASSERT_TRUE(serveUntil([&] { return seen.size() == 3; }));
  EXPECT_EQ(seen[2], atRelease) << "the repeat ends with the release";
}

TEST(ImgView, HeldArrowRunsToTheEndOfTheRange) {
  ViewRig rig(500, 520);  // a range of 62: eight steps
  rig.mouse(QEvent::MouseButtonPress, ViewRig::onVerticalBar(458 - 4));
  serveUntil([&] { return rig.view.scrollY() >= 62.0; });
  EXPECT_EQ(rig.view.scrollY(), 62.0);
  rig.mouse(QEvent::MouseButtonRelease, ViewRig::onVerticalBar(458 - 4));
  rig.mouse(QEvent::MouseButtonPress, ViewRig::onVerticalBar(4));  // the upper arrow
  EXPECT_EQ(rig.view.scrollY(), 54.0);
  rig.mouse(QEvent::MouseButtonRelease, ViewRig::onVerticalBar(4));
}

TEST(ImgView, TrackPressPagesWhileThePointerStaysOnItsSide) {
  // Picture 3000 in a viewport of 458: the handle is 65 long on a track of 426.
  ViewRig rig(500, 3000);
  rig.mouse(QEvent::MouseButtonPress, ViewRig::onVerticalBar(200));
  EXPECT_EQ(rig.view.scrollY(), 458.0) << "one viewport at the press";
  serveUntil([&] { return rig.view.scrollY() >= 916.0; });
  QTest::qWait(400);
  EXPECT_EQ(rig.view.scrollY(), 916.0) << "the handle (146 to 211) has reached the pointer";
  rig.mouse(QEvent::MouseMove, ViewRig::onVerticalBar(400));
  serveUntil([&] { return rig.view.scrollY() >= 2290.0; });
  QTest::qWait(400);
  EXPECT_EQ(rig.view.scrollY(), 2290.0) << "paged on until the handle (341 to 406) reached it again";
  rig.mouse(QEvent::MouseButtonRelease, ViewRig::onVerticalBar(400));
}

TEST(ImgView, DraggingTheHandle) {
  ViewRig rig(500, 1200);
  rig.mouse(QEvent::MouseButtonPress, ViewRig::onVerticalBar(60));
  rig.mouse(QEvent::MouseMove, ViewRig::onVerticalBar(70));
  EXPECT_DOUBLE_EQ(rig.view.scrollY(), 10 * 1200.0 / 426);
  rig.mouse(QEvent::MouseMove, ViewRig::onVerticalBar(900));
  EXPECT_EQ(rig.view.scrollY(), 742.0) << "clamped";
  rig.mouse(QEvent::MouseMove, ViewRig::onVerticalBar(-500));
  EXPECT_EQ(rig.view.scrollY(), 0.0);
  rig.mouse(QEvent::MouseButtonRelease, ViewRig::onVerticalBar(-500));
  rig.mouse(QEvent::MouseMove, ViewRig::onVerticalBar(200));
  EXPECT_EQ(rig.view.scrollY(), 0.0) << "moves after the release drag nothing";
}

TEST(ImgView, DraggingAMinimumHandle) {
  ViewRig rig(500, 20000);
  EXPECT_EQ(rig.view.scrollY(), 7271.0) << "more than 5000 taller: the scroll up stops short of the top";
  rig.view.setScrollPosition(0, 0);
  rig.mouse(QEvent::MouseButtonPress, ViewRig::onVerticalBar(20));
  rig.mouse(QEvent::MouseMove, ViewRig::onVerticalBar(24));
  EXPECT_DOUBLE_EQ(rig.view.scrollY(), 4 * 19542.0 / 409);
  rig.mouse(QEvent::MouseButtonRelease, ViewRig::onVerticalBar(24));
}

TEST(ImgView, BarsIgnoreWhatTheyShouldIgnore) {
  ViewRig rig(500, 1200);
  rig.mouse(QEvent::MouseButtonPress, ViewRig::onVerticalBar(458 - 4), Qt::RightButton);
  rig.mouse(QEvent::MouseButtonRelease, ViewRig::onVerticalBar(458 - 4), Qt::RightButton);
  EXPECT_EQ(rig.view.scrollY(), 0.0) << "the right button";
  rig.mouse(QEvent::MouseButtonPress, QPoint(620, 466));  // the horizontal bar's right arrow
  rig.mouse(QEvent::MouseButtonRelease, QPoint(620, 466));
  EXPECT_EQ(rig.view.scrollX(), 0.0) << "a bar with nothing to scroll";
  rig.mouse(QEvent::MouseButtonPress, QPoint(300, 200));  // the viewport
  rig.mouse(QEvent::MouseButtonRelease, QPoint(300, 200));
  EXPECT_EQ(rig.view.scrollY(), 0.0);
}

TEST(ImgView, HidingTheViewEndsARepeat) {
  ViewRig rig(500, 1200);
  rig.view.setVisible(true);
  rig.mouse(QEvent::MouseButtonPress, ViewRig::onVerticalBar(458 - 4));
  rig.view.setVisible(false);
  QTest::qWait(800);
  EXPECT_EQ(rig.view.scrollY(), 8.0);
}

// A style whose scroll bars are thicker than any built-in style's, so that its value cannot be
// met by chance.
class ThickBarStyle : public QProxyStyle {
 public:
  static constexpr int kExtent = 23;
  int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override {
    return metric == PM_ScrollBarExtent ? kExtent : QProxyStyle::pixelMetric(metric, option, widget);
  }
};

TEST(ImgView, ThicknessIsTheSystemsUnlessGiven) {
  ThickBarStyle style;
  TImgView view;
  qt::widgetOf(view)->setStyle(&style);
  EXPECT_EQ(view.scrollBarThickness(), ThickBarStyle::kExtent) << "the view's own style's";
  view.setScrollBarSize(21);
  EXPECT_EQ(view.scrollBarThickness(), 21);
  view.setScrollBarSize(0);
  EXPECT_EQ(view.scrollBarThickness(), ThickBarStyle::kExtent);
}

}  // namespace
}  // namespace tov::test
