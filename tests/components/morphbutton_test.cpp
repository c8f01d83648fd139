// The morphing button on a window of its own: preparation, the two morphs, the property
// rules, painting, the hand cursor, and the order of morphs as the pointer moves.
#include "components/morphbutton.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QMouseEvent>
#include <QSize>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "components/resources.h"
#include "imaging/jpeg.h"
#include "mainmenu/assets.h"
#include "ui/controlhost.h"
#include "ui/cursorresource.h"
#include "ui/cursors.h"
#include "ui/form.h"
#include "ui/pointertracker.h"
#include "ui/qt/qt_access.h"

namespace tov {
namespace {

// A picture of one colour. A see-through one paints only its left half and leaves the rest
// to whatever lies beneath.
class TestGraphic : public Graphic {
 public:
  TestGraphic(int width, int height, Color colour, bool seeThrough)
      : width_(width), height_(height), colour_(colour), seeThrough_(seeThrough) {}
  const char* className() const override { return "TTestGraphic"; }
  int width() const override { return width_; }
  int height() const override { return height_; }
  bool empty() const override { return width_ == 0 || height_ == 0; }
  bool transparent() const override { return seeThrough_; }
  void draw(Canvas& canvas, const Rect& dest) const override {
    Rect painted = dest;
    if (seeThrough_) painted.right = dest.left + dest.width() / 2;
    canvas.fillRect(painted, colour_);
  }
  void loadFromMemory(std::span<const std::uint8_t>) override {}
  void readStoredData(std::span<const std::uint8_t>, std::size_t&) override {}
  void writeStoredData(std::vector<std::uint8_t>&) const override {}
  std::unique_ptr<Graphic> clone() const override { return std::make_unique<TestGraphic>(*this); }

 private:
  int width_, height_;
  Color colour_;
  bool seeThrough_;
};

constexpr Color kRed = 0x0000FF;
constexpr Color kGreen = 0x00FF00;
constexpr Color kBlue = 0xFF0000;
constexpr Color kYellow = 0x00FFFF;
constexpr Color kGrey = 0x808080;

Picture solid(int width, int height, Color colour, bool seeThrough = false) {
  Picture picture;
  picture.setGraphic(std::make_unique<TestGraphic>(width, height, colour, seeThrough));
  return picture;
}

Color pixelAt(const MorphBuffer& buffer, int x, int y) {
  const std::uint8_t* p = buffer.row(y) + 3 * x;
  return rgb(p[2], p[1], p[0]);
}

// The one colour of every pixel, or nothing when the buffer holds more than one.
std::optional<Color> soleColour(const MorphBuffer& buffer) {
  if (buffer.width() == 0 || buffer.height() == 0) return std::nullopt;
  const Color first = pixelAt(buffer, 0, 0);
  for (int y = 0; y < buffer.height(); ++y)
    for (int x = 0; x < buffer.width(); ++x)
      if (pixelAt(buffer, x, y) != first) return std::nullopt;
  return first;
}

std::vector<std::uint8_t> bytesOf(const MorphBuffer& buffer) {
  return {buffer.bits(), buffer.bits() + buffer.byteCount()};
}

// Records every frame and every notification into a log that several buttons may share.
class RecordingButton : public TMorphButton {
 public:
  RecordingButton(ControlHost& host, std::string name, std::vector<std::string>* log = nullptr)
      : TMorphButton(host, std::move(name)), log_(log) {}

  std::vector<int> weights;
  std::function<void(int frame)> onFrame;

  void mouseEnter() override {
    note("enter");
    TMorphButton::mouseEnter();
    note("entered");
  }
  void mouseLeave() override {
    note("leave");
    TMorphButton::mouseLeave();
    note("left");
  }

 protected:
  void showMorphFrame(int weight) override {
    weights.push_back(weight);
    note("frame");
    if (onFrame) onFrame(int(weights.size()) - 1);
    TMorphButton::showMorphFrame(weight);
  }

