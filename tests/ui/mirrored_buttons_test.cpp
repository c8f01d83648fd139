// A left-handed pupil's buttons exchanged by the program itself, where the desktop has no
// setting for it: the right button clicks, the left one does not, and normal again after.
#include "ui/mirrored_buttons.h"

#include <gtest/gtest.h>

#include <QTest>

#include "ui/control.h"
#include "ui/form.h"
#include "ui/qt/qt_access.h"

namespace tov::test {
namespace {

TEST(MirroredMouseButtons, TheRightButtonClicksWhileMirroredAndTheLeftOneAgainAfter) {
  TForm form;
  form.setBounds(0, 0, 100, 60);
  TImage target(form, "target");
  target.setBounds(0, 0, 100, 60);
  int clicks = 0;
  target.OnClick = [&](TControl*) { ++clicks; };
  form.Show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(qt::widgetOf(form)));
  MirroredMouseButtons buttons;

  struct Step {
    bool mirrored;
    Qt::MouseButton pressed;
    int clicksAfter;
  };
  const Step steps[] = {{false, Qt::LeftButton, 1}, {false, Qt::RightButton, 1}, {true, Qt::RightButton, 2},
                        {true, Qt::LeftButton, 2},  {false, Qt::LeftButton, 3}, {false, Qt::RightButton, 3}};
  for (const Step& step : steps) {
    buttons.setMirrored(step.mirrored);
    QTest::mouseClick(qt::widgetOf(form), step.pressed, {}, QPoint(50, 30));
    EXPECT_EQ(clicks, step.clicksAfter) << (step.mirrored ? "mirrored, " : "normal, ")
                                        << (step.pressed == Qt::LeftButton ? "left" : "right");
  }
}

}  // namespace
}  // namespace tov::test
