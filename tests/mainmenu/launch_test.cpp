// Starting the activities and the report program with a test double of the starter.
#include <algorithm>

#include "mainmenu/menu_fixture.h"

namespace tov::test {
namespace {

TEST(CommandLines, ActivityAndReportFramingAsTables) {
  const std::string name200(200, 'N');
  const struct {
    std::string folder, name;
    int language;
    std::string activity, report;
  } cases[] = {
      {"/srv/suite/", "PUPIL ONE", 2,
       R"("*/srv/suite/#" "*PUPIL ONE#" "*#" "*#" "*TRUE#")",
       R"("/srv/suite/*" "PUPIL ONE*" "*" "*" "TRUE*" "ENG*")"},
      {"/home/juf/Tovaleer Gr 45/", "ANÉL VAN WYK", 1,
       R"("*/home/juf/Tovaleer Gr 45/#" "*ANÉL VAN WYK#" "*#" "*#" "*TRUE#")",
       R"("/home/juf/Tovaleer Gr 45/*" "ANÉL VAN WYK*" "*" "*" "TRUE*" "AFR*")"},
      {"/s/", "A*B#C", 0, R"("*/s/#" "*A*B#C#" "*#" "*#" "*TRUE#")", R"("/s/*" "A*B#C*" "*" "*" "TRUE*" "*")"},
      {"/s/", "", 0, R"("*/s/#" "*#" "*#" "*#" "*TRUE#")", R"("/s/*" "*" "*" "*" "TRUE*" "*")"},
      {"/s/", name200, 2, "\"*/s/#\" \"*" + name200 + "#\" \"*#\" \"*#\" \"*TRUE#\"",
       "\"/s/*\" \"" + name200 + "*\" \"*\" \"*\" \"TRUE*\" \"ENG*\""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(activityParameters(c.folder, c.name), c.activity);
    EXPECT_EQ(reportParameters(c.folder, c.name, c.language), c.report);
  }
}

class LaunchTest : public MenuTest {
 protected:
  RecordingForm& readyMenu(int language = 2) {
    writeFrames({"m1.jpg", "m10e.jpg", "m10a.jpg", "m11e.jpg", "m12e.jpg", "m11a.jpg", "m12a.jpg"});
    RecordingForm& menu = createForm();
    menu.Show();
    EXPECT_TRUE(serveUntil([&] { return menu.currentFrame == 1; }, 2000));
    menu.animatetimer.setEnabled(false);
    menu.language = language;
    menu.pupilName = "THABO MOKOENA";
    menu.ShowFrame(10, language);
    return menu;
  }
  // The option click and its launch run, up to the tick that launches.
  void chooseOption(RecordingForm& menu, int option) {
    menu.optionClick(option);
    ASSERT_TRUE(serveUntil([&] { return !menu.animatetimer.Enabled(); }, 5000));
  }
};

TEST_F(LaunchTest, AStartedActivityMinimisesAndItsEndRestoresTheMenu) {
  RecordingForm& menu = readyMenu(2);
  chooseOption(menu, 6);
  ASSERT_EQ(platform.processes.starts.size(), 1u);
  const auto& start = platform.processes.starts[0];
  EXPECT_EQ(start.file, menu.programFolder + "Option6/option6.exe");
  EXPECT_EQ(start.argv, (std::vector<std::string>{"*" + menu.programFolder + "#", "*THABO MOKOENA#", "*#", "*#", "*TRUE#"}));
  EXPECT_TRUE(menu.Minimized());
  EXPECT_TRUE(menu.activityRunning);
  EXPECT_TRUE(menu.optionLocked);
  EXPECT_TRUE(menu.option6.Visible()) << "frame 10 is shown again behind the minimised window";

  menu.reportbutClick();  // a program runs: nothing happens
  EXPECT_EQ(platform.processes.starts.size(), 1u);

  platform.processes.finishLast(3);  // the exit code is not looked at
  ASSERT_TRUE(serveUntil([&] { return !menu.activityRunning; }, 3000)) << "the finish poll sees the end";
  EXPECT_FALSE(menu.Minimized());
  EXPECT_FALSE(menu.optionLocked);

  chooseOption(menu, 2);  // ready for the next one at once
  EXPECT_EQ(platform.processes.starts.size(), 2u);
}

TEST_F(LaunchTest, AFailedStartLeavesTheMenuReadyAndUnlocked) {
  RecordingForm& menu = readyMenu(1);
  platform.processes.failWith = 2;
  chooseOption(menu, 4);
  ASSERT_EQ(platform.processes.starts.size(), 1u);
  EXPECT_EQ(platform.processes.starts[0].file, menu.programFolder + "OPSIE4/opsie4.exe");
  ASSERT_EQ(messages.size(), 1u) << "the platform's own message box: " << ::testing::PrintToString(messageTexts());
  EXPECT_FALSE(menu.Minimized());
  EXPECT_FALSE(menu.activityRunning);
  EXPECT_FALSE(menu.optionLocked);
  EXPECT_FALSE(menu.but4.picture().empty()) << "the chosen lamp stays green";
  EXPECT_TRUE(menu.option1.Visible());
}

TEST_F(LaunchTest, ALaunchWhileAProgramRunsDoesNothing) {
  RecordingForm& menu = readyMenu(2);
  menu.activityRunning = true;
  menu.LaunchActivity("Option1/option1.exe");
  EXPECT_TRUE(platform.processes.starts.empty());
}

TEST_F(LaunchTest, MusicThatCannotOpenAfterAFailedStartStillEndsOnTheMenuScreen) {
  writeFile("Music/a.mid", "MThd");
  writeFile("Music/b.mid", "MThd");
  RecordingForm& menu = readyMenu(2);
  ASSERT_TRUE(menu.musicPending);
  platform.music.failAllOpens = true;
  platform.processes.failWith = 2;
  chooseOption(menu, 3);
  EXPECT_EQ(messages.size(), 2u) << "the start failure, then the music's error: " << ::testing::PrintToString(messageTexts());
  EXPECT_TRUE(menu.option3.Visible()) << "the menu screen's controls are back";
  EXPECT_TRUE(menu.backpanel.Visible());
  EXPECT_FALSE(menu.Minimized());
  EXPECT_FALSE(menu.optionLocked);

  platform.processes.failWith = 0;
  chooseOption(menu, 5);
  ASSERT_EQ(platform.processes.starts.size(), 2u) << "later launches work";
  EXPECT_TRUE(menu.Minimized());
}

TEST_F(LaunchTest, ProgramsInAnyLetterCaseAndWindowsProgramsGetTheFolderInWinesForm) {
  writeFile("OPTION6/OPTION6.EXE", "MZ");
  writeFile("REPORT/Report.exe", "MZ");
  RecordingForm& menu = readyMenu(2);
  const std::string activity = menu.programFolder + "OPTION6/OPTION6.EXE";
  const std::string report = menu.programFolder + "REPORT/Report.exe";
  platform.processes.windowsPrograms = {activity, report};
  std::string windowsFolder = "Z:" + menu.programFolder;
  std::replace(windowsFolder.begin(), windowsFolder.end(), '/', '\\');

  chooseOption(menu, 6);
  menu.reportbut2Click();
  ASSERT_EQ(platform.processes.starts.size(), 2u) << ::testing::PrintToString(messageTexts());
  EXPECT_EQ(platform.processes.starts[0].file, activity);
  EXPECT_EQ(platform.processes.starts[0].argv[0], "*" + windowsFolder + "#");
  EXPECT_EQ(platform.processes.starts[1].file, report);
  EXPECT_EQ(platform.processes.starts[1].argv[0], windowsFolder + "*");
}

TEST_F(LaunchTest, PendingMusicStartsWhenTheFirstProgramEndsOrFails) {
  writeFile("Music/a.mid", "MThd");
  writeFile("Music/b.mid", "MThd");
  for (bool fails : {false, true}) {
    SCOPED_TRACE(fails);
    RecordingForm& menu = readyMenu(2);
    ASSERT_TRUE(menu.musicPending) << "no selection tune";
    platform.music.calls.clear();
    platform.processes.failWith = fails ? 2 : 0;
    chooseOption(menu, 1);
    if (!fails) {
      EXPECT_TRUE(platform.music.calls.empty()) << "nothing while the activity runs";
      platform.processes.finishLast();
      ASSERT_TRUE(serveUntil([&] { return !menu.activityRunning; }, 3000));
    }
    EXPECT_FALSE(menu.musicPending);
    EXPECT_EQ(platform.music.calls.back().substr(0, 4), "play");
    form.reset();
    platform.processes.failWith = 0;
  }
}

TEST_F(LaunchTest, ReportButtonsStartTheReportWithTheLanguageCode) {
  writeFile("fxsounds/report.wav", "RIFF");
  RecordingForm& menu = readyMenu(1);
  menu.reportbutClick();
  ASSERT_EQ(platform.processes.starts.size(), 1u);
  EXPECT_EQ(platform.processes.starts[0].file, menu.programFolder + "report/report.exe");
  EXPECT_EQ(platform.processes.starts[0].argv,
            (std::vector<std::string>{menu.programFolder + "*", "THABO MOKOENA*", "*", "*", "TRUE*", "AFR*"}));
  EXPECT_EQ(menu.sounds, (std::vector<std::string>{"fxsounds/report.wav"}));
  EXPECT_TRUE(menu.Minimized());
  platform.processes.finishLast();
  ASSERT_TRUE(serveUntil([&] { return !menu.activityRunning; }, 3000));

  // The language screen's button clears the language, and does not look at a running program.
  menu.activityRunning = true;
  menu.reportbut2Click();
  EXPECT_EQ(menu.language, 0);
  ASSERT_EQ(platform.processes.starts.size(), 2u);
  EXPECT_EQ(platform.processes.starts[1].argv.back(), "*");
  // No animation: no tick is due (one would run the frames on), and the frame stays.
  EXPECT_FALSE(menu.animatetimer.Enabled()) << "no animation";
  EXPECT_EQ(menu.currentFrame, 1);
}

}  // namespace
}  // namespace tov::test
