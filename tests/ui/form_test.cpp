// A form full screen on an output larger than itself: it keeps its own size in the middle,
// black round it, and its controls, child windows and clicks move with it. Work that waits
// for the form's first paint.
#include <gtest/gtest.h>

#include <QImage>
#include <QScreen>
#include <QTest>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "platform/event_loop.h"
#include "ui/application.h"
#include "ui/control.h"
#include "ui/edit.h"
#include "ui/form.h"
#include "ui/qt/qt_access.h"

namespace tov::test {
namespace {

class Fill : public Graphic {
 public:
  explicit Fill(Color colour) : colour_(colour) {}
  const char* className() const override { return "TFill"; }
  int width() const override { return 1; }
  int height() const override { return 1; }
  bool empty() const override { return false; }
  bool transparent() const override { return false; }
  void draw(Canvas& canvas, const Rect& dest) const override { canvas.fillRect(dest, colour_); }
  void loadFromMemory(std::span<const std::uint8_t>) override {}
  void readStoredData(std::span<const std::uint8_t>, std::size_t&) override {}
  void writeStoredData(std::vector<std::uint8_t>&) const override {}
  std::unique_ptr<Graphic> clone() const override { return std::make_unique<Fill>(*this); }

 private:
  Color colour_;
};

TEST(FormFullScreen, KeepsItsOwnSizeCentredWithBlackBarsAndMovesEverythingWithIt) {
  TForm form;
  form.setBounds(0, 0, 200, 100);
  TImage backdrop(form, "backdrop");
  backdrop.setBounds(0, 0, 200, 100);
  backdrop.setStretch(true);
  backdrop.picture().setGraphic(std::make_unique<Fill>(0x0000FF));
  backdrop.pictureChanged();
  TPanel panel(form, "panel");
  panel.setBounds(10, 20, 30, 30);
  TEdit edit(form, "edit");
  edit.setBounds(100, 50, 60, 20);
  int clicks = 0;
  backdrop.OnClick = [&](TControl*) { ++clicks; };

  QWidget* window = qt::widgetOf(form);
  form.requestFullScreen();
  form.Show();
  ASSERT_TRUE(QTest::qWaitFor([&] { return form.FullScreen() && window->size() != QSize(200, 100); }, 10000));
  const QSize screen = window->size();
  const QPoint origin((screen.width() - 200) / 2, (screen.height() - 100) / 2);
  ASSERT_GT(origin.x(), 0);
  ASSERT_GT(origin.y(), 0);

  EXPECT_EQ(qt::widgetOf(panel)->pos(), origin + QPoint(10, 20));
  EXPECT_EQ(qt::widgetOf(edit)->pos(), origin + QPoint(100, 50));
  const QImage shown = window->grab().toImage();
  EXPECT_EQ(shown.pixelColor(0, 0), QColor(Qt::black));
  EXPECT_EQ(shown.pixelColor(origin.x() - 1, origin.y() + 50), QColor(Qt::black));
  EXPECT_EQ(shown.pixelColor(origin.x() + 199, origin.y() + 99), QColor(Qt::red)) << "the form's own bottom-right pixel";
  EXPECT_EQ(shown.pixelColor(origin.x() + 200, origin.y() + 99), QColor(Qt::black));

  QTest::mouseClick(window, Qt::LeftButton, {}, origin - QPoint(1, 1));
  EXPECT_EQ(clicks, 0) << "a click on the bars reaches no control";
  QTest::mouseClick(window, Qt::LeftButton, {}, origin + QPoint(199, 99));
  EXPECT_EQ(clicks, 1);

  window->setWindowState(Qt::WindowNoState);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !form.FullScreen(); }, 10000));
  window->resize(200, 100);
  ASSERT_TRUE(QTest::qWaitFor([&] { return qt::widgetOf(panel)->pos() == QPoint(10, 20); }, 10000))
      << "back in place as a window";
  EXPECT_EQ(qt::widgetOf(edit)->pos(), QPoint(100, 50));

  // A kiosk compositor makes every window as large as the output without full screen.
  window->showMaximized();
  ASSERT_TRUE(QTest::qWaitFor([&] { return window->size() == screen; }, 10000));
  EXPECT_EQ(qt::widgetOf(panel)->pos(), origin + QPoint(10, 20));
}

// Work after the first paint: once the painted form has gone to the screen, at once for a
// form painted already, and at the latest after the time given for one that is not drawn.
class PaintRecordingForm : public TForm {
 public:
  std::vector<std::string>* log = nullptr;

  void paint(Bitmap& target, const Rect& area) override {
    TForm::paint(target, area);
    log->push_back("paint");
  }
};

TEST(FormAfterFirstPaint, RunsOnceTheFirstPaintIsDoneOrWhenNoneComes) {
  std::vector<std::string> log;
  PaintRecordingForm form;
  form.log = &log;
  form.setBounds(0, 0, 200, 100);
  form.afterFirstPaint([&] { log.push_back("work"); }, 60000);
  form.Show();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !log.empty() && log.back() == "work"; }, 10000));
  EXPECT_EQ(log.front(), "paint");
  form.afterFirstPaint([&] { log.push_back("later work"); }, 60000);
  EXPECT_EQ(log.back(), "later work") << "a painted form runs work at once";

  PaintRecordingForm hidden;
  hidden.log = &log;
  int ran = 0;
  hidden.afterFirstPaint([&] { ++ran; }, 50);
  EXPECT_TRUE(QTest::qWaitFor([&] { return ran == 1; }, 10000)) << "never drawn, the work still comes";
  QTest::qWait(100);
  EXPECT_EQ(ran, 1);
}

// The program is ended (a signal) while a modal form waits to be closed: the waiting ends
// with the program's loop. Run apart: the program's loop does not come back.
TEST(FormShowModal, EndsWhenTheProgramIsEnded) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        LoopTimer limit([] { std::_Exit(1); });
        limit.start(20000);
        TForm modal;
        modal.setBounds(0, 0, 100, 100);
        eventLoop().post([] { Application::terminate(); });
        modal.ShowModal();
        std::_Exit(0);
      },
      ::testing::ExitedWithCode(0), "");
}

// A window inside another that outlives it (its owner took them apart in that order) goes
// without taking the widget the other one's backend already took down.
TEST(FormChildWindows, AChildMayGoAfterItsForm) {
  auto form = std::make_unique<TForm>();
  form->setBounds(0, 0, 100, 100);
  TPanel panel(*form, "panel");
  panel.setBounds(10, 10, 20, 20);
  TEdit edit(panel, "edit");
  form->Show();
  form.reset();
  panel.setVisible(false);
}

}  // namespace
}  // namespace tov::test
