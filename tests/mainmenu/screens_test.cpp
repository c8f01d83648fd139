// The pupil's screens with test doubles: language, name, hand, options and the way back.
#include <QCoreApplication>
#include <QKeyEvent>

#include "mainmenu/menu_fixture.h"

namespace tov::test {
namespace {

const std::vector<std::string> kAllFrames = {
    "m1.jpg", "m2.jpg", "m3.jpg", "m4.jpg", "m5.jpg", "m13.jpg", "m6a.jpg", "m7a.jpg", "m8a.jpg", "m9a.jpg",
    "m10a.jpg", "m11a.jpg", "m12a.jpg", "m6e.jpg", "m7e.jpg", "m8e.jpg", "m9e.jpg", "m10e.jpg", "m11e.jpg", "m12e.jpg"};

void typeKey(TEdit& target, int qtKey, const QString& text = {}) {
  QKeyEvent press(QEvent::KeyPress, qtKey, Qt::NoModifier, text);
  QCoreApplication::sendEvent(qt::widgetOf(target), &press);
}

class ScreensTest : public MenuTest {
 protected:
  void SetUp() override {
    MenuTest::SetUp();
    writeFrames(kAllFrames);
    for (const char* sound : {"Sounds-afr/m1.wav", "Sounds-afr/in2.wav", "Sounds-eng/m1.wav", "Sounds-eng/in2.wav",
                              "fxsounds/blaai.wav", "fxsounds/back.wav"})
      writeFile(sound, "RIFF");
  }