 private:
  void note(const std::string& what) {
    if (log_) log_->push_back(Name() + " " + what);
  }
  std::vector<std::string>* log_;
};

// A control that only notes the pointer's enter and leave.
class HoverNote : public TControl {
 public:
  HoverNote(ControlHost& host, std::string name, std::vector<std::string>& log)
      : TControl(host, std::move(name)), log_(log) {}
  void paint(Canvas&) const override {}
  void mouseEnter() override { log_.push_back(Name() + " enter"); }
  void mouseLeave() override { log_.push_back(Name() + " leave"); }

 private:
  std::vector<std::string>& log_;
};

std::vector<int> expectedWeights(int rate) {
  std::vector<int> all;
  for (int frame = 0; frame <= rate; ++frame) all.push_back(morphFrameWeight(frame, rate));
  return all;
}

void sendMove(ControlHost& host, int x, int y) {
  QMouseEvent move(QEvent::MouseMove, QPointF(x, y), QPointF(x, y), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
  QCoreApplication::sendEvent(qt::widgetOf(host), &move);
}

void postClick(ControlHost& host, int x, int y) {
  QWidget* window = qt::widgetOf(host);
  QCoreApplication::postEvent(window, new QMouseEvent(QEvent::MouseButtonPress, QPointF(x, y), QPointF(x, y),
                                                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier));
  QCoreApplication::postEvent(window, new QMouseEvent(QEvent::MouseButtonRelease, QPointF(x, y), QPointF(x, y),
                                                      Qt::LeftButton, Qt::NoButton, Qt::NoModifier));
}

struct MorphButtonTest : ::testing::Test {
  ControlHost panel;
  MorphButtonTest() { panel.setBounds(0, 0, 200, 200); }
};

TEST_F(MorphButtonTest, CreationGivesTheDefaults) {
  TMorphButton button(panel, "button");
  EXPECT_EQ(button.Width(), 120);
  EXPECT_EQ(button.Height(), 50);
  EXPECT_EQ(button.MorphColor1(), Color(0x000000));
  EXPECT_EQ(button.MorphColor2(), Color(0xFFFFFF));
  EXPECT_EQ(button.MorphRate(), 250);
  EXPECT_TRUE(button.StretchToFit());
  EXPECT_TRUE(button.ProcessMsgs());
  EXPECT_EQ(button.Cursor(), crHand);
  EXPECT_EQ(button.ControlStyle(), unsigned(csOpaque | csNoStdEvents));
  for (const Picture* builtIn : {&button.MorphPic1(), &button.MorphPic2()}) {
    EXPECT_EQ(builtIn->width(), 120);
    EXPECT_EQ(builtIn->height(), 50);
  }
  for (const MorphBuffer* buffer : {&button.displayBuffer(), &button.targetBuffer(), &button.workBuffer()}) {
    EXPECT_EQ(buffer->width(), 120);
    EXPECT_EQ(buffer->height(), 50);
  }
  EXPECT_NE(bytesOf(button.displayBuffer()), bytesOf(button.targetBuffer())) << "B1 and B2 are rendered";
}

TEST_F(MorphButtonTest, HandCursorIsRegisteredAsThirtyOneReplacingAnyEarlierOne) {
  const std::string dot = "TOVCURSOR\n1 1 0 0\n#\n";
  Screen::registerCursor(crHand, parseCursorResource({reinterpret_cast<const std::uint8_t*>(dot.data()), dot.size()}));
  TMorphButton button(panel, "button");
  const QCursor hand = qt::cursorOf(crHand);
  EXPECT_EQ(hand.shape(), Qt::BitmapCursor);
  EXPECT_EQ(hand.hotSpot(), QPoint(5, 2));
  const CursorImage image = parseCursorResource(component_resources::embeddedFile(component_resources::kHandCursor));
  EXPECT_EQ(image.width, 32);
  EXPECT_EQ(image.height, 32);
  EXPECT_NE(image.at(5, 2), CursorPixel::Transparent) << "the hot spot lies on the finger";
}

TEST_F(MorphButtonTest, RateIsKeptBetweenOneAnd255) {
  TMorphButton button(panel, "button");
  const struct {
    int set, kept;
  } cases[] = {{0, 1}, {-7, 1}, {1, 1}, {100, 100}, {255, 255}, {256, 255}, {300, 255}};
  for (const auto& c : cases) {
    button.setMorphRate(c.set);
    EXPECT_EQ(button.MorphRate(), c.kept) << c.set;
  }
}

TEST(MorphButtonPictures, StoredJpegsAtTheSizesTheMenuGives) {
  const struct {
    const char* name;
    int width, height;
  } stored[] = {
      {"morph_exit1.pic", 78, 82}, {"morph_exit2.pic", 78, 82},   {"morph_report1.pic", 78, 82},
      {"morph_report2.pic", 78, 82}, {"morph_back1.pic", 56, 52}, {"morph_back2.pic", 56, 52},
      {"morph_left1.pic", 47, 37}, {"morph_left2.pic", 47, 37},   {"morph_right1.pic", 47, 37},
      {"morph_right2.pic", 47, 37},
  };
  for (const auto& s : stored) {
    Picture picture;
    picture.loadFromStored(assets::embeddedFile(s.name));
    ASSERT_NE(picture.graphic(), nullptr) << s.name;
    EXPECT_STREQ(picture.graphic()->className(), "TJPEGImage") << s.name;
    EXPECT_EQ(QSize(picture.width(), picture.height()), QSize(s.width, s.height)) << s.name;
  }
  for (std::string_view builtIn : {component_resources::kMorphPicture1, component_resources::kMorphPicture2}) {
    TJPEGImage image;
    image.loadFromMemory(component_resources::embeddedFile(builtIn));
    EXPECT_EQ(QSize(image.width(), image.height()), QSize(120, 50)) << builtIn;
  }
}

TEST_F(MorphButtonTest, PreparationSizesOfTheMenuButtons) {
  // As the main form sets them up: bounds, stretching, then the stored pictures. Stretched
  // buttons keep the form's size; the hand buttons take their resting picture's, which is
  // the size the form gives them.
  const struct {
    const char* name;
    int left, top, width, height;
    bool stretch;
    int pictureWidth, pictureHeight;
    std::size_t rowBytes;
  } cases[] = {
      {"exitbut", 1, 1, 73, 68, true, 78, 82, 220},       {"exitbut2", 0, 1, 57, 52, true, 78, 82, 172},
      {"reportbut2", -2, -1, 75, 71, true, 78, 82, 228},  {"reportbut", -1, -1, 58, 53, true, 78, 82, 176},
      {"MorphButton1", 1, 0, 56, 55, true, 56, 52, 168},  {"lefthandbut", -1, 0, 47, 37, false, 47, 37, 144},
      {"righthandbut", -1, -1, 47, 37, false, 47, 37, 144},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TMorphButton button(panel, c.name);
    button.setBounds(c.left, c.top, c.width, c.height);
    button.setStretchToFit(c.stretch);
    button.setMorphRate(250);
    button.setMorphPic1(solid(c.pictureWidth, c.pictureHeight, kRed));
    button.setMorphPic2(solid(c.pictureWidth, c.pictureHeight, kBlue));
    EXPECT_EQ(button.bounds(), (Rect{c.left, c.top, c.left + c.width, c.top + c.height}));
    for (const MorphBuffer* buffer : {&button.displayBuffer(), &button.targetBuffer(), &button.workBuffer()}) {
      EXPECT_EQ(buffer->width(), c.width);
      EXPECT_EQ(buffer->height(), c.height);
      EXPECT_EQ(buffer->rowBytes(), c.rowBytes);
    }
    EXPECT_EQ(soleColour(button.displayBuffer()), kRed);
    EXPECT_EQ(soleColour(button.targetBuffer()), kBlue);
  }
}

TEST_F(MorphButtonTest, NaturalSizeFollowsWhichPicturesThereAre) {
  const struct {
    const char* name;
    std::optional<Picture> pic1, pic2;
    int width, height;
    Color display, target;
  } cases[] = {
      {"both: the first's size, the second stretched", solid(40, 30, kGreen), solid(10, 10, kYellow), 40, 30, kGreen, kYellow},
      {"only the second", std::nullopt, solid(25, 15, kYellow), 25, 15, kRed, kYellow},
      {"only the first", solid(33, 22, kGreen), std::nullopt, 33, 22, kGreen, kBlue},
      {"neither: the size stays", std::nullopt, std::nullopt, 60, 20, kRed, kBlue},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TMorphButton button(panel, "button");
    button.setBounds(5, 5, 60, 20);
    button.setMorphColor1(kRed);
    button.setMorphColor2(kBlue);
    c.pic1 ? button.setMorphPic1(*c.pic1) : button.setMorphPic1(Picture{});
    c.pic2 ? button.setMorphPic2(*c.pic2) : button.setMorphPic2(Picture{});
    button.setStretchToFit(false);
    EXPECT_EQ(button.Width(), c.width);
    EXPECT_EQ(button.Height(), c.height);
    EXPECT_EQ(button.Left(), 5);
    EXPECT_EQ(soleColour(button.displayBuffer()), c.display);
    EXPECT_EQ(soleColour(button.targetBuffer()), c.target);
    EXPECT_EQ(button.workBuffer().width(), c.width);
  }
}

TEST_F(MorphButtonTest, ForwardMorphShowsRatePlusOneFramesAndEndsOnTheHoverPicture) {
  for (int rate : {1, 250, 255}) {
    SCOPED_TRACE(rate);
    RecordingButton button(panel, "button");
    button.setMorphPic1(solid(10, 10, kGreen));
    button.setMorphPic2(solid(10, 10, kYellow));
    button.setMorphRate(rate);
    const std::vector<std::uint8_t> resting = bytesOf(button.displayBuffer());
    button.forwardMorph();
    EXPECT_EQ(button.weights, expectedWeights(rate));
    EXPECT_EQ(bytesOf(button.displayBuffer()), bytesOf(button.targetBuffer())) << "weight 32 copies the target";
    EXPECT_EQ(bytesOf(button.workBuffer()), resting) << "the work buffer keeps where the morph began";
  }
}

TEST_F(MorphButtonTest, BackwardMorphFadesBackAndPutsEverythingBack) {
  RecordingButton button(panel, "button");
  button.setMorphColor1(kRed);
  button.setMorphColor2(kBlue);
  button.setMorphPic1(solid(40, 30, kGreen));
  button.setMorphPic2(solid(20, 10, kYellow));
  button.setStretchToFit(false);
  button.setMorphRate(10);
  button.forwardMorph();
  button.weights.clear();

  std::vector<Color> shown;
  std::vector<QSize> sizes;
  button.onFrame = [&](int) {
    shown.push_back(pixelAt(button.displayBuffer(), 0, 0));
    sizes.push_back(QSize(button.Width(), button.Height()));
  };
  button.backwardMorph();
  EXPECT_EQ(button.weights, expectedWeights(10));
  EXPECT_EQ(shown.front(), kYellow) << "the fade starts from the hover picture";
  EXPECT_EQ(shown.back(), kGreen) << "and ends on the resting one";
  EXPECT_EQ(sizes, std::vector<QSize>(11, QSize(40, 30))) << "the size holds while the pictures are exchanged";

  EXPECT_EQ(button.MorphPic1().width(), 40);
  EXPECT_EQ(button.MorphPic2().width(), 20);
  EXPECT_EQ(button.MorphColor1(), kRed);
  EXPECT_EQ(button.MorphColor2(), kBlue);
  EXPECT_FALSE(button.StretchToFit());
  EXPECT_EQ(soleColour(button.displayBuffer()), kGreen);
  EXPECT_EQ(soleColour(button.targetBuffer()), kYellow);
  // The fill colours went back too: without pictures, each buffer shows its own colour.
  button.setMorphPic1(Picture{});
  button.setMorphPic2(Picture{});
  EXPECT_EQ(soleColour(button.displayBuffer()), kRed);
  EXPECT_EQ(soleColour(button.targetBuffer()), kBlue);
}

TEST_F(MorphButtonTest, EqualValuesDoNotRenderAgainButChangesAndMovesShowTheRestingPicture) {
  const struct {
    const char* name;
    std::function<void(TMorphButton&)> change;
    bool rendersAgain;
  } cases[] = {
      {"same first colour", [](TMorphButton& b) { b.setMorphColor1(b.MorphColor1()); }, false},
      {"same second colour", [](TMorphButton& b) { b.setMorphColor2(b.MorphColor2()); }, false},
      {"same stretching", [](TMorphButton& b) { b.setStretchToFit(true); }, false},
      {"same bounds", [](TMorphButton& b) { b.setBounds(b.Left(), b.Top(), b.Width(), b.Height()); }, false},
      {"rate", [](TMorphButton& b) { b.setMorphRate(7); }, false},
      {"new first colour", [](TMorphButton& b) { b.setMorphColor1(kGrey); }, true},
      {"new second colour", [](TMorphButton& b) { b.setMorphColor2(kGrey); }, true},
      {"moved", [](TMorphButton& b) { b.setBounds(b.Left() + 1, b.Top(), b.Width(), b.Height()); }, true},
      {"resized", [](TMorphButton& b) { b.setBounds(b.Left(), b.Top(), b.Width() + 3, b.Height()); }, true},
      {"picture changed in place", [](TMorphButton& b) { b.morphPicChanged(); }, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TMorphButton button(panel, "button");
    button.setMorphPic1(solid(10, 10, kGreen));
    button.setMorphPic2(solid(10, 10, kYellow));
    button.setMorphRate(1);
    button.forwardMorph();  // hovered: the display shows the second picture
    c.change(button);
    EXPECT_EQ(soleColour(button.displayBuffer()), c.rendersAgain ? kGreen : kYellow);
  }
}

TEST_F(MorphButtonTest, MissingAndSeeThroughPicturesShowTheFillColours) {
  for (bool stretch : {true, false}) {
    SCOPED_TRACE(stretch ? "stretched" : "natural size");
    TMorphButton button(panel, "button");
    button.setBounds(0, 0, 20, 10);
    button.setMorphColor1(kRed);
    button.setMorphColor2(kBlue);
    button.setMorphPic1(solid(20, 10, kGreen, true));
    button.setMorphPic2(Picture{});
    button.setStretchToFit(stretch);
    EXPECT_EQ(pixelAt(button.displayBuffer(), 2, 5), kGreen);
    EXPECT_EQ(pixelAt(button.displayBuffer(), 15, 5), kRed) << "the background behind a see-through picture";
    EXPECT_EQ(soleColour(button.targetBuffer()), kBlue) << "no picture: the plain fill colour";
  }
}

TEST_F(MorphButtonTest, PaintsItsDisplayUnscaledAndHidesWhatLiesBeneath) {
  TImage beneath(panel, "beneath");
  beneath.setBounds(0, 0, 30, 30);
  beneath.picture().setGraphic(std::make_unique<TestGraphic>(30, 30, kGrey, false));
  beneath.setStretch(true);
  TMorphButton button(panel, "button");
  button.setBounds(4, 6, 12, 8);
  button.setMorphPic1(solid(12, 8, kGreen));
  EXPECT_TRUE(button.coversOpaquely(Rect{4, 6, 16, 14}));
  EXPECT_FALSE(button.coversOpaquely(Rect{3, 6, 16, 14}));
  Bitmap screen(30, 30, PixelFormat::pf32bit);
  panel.paintControls(screen, Rect{0, 0, 30, 30});
  EXPECT_EQ(screen.pixel(4, 6), kGreen);
  EXPECT_EQ(screen.pixel(15, 13), kGreen);
  EXPECT_EQ(screen.pixel(16, 13), kGrey);
  EXPECT_EQ(screen.pixel(15, 14), kGrey);
  EXPECT_EQ(screen.scanLine(6)[4 * 4 + 3], 0xFF) << "opaque on the window's buffer";
}

TEST_F(MorphButtonTest, ClickDuringAMorphRunsAtOnceAndTheMorphGoesOn) {
  RecordingButton button(panel, "button");
  button.setBounds(0, 0, 20, 20);
  button.setMorphRate(20);
  int clickedAtFrame = -1;
  button.OnClick = [&](TControl* sender) {
    EXPECT_EQ(sender, &button);
    clickedAtFrame = int(button.weights.size()) - 1;
  };
  postClick(panel, 5, 5);
  button.forwardMorph();
  EXPECT_EQ(clickedAtFrame, 0) << "handled while the first frame dispatched events";
  EXPECT_EQ(button.weights.size(), 21u);

  // Without ProcessMsgs nothing is dispatched until the morph has ended.
  clickedAtFrame = -1;
  button.setProcessMsgs(false);
  postClick(panel, 5, 5);
  button.forwardMorph();
  EXPECT_EQ(clickedAtFrame, -1);
  QCoreApplication::processEvents();
  EXPECT_EQ(clickedAtFrame, 41);
}

TEST_F(MorphButtonTest, PointerPassingToAnotherPanelWaitsForTheMorphsToEnd) {
  std::vector<std::string> log;
  ControlHost otherPanel;
  otherPanel.setBounds(0, 0, 50, 50);
  RecordingButton a(panel, "a", &log);
  RecordingButton b(otherPanel, "b", &log);
  for (RecordingButton* button : {&a, &b}) {
    button->setBounds(0, 0, 40, 40);
    button->setMorphRate(2);
  }
  // While a's forward morph runs, the pointer leaves a's panel and comes over b: Qt delivers
  // that inside the dispatch after a frame.
  bool moved = false;
  a.onFrame = [&](int) {
    if (std::exchange(moved, true)) return;
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(qt::widgetOf(panel), &leave);
    sendMove(otherPanel, 20, 20);
  };
  sendMove(panel, 20, 20);
  QCoreApplication::processEvents();
  const std::vector<std::string> expected = {
      "a enter", "a frame", "a frame", "a frame", "a entered", "a leave", "a frame", "a frame",
      "a frame", "a left",  "b enter", "b frame", "b frame",   "b frame", "b entered"};
  EXPECT_EQ(log, expected);
}

TEST_F(MorphButtonTest, AModalLoopOpenedByAClickDuringAMorphHasEnterAndLeaveOfItsOwn) {
  std::vector<std::string> log;
  RecordingButton button(panel, "button", &log);
  button.setBounds(0, 0, 40, 40);
  button.setMorphRate(3);
  // As the exit button opens the advertisement screen: a form of its own, shown modal, served
  // by a loop of its own until it closes.
  button.OnClick = [&](TControl*) {
    log.push_back("click");
    TForm modal;
    modal.setBounds(0, 0, 100, 100);
    HoverNote exit(modal, "exit", log);
    exit.setBounds(50, 50, 20, 20);
    QMetaObject::invokeMethod(qt::widgetOf(modal), [&] {
      sendMove(modal, 55, 55);
      QCoreApplication::processEvents();
      sendMove(modal, 10, 10);
      QCoreApplication::processEvents();
      modal.Close();
      // Back over the button: the morph under way is still its notification.
      sendMove(panel, 20, 20);
      QCoreApplication::processEvents();
    }, Qt::QueuedConnection);
    modal.ShowModal();
    log.push_back("closed");
  };
  // The click arrives between frames, as the window system's events do.
  button.onFrame = [&](int frame) {
    if (frame == 0) postClick(panel, 20, 20);
  };
  sendMove(panel, 20, 20);
  QCoreApplication::processEvents();
  std::vector<std::string> expected = {"button enter", "button frame", "click",        "exit enter",
                                       "exit leave",   "closed",       "button frame", "button frame",
                                       "button frame", "button entered"};
  EXPECT_EQ(log, expected);
  EXPECT_EQ(PointerTracker::hovered(), &button);

  log.clear();
  sendMove(panel, 150, 150);
  QCoreApplication::processEvents();
  expected = {"button leave", "button frame", "button frame", "button frame", "button frame", "button left"};
  EXPECT_EQ(log, expected);
}

}  // namespace
}  // namespace tov
