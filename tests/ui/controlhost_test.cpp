// Windowless controls painted into the back buffer and given the mouse by their window.
#include <gtest/gtest.h>

#include <QMouseEvent>
#include <QTest>
#include <memory>
#include <vector>

#include "imaging/graphic.h"
#include "ui/application.h"
#include "ui/control.h"
#include "ui/controlhost.h"
#include "ui/qt/qt_access.h"

namespace tov::test {
namespace {

// A graphic of one colour, opaque or not.
class SolidGraphic : public Graphic {
 public:
  SolidGraphic(int w, int h, Color c, bool transparent = false) : w_(w), h_(h), c_(c), transparent_(transparent) {}
  const char* className() const override { return "TSolid"; }
  int width() const override { return w_; }
  int height() const override { return h_; }
  bool empty() const override { return false; }
  bool transparent() const override { return transparent_; }
  void draw(Canvas& canvas, const Rect& dest) const override { canvas.fillRect(dest, c_); }
  void loadFromMemory(std::span<const std::uint8_t>) override {}
  void readStoredData(std::span<const std::uint8_t>, std::size_t&) override {}
  void writeStoredData(std::vector<std::uint8_t>&) const override {}
  std::unique_ptr<Graphic> clone() const override { return std::make_unique<SolidGraphic>(*this); }

