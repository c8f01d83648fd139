// Enter and leave of windowless controls as the pointer moves over their windows, one
// notification at a time across the whole application.
#include "ui/pointertracker.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QMouseEvent>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ui/control.h"
#include "ui/controlhost.h"
#include "ui/qt/qt_access.h"

namespace tov::test {
namespace {

class RecordingControl : public TControl {
 public:
  RecordingControl(ControlHost& host, std::string name, std::vector<std::string>& log)
      : TControl(host, std::move(name)), log_(log) {}
  std::function<void()> duringEnter;
  int paints = 0;

  void paint(Canvas&) const override { ++const_cast<RecordingControl*>(this)->paints; }
  void mouseEnter() override {
    log_.push_back("enter " + Name());
    if (duringEnter) duringEnter();
    log_.push_back("entered " + Name());
  }
  void mouseLeave() override { log_.push_back("leave " + Name()); }
  void makeQuiet() { setControlStyle(csNoStdEvents); }

 private:
  std::vector<std::string>& log_;
};

void sendMove(ControlHost& host, int x, int y) {
  QMouseEvent move(QEvent::MouseMove, QPointF(x, y), QPointF(x, y), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
  QCoreApplication::sendEvent(qt::widgetOf(host), &move);
}

void sendLeave(ControlHost& host) {
  QEvent leave(QEvent::Leave);
  QCoreApplication::sendEvent(qt::widgetOf(host), &leave);
}

// The notifications come once the events at hand are handled.
void serve() { QCoreApplication::processEvents(); }

void moveThere(ControlHost& host, int x, int y) {
  sendMove(host, x, y);
  serve();
}

void leaveThere(ControlHost& host) {
  sendLeave(host);
  serve();
}

struct PointerTrackerTest : ::testing::Test {
  std::vector<std::string> log;
  ControlHost window;
  PointerTrackerTest() { window.setBounds(0, 0, 100, 100); }
  std::unique_ptr<RecordingControl> control(ControlHost& host, const std::string& name, int left, int top) {
    auto made = std::make_unique<RecordingControl>(host, name, log);
    made->setBounds(left, top, 20, 20);
    return made;
  }
};

TEST_F(PointerTrackerTest, LeaveOfTheOldControlComesBeforeEnterOfTheNew) {
  auto a = control(window, "a", 0, 0);
  auto b = control(window, "b", 30, 0);
  auto over = control(window, "over", 35, 5);  // later, so on top of b
  moveThere(window, 5, 5);
  moveThere(window, 6, 6);
  moveThere(window, 31, 1);
  moveThere(window, 36, 6);
  moveThere(window, 80, 80);
  moveThere(window, 5, 5);
  leaveThere(window);
  const std::vector<std::string> expected = {"enter a",  "entered a", "leave a", "enter b",
                                             "entered b", "leave b",  "enter over", "entered over",
                                             "leave over", "enter a", "entered a", "leave a"};
  EXPECT_EQ(log, expected);
  EXPECT_EQ(PointerTracker::hovered(), nullptr);
}

TEST_F(PointerTrackerTest, ALateLeaveOfAnotherWindowChangesNothing) {
  ControlHost other;
  other.setBounds(0, 0, 50, 50);
  auto a = control(window, "a", 0, 0);
  auto b = control(other, "b", 0, 0);
  moveThere(window, 5, 5);
  sendMove(other, 5, 5);
  sendLeave(window);  // Qt told the first window late
  serve();
  EXPECT_EQ(PointerTracker::hovered(), b.get());
  leaveThere(other);
  const std::vector<std::string> expected = {"enter a", "entered a", "leave a", "enter b", "entered b", "leave b"};
  EXPECT_EQ(log, expected);
}

TEST_F(PointerTrackerTest, NotificationsWaitForTheEventsAtHandAndFollowWhereThePointerEnds) {
  auto a = control(window, "a", 0, 0);
  auto b = control(window, "b", 30, 0);
  sendMove(window, 5, 5);
  EXPECT_TRUE(log.empty()) << "not inside the event that moved the pointer";
  sendMove(window, 35, 5);
  serve();
  EXPECT_EQ(log, (std::vector<std::string>{"enter b", "entered b"})) << "a was only passed over";
}

TEST_F(PointerTrackerTest, WhatHappensDuringANotificationWaitsAndOnlyWherePointerEndsCounts) {
  ControlHost other;
  other.setBounds(0, 0, 50, 50);
  auto a = control(window, "a", 0, 0);
  auto b = control(window, "b", 30, 0);
  auto c = control(other, "c", 0, 0);
  // While a's enter runs, the pointer crosses b, leaves the window and comes over c.
  a->duringEnter = [&] {
    sendMove(window, 35, 5);
    EXPECT_TRUE(PointerTracker::notifying());
    sendLeave(window);
    sendMove(other, 5, 5);
  };
  moveThere(window, 5, 5);
  const std::vector<std::string> expected = {"enter a", "entered a", "leave a", "enter c", "entered c"};
  EXPECT_EQ(log, expected);
  EXPECT_FALSE(PointerTracker::notifying());
}

TEST_F(PointerTrackerTest, ControlsChangingUnderAStillPointerAreNoticedOnceEventsAreServed) {
  auto back = control(window, "back", 0, 0);
  auto front = control(window, "front", 0, 0);
  moveThere(window, 5, 5);
  front->setVisible(false);
  EXPECT_EQ(log.size(), 2u) << "never inside the setter";
  serve();
  front->setVisible(true);
  serve();
  back->setBounds(50, 50, 20, 20);  // not under the pointer, not hovered: no change
  serve();
  const std::vector<std::string> expected = {"enter front", "entered front", "leave front", "enter back",
                                             "entered back", "leave back",   "enter front", "entered front"};
  EXPECT_EQ(log, expected);
}

TEST_F(PointerTrackerTest, AControlThatGoesAwayHearsNothingMore) {
  auto a = control(window, "a", 0, 0);
  moveThere(window, 5, 5);
  a.reset();
  EXPECT_EQ(PointerTracker::hovered(), nullptr);
  moveThere(window, 6, 6);
  leaveThere(window);
  EXPECT_EQ(log, (std::vector<std::string>{"enter a", "entered a"}));
}

TEST_F(PointerTrackerTest, MovesComeBeforeEnterAndAQuietControlGetsNone) {
  auto loud = control(window, "loud", 0, 0);
  auto quiet = control(window, "quiet", 30, 0);
  quiet->makeQuiet();
  for (RecordingControl* c : {loud.get(), quiet.get()})
    c->OnMouseMove = [&](TControl* sender, TShiftState, int x, int y) {
      log.push_back("move " + sender->Name() + " " + std::to_string(x) + "," + std::to_string(y));
    };
  moveThere(window, 5, 6);
  moveThere(window, 35, 6);
  const std::vector<std::string> expected = {"move loud 5,6", "enter loud", "entered loud", "leave loud",
                                             "enter quiet", "entered quiet"};
  EXPECT_EQ(log, expected);
}

TEST_F(PointerTrackerTest, RepaintPaintsAtOnceAndOpaqueControlsHideWhatIsBeneath) {
  auto beneath = control(window, "beneath", 40, 40);
  auto solid = control(window, "solid", 40, 40);
  EXPECT_FALSE(solid->coversOpaquely(Rect{40, 40, 60, 60}));
  window.setVisible(true);
  QCoreApplication::processEvents();
  beneath->paints = solid->paints = 0;
  solid->repaint();
  EXPECT_EQ(solid->paints, 1) << "without waiting for the event loop";
  EXPECT_EQ(beneath->paints, 1);
  // An opaque control is all that needs painting of its rectangle.
  struct Opaque : RecordingControl {
    using RecordingControl::RecordingControl;
    void makeOpaque() { setControlStyle(csOpaque); }
  } opaque(window, "opaque", log);
  opaque.setBounds(40, 40, 20, 20);
  opaque.makeOpaque();
  EXPECT_TRUE(opaque.coversOpaquely(Rect{45, 45, 60, 60}));
  EXPECT_FALSE(opaque.coversOpaquely(Rect{39, 45, 60, 60}));
  beneath->paints = solid->paints = opaque.paints = 0;
  opaque.repaint();
  EXPECT_EQ(beneath->paints, 0);
  EXPECT_EQ(opaque.paints, 1);
  window.setVisible(false);
}

}  // namespace
}  // namespace tov::test
