// A frame that exists but cannot be decoded, anywhere in the pupil's journey: it is reported
// with its file name, and every screen still gets its controls, so the pupil can go on and leave.
#include "mainmenu/menu_fixture.h"

namespace tov::test {
namespace {

struct DamagedFrame {
  std::string file;  // in menu/
  int language;      // the language the pupil chooses on the way
};

void PrintTo(const DamagedFrame& damaged, std::ostream* out) { *out << damaged.file << " in language " << damaged.language; }

std::vector<DamagedFrame> everyFrameOfTheJourney() {
  std::vector<DamagedFrame> cases;
  for (int frame : {1, 2, 3, 4, 5, 13}) cases.push_back({"m" + std::to_string(frame) + ".jpg", frame % 2 ? 1 : 2});
  for (int language : {1, 2})
    for (int frame = 6; frame <= 12; ++frame)
      cases.push_back({"m" + std::to_string(frame) + (language == 1 ? "a" : "e") + ".jpg", language});
  return cases;
}

std::vector<std::string> allFrameFiles() {
  std::vector<std::string> names;
  for (int frame : {1, 2, 3, 4, 5, 13}) names.push_back("m" + std::to_string(frame) + ".jpg");
  for (const char* suffix : {"a", "e"})
    for (int frame = 6; frame <= 12; ++frame) names.push_back("m" + std::to_string(frame) + suffix + ".jpg");
  return names;
}

class DamagedFrameTest : public MenuTest, public ::testing::WithParamInterface<DamagedFrame> {
 protected:
  bool runEnded(RecordingForm& menu, int frame) {
    return serveUntil([&] { return menu.currentFrame == frame && !menu.animatetimer.Enabled(); }, 8000);
  }
};

TEST_P(DamagedFrameTest, IsReportedByNameAndTheJourneyGoesOnToTheEnd) {
  const DamagedFrame& damaged = GetParam();
  writeFrames(allFrameFiles());
  writeFile("menu/" + damaged.file, "this is not a JPEG file at all");
  RecordingForm& menu = createForm();
  menu.Show();

  ASSERT_TRUE(runEnded(menu, 4)) << "the intro runs to the language screen";
  EXPECT_TRUE(menu.langoverlayafr.Visible());
  EXPECT_TRUE(menu.langoverlayeng.Visible());
  EXPECT_TRUE(menu.exitpanel.Visible());

  damaged.language == 1 ? menu.langoverlayafrClick() : menu.langoverlayengClick();
  ASSERT_TRUE(runEnded(menu, 7));
  EXPECT_TRUE(menu.nameedit.Visible());
  EXPECT_TRUE(menu.rightOKPanel.Visible());

  menu.nameedit.setText("THABO");
  menu.righthandbutClick();
  ASSERT_TRUE(runEnded(menu, 10));
  EXPECT_TRUE(menu.option1.Visible());
  EXPECT_TRUE(menu.exitpanel2.Visible());

  menu.optionClick(1);
  ASSERT_TRUE(serveUntil([&] { return menu.Minimized(); }, 8000)) << "the activity starts";
  platform.processes.finishLast();
  ASSERT_TRUE(serveUntil([&] { return !menu.activityRunning; }, 8000));
  EXPECT_TRUE(menu.option1.Visible()) << "back on the menu screen";

  menu.exitbutClick();  // the advertisement has no pictures: it closes by itself
  EXPECT_FALSE(menu.Visible()) << "the program ends";

  // Once in the run, though the menu screen comes twice: one OK for one damaged picture.
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].kind, MsgDlgType::mtError);
  EXPECT_NE(messages[0].text.find("menu/" + damaged.file), std::string::npos) << messages[0].text;
}

INSTANTIATE_TEST_SUITE_P(EveryFrame, DamagedFrameTest, ::testing::ValuesIn(everyFrameOfTheJourney()),
                         [](const ::testing::TestParamInfo<DamagedFrame>& info) {
                           std::string name = info.param.file.substr(0, info.param.file.find('.'));
                           return name + (info.param.language == 1 ? "_Afrikaans" : "_English");
                         });

}  // namespace
}  // namespace tov::test