 private:
  int w_, h_;
  Color c_;
  bool transparent_;
};

void give(TImage& image, int w, int h, Color c, bool transparent = false) {
  image.picture().setGraphic(std::make_unique<SolidGraphic>(w, h, c, transparent));
  image.pictureChanged();
}

struct Painted {
  ControlHost host;
  Bitmap buffer{40, 20, PixelFormat::pf32bit};
  Color at(int x, int y) {
    host.paintControls(buffer, Rect{0, 0, 40, 20});
    return buffer.pixel(x, y);
  }
};

TEST(ControlHostPaint, CreationOrderVisibilityAndClipping) {
  Painted p;
  p.host.setBounds(0, 0, 40, 20);
  p.host.setColor(0x111111);
  TImage frame(p.host, "frame");
  TImage lamp(p.host, "lamp");
  TImage glass(p.host, "glass");
  frame.setBounds(0, 0, 40, 20);
  give(frame, 40, 20, 0x0000FF);
  lamp.setBounds(5, 5, 4, 4);
  give(lamp, 10, 10, 0x00FF00);  // larger than its control: clipped to it
  glass.setBounds(30, 0, 10, 10);
  give(glass, 10, 10, 0xFF0000, true);

  EXPECT_EQ(p.at(0, 0), Color(0x0000FF));
  EXPECT_EQ(p.at(6, 6), Color(0x00FF00)) << "later controls lie over earlier ones";
  EXPECT_EQ(p.at(10, 10), Color(0x0000FF)) << "a picture never spills out of its control";
  EXPECT_EQ(p.at(35, 5), Color(0xFF0000));

  lamp.setVisible(false);
  EXPECT_EQ(p.at(6, 6), Color(0x0000FF));
  frame.setVisible(false);
  EXPECT_EQ(p.at(0, 0), Color(0x111111)) << "uncovered area has the window's colour";
  frame.setVisible(true);
  lamp.setVisible(true);
  // A frame created after the lamp hides it.
  TImage cover(p.host, "cover");
  cover.setBounds(0, 0, 40, 20);
  give(cover, 40, 20, 0x333333);
  EXPECT_EQ(p.at(6, 6), Color(0x333333));
}

TEST(ControlHostPaint, StretchAndAutoSize) {
  Painted p;
  p.host.setBounds(0, 0, 40, 20);
  TImage image(p.host, "image");
  image.setBounds(0, 0, 20, 10);
  give(image, 4, 4, 0x00FF00);
  EXPECT_EQ(p.at(10, 5), Color(p.host.color())) << "not stretched: drawn at its own size";
  image.setStretch(true);
  EXPECT_EQ(p.at(10, 5), Color(0x00FF00));
  image.setAutoSize(true);
  EXPECT_EQ(image.Width(), 4);
  EXPECT_EQ(image.Height(), 4);
}

TEST(ControlHostMouse, TopmostVisibleControlGetsMovesAndClicks) {
  ControlHost host;
  host.setBounds(0, 0, 100, 100);
  TImage under(host, "under");
  TImage over(host, "over");
  under.setBounds(0, 0, 100, 100);
  over.setBounds(10, 10, 20, 20);
  over.setVisible(false);  // hidden controls still count for nothing
  std::vector<std::string> events;
  for (TImage* image : {&under, &over}) {
    image->OnClick = [&](TControl* sender) { events.push_back("click " + sender->Name()); };
    image->OnMouseMove = [&](TControl* sender, TShiftState, int x, int y) {
      events.push_back("move " + sender->Name() + " " + std::to_string(x) + "," + std::to_string(y));
    };
  }
  host.setVisible(true);
  QTest::mouseMove(qt::widgetOf(host), QPoint(15, 15));
  over.setVisible(true);
  QTest::mouseMove(qt::widgetOf(host), QPoint(16, 17));
  QTest::mouseClick(qt::widgetOf(host), Qt::LeftButton, {}, QPoint(16, 17));
  QTest::mouseClick(qt::widgetOf(host), Qt::RightButton, {}, QPoint(16, 17));
  // Pressed on one control, released on another: no click.
  QTest::mousePress(qt::widgetOf(host), Qt::LeftButton, {}, QPoint(16, 17));
  QTest::mouseRelease(qt::widgetOf(host), Qt::LeftButton, {}, QPoint(60, 60));
  ASSERT_GE(events.size(), 3u);
  EXPECT_EQ(events[0], "move under 15,15");
  EXPECT_EQ(events[1], "move over 6,7");
  EXPECT_EQ(std::count(events.begin(), events.end(), "click over"), 1);
  EXPECT_EQ(std::count(events.begin(), events.end(), "click under"), 0);
}

TEST(ControlHostMouse, AClickIsTheLeftButtonsOwnPressAndReleaseOnOneControl) {
  struct Step {
    QEvent::Type type;
    Qt::MouseButton button;
    QPoint at;
  };
  constexpr auto down = QEvent::MouseButtonPress;
  constexpr auto up = QEvent::MouseButtonRelease;
  const QPoint on(10, 10);
  const QPoint off(80, 80);
  const struct {
    const char* name;
    std::vector<Step> steps;
    int clicks;
  } cases[] = {
      {"plain left click", {{down, Qt::LeftButton, on}, {up, Qt::LeftButton, on}}, 1},
      {"right click while the left is held",
       {{down, Qt::LeftButton, on}, {down, Qt::RightButton, on}, {up, Qt::RightButton, on}, {up, Qt::LeftButton, on}},
       1},
      {"left click while the right is held",
       {{down, Qt::RightButton, on}, {down, Qt::LeftButton, on}, {up, Qt::LeftButton, on}, {up, Qt::RightButton, on}},
       1},
      {"left released off the control", {{down, Qt::LeftButton, on}, {up, Qt::LeftButton, off}}, 0},
      {"left pressed off the control, right click on it",
       {{down, Qt::LeftButton, off}, {down, Qt::RightButton, on}, {up, Qt::RightButton, on}, {up, Qt::LeftButton, on}},
       0},
      {"right click alone", {{down, Qt::RightButton, on}, {up, Qt::RightButton, on}}, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ControlHost host;
    host.setBounds(0, 0, 100, 100);
    TImage image(host, "image");
    image.setBounds(0, 0, 50, 50);
    int clicks = 0;
    image.OnClick = [&](TControl*) { ++clicks; };
    host.setVisible(true);
    Qt::MouseButtons held;
    for (const Step& step : c.steps) {
      held.setFlag(step.button, step.type == down);
      QMouseEvent event(step.type, QPointF(step.at), QPointF(step.at), step.button, held, Qt::NoModifier);
      QCoreApplication::sendEvent(qt::widgetOf(host), &event);
    }
    EXPECT_EQ(clicks, c.clicks);
  }
}

TEST(ControlHostMouse, AnErrorInAHandlerIsReportedAndTheWindowGoesOn) {
  std::vector<std::string> reports;
  auto previous = Application::setMessageHandler([&](const Application::MessageRequest& r) {
    reports.push_back(r.text);
    return ModalResult::mrOk;
  });
  ControlHost host;
  host.setBounds(0, 0, 50, 50);
  TImage image(host, "image");
  image.setBounds(0, 0, 50, 50);
  image.OnClick = [](TControl*) { throw std::runtime_error("broken frame"); };
  host.setVisible(true);
  QTest::mouseClick(qt::widgetOf(host), Qt::LeftButton, {}, QPoint(5, 5));
  QTest::mouseClick(qt::widgetOf(host), Qt::LeftButton, {}, QPoint(5, 5));
  Application::setMessageHandler(previous);
  EXPECT_EQ(reports, (std::vector<std::string>{"broken frame", "broken frame"}));
}

}  // namespace
}  // namespace tov::test
