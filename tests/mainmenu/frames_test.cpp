// Frames, the controls that belong to them, and the intro run to the language screen.
#include <QElapsedTimer>

#include "mainmenu/menu_fixture.h"

namespace tov::test {
namespace {

TEST(FrameFileName, NumbersAndVariants) {
  const struct {
    int number, variant;
    const char* expected;
  } cases[] = {
      {1, 0, "menu/m1.jpg"},   {5, 0, "menu/m5.jpg"},    {13, 0, "menu/m13.jpg"},
      {6, 1, "menu/m6a.jpg"},  {12, 1, "menu/m12a.jpg"}, {7, 2, "menu/m7e.jpg"},
      {10, 2, "menu/m10e.jpg"}, {4, 3, ""},              {4, -1, ""},
  };
  for (const auto& c : cases)
    EXPECT_EQ(frameFileName("menu/", c.number, c.variant), c.expected) << c.number << "," << c.variant;
}

const std::vector<std::string> kIntroFrames = {"m1.jpg", "m2.jpg", "m3.jpg", "m4.jpg"};

TEST_F(MenuTest, ControlsSitWhereTheFormPutsThem) {
  RecordingForm& menu = createForm();
  const struct {
    const TImage* image;
    QRect bounds;
    int tag;
    bool visible;
    TCursor cursor;
  } pictures[] = {
      {&menu.but1, {77, 144, 37, 35}, 1, true, crDefault},   {&menu.but6, {470, 145, 37, 35}, 6, true, crDefault},
      {&menu.but9, {471, 262, 37, 35}, 9, true, crDefault},  {&menu.GreenLed, {2, 543, 37, 35}, 0, false, crDefault},
      {&menu.option1, {72, 140, 311, 42}, 1, false, crHand}, {&menu.option4, {71, 328, 250, 65}, 4, false, crHand},
      {&menu.option9, {467, 261, 297, 36}, 9, false, crHand}, {&menu.overlay_eng, {392, 217, 350, 74}, 0, false, crDefault},
      {&menu.overlay_afr, {48, 222, 336, 74}, 0, false, crDefault},
      {&menu.langoverlayeng, {464, 228, 241, 57}, 0, false, crHand},
      {&menu.langoverlayafr, {64, 229, 305, 57}, 0, false, crHand},
      {&menu.mutebtn, {-3, -2, 40, 40}, 1, true, crDefault},
  };
  for (const auto& p : pictures) {
    SCOPED_TRACE(p.image->Name());
    const Rect& b = p.image->bounds();
    EXPECT_EQ(QRect(b.left, b.top, b.width(), b.height()), p.bounds);
    EXPECT_EQ(p.image->Tag(), p.tag);
    EXPECT_EQ(p.image->Visible(), p.visible);
    EXPECT_EQ(p.image->Cursor(), p.cursor);
  }
  const struct {
    const QWidget* widget;
    QRect geometry;
    bool visible;
  } windows[] = {
      {qt::widgetOf(menu.exitpanel), {677, 469, 74, 68}, false},
      {qt::widgetOf(menu.reportpanel2), {49, 466, 73, 68}, false},
      {qt::widgetOf(menu.reportpanel), {459, 456, 56, 51}, false},
      {qt::widgetOf(menu.exitpanel2), {459, 390, 57, 52}, false},
      {qt::widgetOf(menu.backpanel), {459, 322, 56, 53}, false},
      {qt::widgetOf(menu.leftOkpanel), {537, 411, 43, 35}, true},
      {qt::widgetOf(menu.rightOKPanel), {590, 411, 44, 35}, true},
      {qt::widgetOf(menu.nameedit), {432, 293, 317, 34}, false},
  };
  for (const auto& w : windows) {
    SCOPED_TRACE(w.widget->objectName().toStdString());
    EXPECT_EQ(w.widget->geometry(), w.geometry);
    EXPECT_EQ(!w.widget->isHidden(), w.visible);
  }
  // Each morphing button alone on its panel; the hand buttons keep the size of their
  // resting picture, which is the size the form gives them.
  const struct {
    const TMorphButton* button;
    const ControlHost* panel;
    QRect bounds;
  } buttons[] = {
      {&menu.exitbut, &menu.exitpanel, {1, 1, 73, 68}},         {&menu.reportbut2, &menu.reportpanel2, {-2, -1, 75, 71}},
      {&menu.reportbut, &menu.reportpanel, {-1, -1, 58, 53}},   {&menu.exitbut2, &menu.exitpanel2, {0, 1, 57, 52}},
      {&menu.MorphButton1, &menu.backpanel, {1, 0, 56, 55}},    {&menu.lefthandbut, &menu.leftOkpanel, {-1, 0, 47, 37}},
      {&menu.righthandbut, &menu.rightOKPanel, {-1, -1, 47, 37}},
  };
  for (const auto& b : buttons) {
    SCOPED_TRACE(b.button->Name());
    const Rect& r = b.button->bounds();
    EXPECT_EQ(QRect(r.left, r.top, r.width(), r.height()), b.bounds);
    EXPECT_EQ(b.button->host(), b.panel);
    EXPECT_EQ(b.button->MorphRate(), 250);
    EXPECT_EQ(b.button->Cursor(), crHand);
  }
  // Creation order is drawing order: the language areas lie over their highlights.
  const auto& order = menu.controls();
  auto indexOf = [&](const TControl* c) { return std::find(order.begin(), order.end(), c) - order.begin(); };
  EXPECT_LT(indexOf(&menu.overlay_afr), indexOf(&menu.langoverlayafr));
  EXPECT_LT(indexOf(&menu.bground), indexOf(&menu.but1));
  EXPECT_EQ(menu.animatetimer.Interval(), 200u);
  EXPECT_FALSE(menu.animatetimer.Enabled());
}

TEST_F(MenuTest, OptionsVisibilityReachesExactlyOptionsAndLamps) {
  RecordingForm& menu = createForm();
  menu.SetOptionsVisible(true);
  for (const TImage* image : {&menu.option1, &menu.option5, &menu.option9, &menu.but1, &menu.but9})
    EXPECT_TRUE(image->Visible()) << image->Name();
  EXPECT_FALSE(menu.GreenLed.Visible());
  EXPECT_FALSE(menu.YellowLed.Visible());
  menu.HideAllControls();
  for (const TImage* image : {&menu.option1, &menu.option9, &menu.but1, &menu.but6, &menu.langoverlayafr, &menu.overlay_eng})
    EXPECT_FALSE(image->Visible()) << image->Name();
  EXPECT_TRUE(menu.mutebtn.Visible());
  EXPECT_TRUE(menu.bground.Visible());
  EXPECT_FALSE(menu.exitpanel.Visible());
  EXPECT_FALSE(menu.leftOkpanel.Visible());
}

TEST_F(MenuTest, IntroRunsFromActivationToTheLanguageScreen) {
  writeFrames(kIntroFrames);
  writeFile("fxsounds/blaai.wav", "RIFF");
  RecordingForm& menu = createForm();
  QElapsedTimer clock;
  clock.start();
  menu.Show();
  ASSERT_TRUE(serveUntil([&] { return menu.currentFrame == 1; }, 2000));
  EXPECT_EQ(menu.programFolder, folder.string() + "/");
  EXPECT_EQ(menu.languageSoundsFolder, menu.programFolder + "Sounds-eng/");
  EXPECT_FALSE(menu.leftOkpanel.Visible()) << "frame 1 hides the hand panels";
  EXPECT_EQ(menu.targetFrame, 4);

  ASSERT_TRUE(serveUntil([&] { return menu.currentFrame == 2; }, 5000));
  EXPECT_GE(clock.elapsed(), 950) << "frame 2 comes a second after activation";
  ASSERT_TRUE(serveUntil([&] { return menu.currentFrame == 4 && !menu.animatetimer.Enabled(); }, 5000));
  EXPECT_GE(clock.elapsed(), 1550) << "the run ends with one more tick after frame 4";

  EXPECT_EQ(menu.sounds, (std::vector<std::string>{"fxsounds/blaai.wav", "fxsounds/blaai.wav"}));
  EXPECT_TRUE(menu.langoverlayafr.Visible());
  EXPECT_TRUE(menu.langoverlayeng.Visible());
  EXPECT_TRUE(menu.reportpanel2.Visible());
  EXPECT_TRUE(menu.exitpanel.Visible());
  EXPECT_FALSE(menu.overlay_afr.Visible());
  EXPECT_EQ(menu.bground.Width(), 80) << "the background takes its frame's size";
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(menu.animatetimer.Interval(), 200u);
}

TEST_F(MenuTest, MissingSecondFrameShowsTheMessageAndCloses) {
  writeFrames({"m1.jpg", "m3.jpg", "m4.jpg"});
  RecordingForm& menu = createForm();
  QElapsedTimer clock;
  clock.start();
  menu.Show();
  ASSERT_TRUE(serveUntil([&] { return !messages.empty(); }, 5000));
  EXPECT_GE(clock.elapsed(), 950);
  EXPECT_EQ(messages[0].text, kMissingFrameMessage);
  EXPECT_EQ(messages[0].caption, kApplicationTitle);
  EXPECT_EQ(messages[0].kind, MsgDlgType::mtCustom);
  EXPECT_FALSE(menu.Visible());
}

TEST_F(MenuTest, UndecodableFrameIsReportedAndTheSequenceGoesOn) {
  writeFrames({"m1.jpg", "m3.jpg", "m4.jpg"});
  writeFile("menu/m2.jpg", "this is not a JPEG file at all");
  RecordingForm& menu = createForm();
  menu.Show();
  ASSERT_TRUE(serveUntil([&] { return menu.currentFrame == 4 && !menu.animatetimer.Enabled(); }, 6000));
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].kind, MsgDlgType::mtError);
  EXPECT_TRUE(menu.Visible());
  EXPECT_TRUE(menu.langoverlayeng.Visible());
}

