// The picture button on a window of its own: which picture it shows after each sequence of
// pointer and button events, its clicks, and the order of click and mouse-up.
#include "components/imagebutton.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QToolTip>
#include <memory>
#include <string>
#include <vector>

#include "ui/controlhost.h"
#include "ui/qt/qt_access.h"

namespace tov::test {
namespace {

// A picture whose width names it, so a test can tell which state picture is shown.
class NamedGraphic : public Graphic {
 public:
  explicit NamedGraphic(int width) : width_(width) {}
  const char* className() const override { return "TNamed"; }
  int width() const override { return width_; }
  int height() const override { return 20; }
  bool empty() const override { return false; }
  void draw(Canvas& canvas, const Rect& dest) const override { canvas.fillRect(dest, Color(width_)); }
  void loadFromMemory(std::span<const std::uint8_t>) override {}
  void readStoredData(std::span<const std::uint8_t>, std::size_t&) override {}
  void writeStoredData(std::vector<std::uint8_t>&) const override {}
  std::unique_ptr<Graphic> clone() const override { return std::make_unique<NamedGraphic>(*this); }

 private:
  int width_;
};

enum Width { kFrom = 11, kTo = 12, kDown = 13, kDisabled = 14, kNewTo = 15, kNewFrom = 16 };

Picture named(int width) {
  Picture picture;
  picture.setGraphic(std::make_unique<NamedGraphic>(width));
  return picture;
}

std::string nameOf(const Picture& picture) {
  switch (picture.empty() ? 0 : picture.width()) {
    case kFrom: return "from";
    case kTo: return "to";
    case kDown: return "down";
    case kDisabled: return "disabled";
    case kNewTo: return "new to";
    case kNewFrom: return "new from";
    default: return "empty";
  }
}

constexpr QPoint kOnButton{20, 20};
constexpr QPoint kOffButton{80, 80};

struct ButtonRig {
  ControlHost window;
  TImageButAdvanced button{window, "button"};
  std::vector<std::string> log;

  ButtonRig() {
    window.setBounds(0, 0, 100, 100);
    button.setBounds(10, 10, 20, 20);
    button.setPicFrom(named(kFrom));
    button.setPicTo(named(kTo));
    button.setPicDown(named(kDown));
    button.setPicDisabled(named(kDisabled));
    button.OnClick = [this](TControl*) { log.push_back("click showing " + shown()); };
  }

  std::string shown() const { return nameOf(button.picture()); }

  void mouse(QEvent::Type type, QPoint at, Qt::MouseButton which, Qt::MouseButtons held) {
    QMouseEvent event(type, QPointF(at), QPointF(at), which, held, Qt::NoModifier);
    QCoreApplication::sendEvent(qt::widgetOf(window), &event);
    QCoreApplication::processEvents();  // enter and leave follow the events at hand
  }
  void moveTo(QPoint at, Qt::MouseButtons held = Qt::NoButton) {
    mouse(QEvent::MouseMove, at, Qt::NoButton, held);
  }
  void press(QPoint at, Qt::MouseButton which = Qt::LeftButton) { mouse(QEvent::MouseButtonPress, at, which, which); }
  void release(QPoint at, Qt::MouseButton which = Qt::LeftButton) {
    mouse(QEvent::MouseButtonRelease, at, which, Qt::NoButton);
  }