  RecordingForm& toLanguageScreen() {
    RecordingForm& menu = createForm();
    menu.Show();
    EXPECT_TRUE(serveUntil([&] { return menu.currentFrame == 4 && !menu.animatetimer.Enabled(); }, 5000));
    menu.sounds.clear();
    return menu;
  }
  bool runEnded(RecordingForm& menu, int frame) {
    return serveUntil([&] { return menu.currentFrame == frame && !menu.animatetimer.Enabled(); }, 5000);
  }
  RecordingForm& toNameScreen(int language) {
    RecordingForm& menu = toLanguageScreen();
    language == 1 ? menu.langoverlayafrClick() : menu.langoverlayengClick();
    EXPECT_TRUE(runEnded(menu, 7));
    return menu;
  }
  RecordingForm& toMenuScreen(int language, const QString& name = "THABO") {
    RecordingForm& menu = toNameScreen(language);
    menu.nameedit.setText(name.toStdString());
    menu.righthandbutClick();
    EXPECT_TRUE(runEnded(menu, 10));
    menu.sounds.clear();
    return menu;
  }
  std::vector<std::string> litLamps(RecordingForm& menu) {
    std::vector<std::string> lit;
    for (const TImage* lamp : {&menu.but1, &menu.but2, &menu.but3, &menu.but4, &menu.but5, &menu.but6, &menu.but7, &menu.but8, &menu.but9})
      if (!lamp->picture().empty()) lit.push_back(lamp->Name());
    return lit;
  }
  void answer(ModalResult result) {
    Application::setMessageHandler([this, result](const Application::MessageRequest& request) {
      messages.push_back(request);
      return result;
    });
  }
};

TEST_F(ScreensTest, HoverShowsExactlyOneHighlight) {
  RecordingForm& menu = toLanguageScreen();
  EXPECT_FALSE(menu.overlay_afr.Visible());
  EXPECT_FALSE(menu.overlay_eng.Visible());
  menu.langoverlayafrMouseMove();
  EXPECT_TRUE(menu.overlay_afr.Visible());
  menu.langoverlayengMouseMove();
  EXPECT_TRUE(menu.overlay_eng.Visible());
  EXPECT_FALSE(menu.overlay_afr.Visible());
  menu.bgroundMouseMove();  // off the area: the highlight stays
  EXPECT_TRUE(menu.overlay_eng.Visible());
}

TEST_F(ScreensTest, LanguageClickRunsToTheNameScreenInThatLanguage) {
  for (int language : {1, 2}) {
    SCOPED_TRACE(language);
    RecordingForm& menu = toLanguageScreen();
    language == 1 ? menu.langoverlayafrClick() : menu.langoverlayengClick();
    EXPECT_EQ(menu.language, language);
    EXPECT_FALSE(menu.langoverlayafr.Visible());
    EXPECT_FALSE(menu.exitpanel.Visible()) << "frame 5 hides the language screen's buttons";
    ASSERT_TRUE(runEnded(menu, 7));
    const std::string folderName = language == 1 ? "Sounds-afr/" : "Sounds-eng/";
    EXPECT_EQ(menu.languageSoundsFolder, menu.programFolder + folderName);
    EXPECT_EQ(menu.sounds, (std::vector<std::string>{"fxsounds/blaai.wav", "fxsounds/blaai.wav", folderName + "m1.wav"}));
    EXPECT_TRUE(menu.nameedit.Visible());
    form.reset();
  }
}

TEST_F(ScreensTest, SecondLetterPlaysTheEncouragementOnce) {
  RecordingForm& menu = toNameScreen(2);
  menu.sounds.clear();
  typeKey(menu.nameedit, Qt::Key_A, "a");
  EXPECT_TRUE(menu.sounds.empty()) << "the first letter plays nothing";
  typeKey(menu.nameedit, Qt::Key_N, "n");
  EXPECT_EQ(menu.sounds, (std::vector<std::string>{"Sounds-eng/in2.wav"}));
  typeKey(menu.nameedit, Qt::Key_Backspace);
  typeKey(menu.nameedit, Qt::Key_Backspace);
  typeKey(menu.nameedit, Qt::Key_E, QString::fromUtf8("ê"));
  typeKey(menu.nameedit, Qt::Key_E, "e");
  EXPECT_EQ(menu.sounds.size(), 1u) << "once per visit of the screen";
  EXPECT_EQ(menu.nameedit.Text(), "ÊE");
}

TEST_F(ScreensTest, BackspaceOnOneLetterAlsoPlaysIt) {
  RecordingForm& menu = toNameScreen(1);
  menu.sounds.clear();
  typeKey(menu.nameedit, Qt::Key_A, "a");
  typeKey(menu.nameedit, Qt::Key_Backspace);
  EXPECT_EQ(menu.sounds, (std::vector<std::string>{"Sounds-afr/in2.wav"}));
}

TEST_F(ScreensTest, QuotesNeverEnterTheName) {
  RecordingForm& menu = toNameScreen(2);
  typeKey(menu.nameedit, Qt::Key_QuoteDbl, "\"");
  typeKey(menu.nameedit, Qt::Key_A, "a");
  menu.nameedit.typeText("b\"c");
  EXPECT_EQ(menu.nameedit.Text(), "ABC");
}

TEST_F(ScreensTest, EnterOrAHandButtonWithoutANameOnlyFocusesTheField) {
  RecordingForm& menu = toNameScreen(2);
  menu.sounds.clear();
  const std::pair<const char*, std::function<void()>> attempts[] = {
      {"Enter", [&] { typeKey(menu.nameedit, Qt::Key_Return); }},
      {"right hand", [&] { menu.righthandbutClick(); }},
      {"left hand", [&] { menu.lefthandbutClick(); }},
  };
  for (const auto& [what, attempt] : attempts) {
    qt::widgetOf(menu)->setFocus();  // the focus elsewhere, so that only the attempt can bring it back
    ASSERT_FALSE(menu.nameedit.Focused()) << what;
    attempt();
    EXPECT_TRUE(menu.nameedit.Focused()) << what << " leaves the name field without the focus";
  }
  EXPECT_TRUE(messages.empty()) << "no question without a name";
  EXPECT_FALSE(menu.animatetimer.Enabled());
  EXPECT_TRUE(menu.nameedit.Visible());
  EXPECT_TRUE(menu.sounds.empty());
  EXPECT_TRUE(platform.pointer.calls.empty());
}

TEST_F(ScreensTest, EnterWithAOneLetterNameChoosesTheRightHandAndPlaysTheSound) {
  RecordingForm& menu = toNameScreen(2);
  menu.sounds.clear();
  typeKey(menu.nameedit, Qt::Key_Z, "z");
  typeKey(menu.nameedit, Qt::Key_Return);
  EXPECT_EQ(menu.pupilName, "Z");
  EXPECT_FALSE(menu.nameedit.Visible());
  EXPECT_EQ(menu.sounds, (std::vector<std::string>{"Sounds-eng/in2.wav"}));
  EXPECT_TRUE(messages.empty()) << "Enter never asks the question";
  EXPECT_EQ(platform.pointer.calls, (std::vector<bool>{false}));
  EXPECT_TRUE(runEnded(menu, 10));
}

TEST_F(ScreensTest, LeftHandAsksInTheLanguageAndSwapsOnYes) {
  const struct {
    int language;
    ModalResult answer;
    const char* question;
    bool swapped;
  } cases[] = {
      {1, ModalResult::mrYes, kSwapQuestionAfrikaans, true},
      {2, ModalResult::mrYes, kSwapQuestionEnglish, true},
      {2, ModalResult::mrNo, kSwapQuestionEnglish, false},
      {1, ModalResult::mrNone, kSwapQuestionAfrikaans, false},  // closed without a button
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.question);
    RecordingForm& menu = toNameScreen(c.language);
    menu.nameedit.setText("ANÉL");
    messages.clear();
    answer(c.answer);
    menu.lefthandbutClick();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, c.question);
    EXPECT_EQ(messages[0].caption, "Confirm");
    EXPECT_EQ(platform.pointer.swapped, c.swapped);
    EXPECT_EQ(platform.pointer.calls.front(), false) << "put back to normal first";
    EXPECT_EQ(menu.pupilName, "ANÉL");
    EXPECT_TRUE(runEnded(menu, 10));
    form.reset();
    platform.pointer.calls.clear();
  }
}