TEST_F(MenuTest, NameScreenControlsComeHalfASecondAfterTheFrame) {
  writeFrames({"m1.jpg", "m7e.jpg"});
  writeFile("Sounds-eng/m1.wav", "RIFF");
  RecordingForm& menu = createForm();
  menu.Show();
  ASSERT_TRUE(serveUntil([&] { return menu.currentFrame == 1; }, 2000));
  menu.animatetimer.setEnabled(false);
  menu.pupilName = "THABO";
  QElapsedTimer clock;
  clock.start();
  menu.ShowFrame(7, 2);
  EXPECT_GE(clock.elapsed(), 490);
  EXPECT_TRUE(menu.nameedit.Visible());
  EXPECT_TRUE(menu.leftOkpanel.Visible());
  EXPECT_TRUE(menu.rightOKPanel.Visible());
  EXPECT_EQ(menu.nameedit.Text(), "THABO");
  EXPECT_EQ(menu.sounds, (std::vector<std::string>{"Sounds-eng/m1.wav"}));
}

TEST_F(MenuTest, ExitFrameHidesEverythingWithoutThePageTurn) {
  writeFrames({"m1.jpg", "m10e.jpg", "m13.jpg"});
  writeFile("fxsounds/blaai.wav", "RIFF");
  RecordingForm& menu = createForm();
  menu.Show();
  ASSERT_TRUE(serveUntil([&] { return menu.currentFrame == 1; }, 2000));
  menu.animatetimer.setEnabled(false);
  menu.ShowFrame(10, 2);
  EXPECT_TRUE(menu.option1.Visible());
  EXPECT_TRUE(menu.backpanel.Visible());
  EXPECT_TRUE(menu.sounds.empty()) << "frame 10 plays no page turn";
  menu.ShowFrame(13, 0);
  EXPECT_FALSE(menu.option1.Visible());
  EXPECT_FALSE(menu.backpanel.Visible());
  EXPECT_TRUE(menu.sounds.empty());
}

}  // namespace
}  // namespace tov::test