  // Runs one step of a scenario by its name.
  void run(const std::string& step) {
    if (step == "enter") moveTo(kOnButton);
    else if (step == "leave") moveTo(kOffButton);
    else if (step == "press") press(kOnButton);
    else if (step == "release") release(kOnButton);
    else if (step == "press right") press(kOnButton, Qt::RightButton);
    else if (step == "release right") release(kOnButton, Qt::RightButton);
    else if (step == "drag out") moveTo(kOffButton, Qt::LeftButton);
    else if (step == "release outside") release(kOffButton);
    else if (step == "double click") {
      press(kOnButton);
      release(kOnButton);
      mouse(QEvent::MouseButtonDblClick, kOnButton, Qt::LeftButton, Qt::LeftButton);
    }
    else if (step == "disable") button.setEnableBut(false);
    else if (step == "enable") button.setEnableBut(true);
    else if (step == "no move pictures") button.setEnableButMove(false);
    else if (step == "set PicTo") button.setPicTo(named(kNewTo));
    else if (step == "set PicFrom") button.setPicFrom(named(kNewFrom));
    else if (step == "empty PicDisabled") button.setPicDisabled(Picture());
    else FAIL() << "unknown step " << step;
  }
};

struct Scenario {
  const char* name;
  std::vector<std::string> steps;
  std::string shown;
  int clicks;
};

TEST(ImageButton, StateTable) {
  const Scenario scenarios[] = {
      {"at rest", {}, "from", 0},
      {"pointer enters", {"enter"}, "to", 0},
      {"pointer leaves", {"enter", "leave"}, "from", 0},
      {"left button down", {"enter", "press"}, "down", 0},
      {"left button up over the button", {"enter", "press", "release"}, "to", 1},
      {"right button down", {"enter", "press right"}, "down", 0},
      {"right button up: no click", {"enter", "press right", "release right"}, "to", 0},
      {"press, drag out: the leave shows PicFrom", {"enter", "press", "drag out"}, "from", 0},
      {"press, drag out, release outside: PicTo stays", {"enter", "press", "drag out", "release outside"}, "to", 0},
      {"... until the pointer enters again", {"enter", "press", "drag out", "release outside", "enter"}, "to", 0},
      {"... and leaves", {"enter", "press", "drag out", "release outside", "enter", "leave"}, "from", 0},
      {"a double click is two clicks' worth of presses", {"enter", "double click"}, "down", 1},
      {"disabled", {"disable"}, "disabled", 0},
      {"disabled takes no hover", {"disable", "enter"}, "disabled", 0},
      {"disabled takes no press and no click", {"disable", "enter", "press", "release", "leave"}, "disabled", 0},
      {"enabled again", {"disable", "enter", "enable"}, "from", 0},
      {"disabling with no PicDisabled leaves it blank", {"empty PicDisabled", "disable"}, "empty", 0},
      {"... and enabling shows PicFrom", {"empty PicDisabled", "disable", "enable"}, "from", 0},
      {"enabling an enabled button shows PicFrom", {"enter", "enable"}, "from", 0},
      {"without move pictures, hover still swaps", {"no move pictures", "enter"}, "to", 0},
      {"without move pictures, pressing changes nothing", {"no move pictures", "enter", "press"}, "to", 0},
      {"without move pictures, releasing changes nothing", {"no move pictures", "press", "release"}, "from", 1},
      {"without move pictures, leaving swaps back", {"no move pictures", "enter", "leave"}, "from", 0},
      {"a new PicTo waits for the next event", {"enter", "set PicTo"}, "to", 0},
      {"... and is shown at the next enter", {"enter", "set PicTo", "leave", "enter"}, "new to", 0},
      {"a new PicFrom is shown at once", {"enter", "set PicFrom"}, "new from", 0},
  };
  for (const Scenario& scenario : scenarios) {
    SCOPED_TRACE(scenario.name);
    ButtonRig rig;
    for (const std::string& step : scenario.steps) rig.run(step);
    EXPECT_EQ(rig.shown(), scenario.shown);
    EXPECT_EQ(int(rig.log.size()), scenario.clicks);
  }
}

TEST(ImageButton, CreatedVisibleEnabledAndEmpty) {
  ControlHost window;
  TImageButAdvanced button(window, "button");
  EXPECT_TRUE(button.Visible());
  EXPECT_TRUE(button.Enabled());
  EXPECT_TRUE(button.EnableBut());
  EXPECT_TRUE(button.EnableButMove());
  EXPECT_FALSE(button.AutoSize());
  EXPECT_FALSE(button.Stretch());
  EXPECT_TRUE(button.picture().empty());
  for (const Picture* state : {&button.PicFrom(), &button.PicTo(), &button.PicDown(), &button.PicDisabled()})
    EXPECT_TRUE(state->empty());
  EXPECT_TRUE(button.OnMouseDown);
  EXPECT_TRUE(button.OnMouseUp);
}

TEST(ImageButton, ClickComesBeforeTheMouseUpPicture) {
  ButtonRig rig;
  rig.button.OnMouseUp = [&rig, own = rig.button.OnMouseUp](TControl* sender, TMouseButton which, TShiftState shift, int x, int y) {
    rig.log.push_back("mouse up at " + std::to_string(x) + "," + std::to_string(y));
    own(sender, which, shift, x, y);
  };
  rig.run("enter");
  rig.run("press");
  rig.run("release");
  EXPECT_EQ(rig.log, (std::vector<std::string>{"click showing down", "mouse up at 10,10"}));
  EXPECT_EQ(rig.shown(), "to");
}

TEST(ImageButton, ReleaseAnywhereReachesTheButtonThatWasPressed) {
  ButtonRig rig;
  std::vector<std::string> ups;
  rig.button.OnMouseUp = [&](TControl*, TMouseButton which, TShiftState, int x, int y) {
    ups.push_back(std::to_string(int(which)) + " " + std::to_string(x) + "," + std::to_string(y));
  };
  rig.release(kOnButton);  // no press before it: not the button's
  rig.press(kOnButton, Qt::RightButton);
  rig.release(kOffButton, Qt::RightButton);
  rig.release(kOffButton);  // the capture ended with the last button
  EXPECT_EQ(ups, (std::vector<std::string>{"1 70,70"}));
}

TEST(ImageButton, OwnHandlersReplacedByTheForm) {
  ButtonRig rig;
  int downs = 0;
  rig.button.OnMouseDown = [&](TControl*, TMouseButton, TShiftState, int, int) { ++downs; };
  rig.run("enter");
  rig.run("press");
  EXPECT_EQ(downs, 1);
  EXPECT_EQ(rig.shown(), "to") << "the replaced handler no longer shows PicDown";
}

TEST(ImageButton, HintShownOverTheButtonOnly) {
  ButtonRig rig;
  rig.button.setHint("Gaan uit");
  rig.button.setShowHint(true);
  rig.window.setVisible(true);
  QWidget* window = qt::widgetOf(rig.window);
  QHelpEvent elsewhere(QEvent::ToolTip, kOffButton, window->mapToGlobal(kOffButton));
  QCoreApplication::sendEvent(window, &elsewhere);
  EXPECT_FALSE(QToolTip::isVisible());
  QHelpEvent over(QEvent::ToolTip, kOnButton, window->mapToGlobal(kOnButton));
  QCoreApplication::sendEvent(window, &over);
  EXPECT_EQ(QToolTip::text(), QString("Gaan uit"));
  QToolTip::hideText();
}

}  // namespace
}  // namespace tov::test