TEST_F(ScreensTest, HoverLightsOneYellowLampAndTheBackgroundClearsThem) {
  RecordingForm& menu = toMenuScreen(2);
  EXPECT_TRUE(menu.option3.Visible());
  menu.option1MouseMove(&menu.option3);
  EXPECT_EQ(litLamps(menu), (std::vector<std::string>{"but3"}));
  menu.option1MouseMove(&menu.option7);
  EXPECT_EQ(litLamps(menu), (std::vector<std::string>{"but7"}));
  EXPECT_EQ(menu.but7.picture().width(), menu.YellowLed.picture().width());
  menu.bgroundMouseMove();
  EXPECT_TRUE(litLamps(menu).empty());
}

TEST_F(ScreensTest, OptionProgramsFollowTheLanguage) {
  for (int option = 1; option <= 9; ++option) {
    const std::string n = std::to_string(option);
    EXPECT_EQ(activityProgramPath(option, 1), "OPSIE" + n + "/opsie" + n + ".exe");
    EXPECT_EQ(activityProgramPath(option, 2), "Option" + n + "/option" + n + ".exe");
    EXPECT_EQ(activityProgramPath(option, 0), "Option" + n + "/option" + n + ".exe");
  }
}

TEST_F(ScreensTest, ClickLocksLightsGreenAndRunsTheLaunchFrames) {
  RecordingForm& menu = toMenuScreen(1);
  menu.optionClick(6);
  EXPECT_TRUE(menu.optionLocked);
  EXPECT_EQ(litLamps(menu), (std::vector<std::string>{"but6"}));
  EXPECT_EQ(menu.activityPath, "OPSIE6/opsie6.exe");
  EXPECT_EQ(menu.returnFrame, 10);
  // Locked: hovering changes nothing, the background still clears, option 1 is ignored.
  menu.option1MouseMove(&menu.option2);
  EXPECT_EQ(litLamps(menu), (std::vector<std::string>{"but6"}));
  menu.option1Click();
  EXPECT_EQ(menu.activityPath, "OPSIE6/opsie6.exe");
  ASSERT_TRUE(runEnded(menu, 12));
  EXPECT_EQ(menu.sounds, (std::vector<std::string>{"fxsounds/blaai.wav", "fxsounds/blaai.wav"}));
  EXPECT_TRUE(menu.option6.Visible()) << "frame 10 is shown again after the launch run";
  menu.bgroundMouseMove();
  EXPECT_TRUE(litLamps(menu).empty());
}

TEST_F(ScreensTest, ASecondClickBeforeTheFirstTickLaunchesTheLaterOption) {
  RecordingForm& menu = toMenuScreen(2);
  menu.optionClick(3);
  menu.optionClick(5);
  EXPECT_EQ(menu.activityPath, "Option5/option5.exe");
  EXPECT_EQ(litLamps(menu), (std::vector<std::string>{"but3", "but5"}));
}

TEST_F(ScreensTest, BackToTheLanguageScreenAndTheNameComesBack) {
  RecordingForm& menu = toMenuScreen(2, "THABO");
  menu.MorphButton1Click();
  EXPECT_EQ(menu.sounds, (std::vector<std::string>{"fxsounds/back.wav"}));
  EXPECT_TRUE(menu.langoverlayafr.Visible());
  EXPECT_FALSE(menu.option1.Visible());
  EXPECT_EQ(menu.language, 2) << "the way back keeps the language";
  menu.langoverlayafrClick();
  ASSERT_TRUE(runEnded(menu, 7));
  EXPECT_EQ(menu.nameedit.Text(), "THABO");
  EXPECT_EQ(menu.languageSoundsFolder, menu.programFolder + "Sounds-afr/");
}

}  // namespace
}  // namespace tov::test
