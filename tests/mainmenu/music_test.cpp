// The background music: the selection tune, the random chain, and the failure path.
#include <fstream>

#include "mainmenu/menu_fixture.h"

namespace tov::test {
namespace {

namespace fs = std::filesystem;

TEST(PickMusicIndex, MatchesTheGeneratorWorkedByHand) {
  // seed' = seed * 134775813 + 1 (mod 2^32); pick = 1 + count * seed' / 2^32, rounded down.
  // Worked by hand, step by step:
  // seed 1: seed' = 134775814; 4 * 134775814 = 539103256 < 2^32, so pick 1.
  EXPECT_EQ(pickMusicIndex(4, 1), 1);
  // seed 32: 32 * 134775813 + 1 = 4312826017 = 2^32 + 17858721; 4 * 17858721 < 2^32, so 1.
  EXPECT_EQ(pickMusicIndex(4, 32), 1);
  // seed 1000: 134775813001 = 31 * 2^32 + 1631826825; 4 * 1631826825 = 6527307300,
  // which is 2^32 + 2232340004, so 1 + 1 = 2.
  EXPECT_EQ(pickMusicIndex(4, 1000), 2);
  // seed 0: seed' = 1; any count gives 1.
  EXPECT_EQ(pickMusicIndex(61, 0), 1);
  // Every pick lies in 1..count, over a whole day.
  for (std::uint32_t ms = 0; ms < 86400000; ms += 99991) {
    const int pick = pickMusicIndex(7, ms);
    EXPECT_GE(pick, 1);
    EXPECT_LE(pick, 7);
  }
}

class MusicTest : public MenuTest {
 protected:
  void writeMidi(const std::string& name) { writeFile("Music/" + name, "MThd"); }
  RecordingForm& activate() {
    writeFrames({"m1.jpg"});
    RecordingForm& menu = createForm();
    menu.show();
    EXPECT_TRUE(serveUntil([&] { return menu.currentFrame == 1; }, 2000));
    menu.animatetimer.setEnabled(false);
    return menu;
  }
  std::string music(const std::string& name) { return "open " + (folder / "Music" / name).string(); }
  std::vector<std::string> calls(const std::string& verb) {
    std::vector<std::string> found;
    for (const auto& c : platform.music.calls)
      if (c.rfind(verb + " ", 0) == 0) found.push_back(c);
    return found;
  }
};

TEST_F(MusicTest, SelectionTuneFirstThenRandomPiecesAmongAllFilesWithoutEnd) {
  for (const char* name : {"mm8-select.mid", "a.mid", "b.MID", "c.mid"}) writeMidi(name);
  writeMidi(".hidden.mid");
  fs::create_directories(folder / "Music" / "folder.mid");
  writeFile("Music/notes.txt", "not music");
  RecordingForm& menu = activate();
  EXPECT_FALSE(menu.musicPending);
  EXPECT_EQ(platform.music.calls, (std::vector<std::string>{music("mm8-select.mid"), "play " + (folder / "Music/mm8-select.mid").string()}));

  std::set<std::string> chosen;
  for (int piece = 0; piece < 40; ++piece) {
    menu.fixedTimeOfDayMs = std::uint32_t(piece) * 2160001u;  // times spread over the day
    platform.music.notify(MusicNotifyKind::Successful);
    chosen.insert(calls("open").back());
  }
  EXPECT_EQ(menu.musicFileCount, 4);
  EXPECT_TRUE(menu.musicListLoaded);
  EXPECT_EQ(chosen, (std::set<std::string>{music("mm8-select.mid"), music("a.mid"), music("b.MID"), music("c.mid")}));
  // Every random piece is closed, opened, rewound and played, in that order.
  const auto& c = platform.music.calls;
  ASSERT_GE(c.size(), 4u);
  EXPECT_EQ(c[c.size() - 4].substr(0, 5), "close");
  EXPECT_EQ(c[c.size() - 3].substr(0, 4), "open");
  EXPECT_EQ(c[c.size() - 2].substr(0, 6), "rewind");
  EXPECT_EQ(c[c.size() - 1].substr(0, 4), "play");
}

TEST_F(MusicTest, TheListIsReadOnceAndGrowsPastFifty) {
  writeMidi("mm8-select.mid");
  for (int i = 0; i < 60; ++i) writeMidi("piece" + std::to_string(i) + ".mid");
  RecordingForm& menu = activate();
  platform.music.notify(MusicNotifyKind::Successful);
  EXPECT_EQ(menu.musicFileCount, 61);
  writeMidi("added-later.mid");
  platform.music.notify(MusicNotifyKind::Successful);
  EXPECT_EQ(menu.musicFileCount, 61) << "files added later are not seen";
}

TEST_F(MusicTest, OnlyTheSelectionTunePlaysOnceThenSilence) {
  writeMidi("mm8-select.mid");
  RecordingForm& menu = activate();
  platform.music.notify(MusicNotifyKind::Successful);
  EXPECT_EQ(menu.musicFileCount, 1);
  EXPECT_EQ(calls("open").size(), 1u);
}

TEST_F(MusicTest, NoSelectionTuneMeansPendingUntilTheFirstReturn) {
  writeMidi("a.mid");
  writeMidi("b.mid");
  RecordingForm& menu = activate();
  EXPECT_TRUE(menu.musicPending);
  EXPECT_TRUE(platform.music.calls.empty());
  menu.PlayNextMusic();
  EXPECT_TRUE(platform.music.calls.empty()) << "nothing plays while the music is pending";
  // The return from an activity clears the flag and starts the chain.
  menu.musicPending = false;
  menu.PlayNextMusic();
  EXPECT_EQ(calls("play").size(), 1u);
}

TEST_F(MusicTest, FailedOpenAnsweredNoLeavesTheMusicPending) {
  writeMidi("mm8-select.mid");
  writeMidi("a.mid");
  platform.music.failAllOpens = true;
  Application::setMessageHandler([this](const Application::MessageRequest& request) {
    messages.push_back(request);
    return ModalResult::mrNo;
  });
  RecordingForm& menu = activate();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].text, kMidiDriverMessage);
  EXPECT_EQ(messages[0].caption, "Confirm");
  EXPECT_EQ(messages[0].buttons, unsigned(mbYes | mbNo));
  EXPECT_TRUE(menu.musicPending);
  EXPECT_TRUE(menu.isVisible());
  EXPECT_TRUE(fs::exists(folder / "Music" / "a.mid"));
  EXPECT_EQ(menu.currentFrame, 1) << "the activation goes on after the question";

  // Later, a random piece that cannot be opened is reported and the menu goes on.
  writeMidi("b.mid");
  menu.musicPending = false;
  messages.clear();
  platform.music.failAllOpens = true;
  EXPECT_THROW(menu.PlayNextMusic(), EMCIDeviceError);
}

TEST_F(MusicTest, FailedOpenAnsweredYesDeletesEveryMidiFileAndCloses) {
  for (const char* name : {"mm8-select.mid", "a.mid", ".hidden.mid", "UPPER.MID"}) writeMidi(name);
  writeFile("Music/readme.txt", "kept");
  platform.music.failAllOpens = true;
  Application::setMessageHandler([this](const Application::MessageRequest& request) {
    messages.push_back(request);
    return request.kind == MsgDlgType::mtConfirmation ? ModalResult::mrYes : ModalResult::mrOk;
  });
  RecordingForm& menu = activate();
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(messages[1].text, kMidiRemovedMessage);
  EXPECT_EQ(messages[1].caption, "Information");
  EXPECT_FALSE(menu.isVisible()) << "the program closes";
  std::vector<std::string> left;
  for (const auto& entry : fs::directory_iterator(folder / "Music")) left.push_back(entry.path().filename().string());
  EXPECT_EQ(left, (std::vector<std::string>{"readme.txt"}));
}

TEST_F(MusicTest, ARandomPieceThatCannotOpenIsReportedThroughTheNotification) {
  for (const char* name : {"mm8-select.mid", "a.mid", "b.mid"}) writeMidi(name);
  RecordingForm& menu = activate();
  (void)menu;
  platform.music.failAllOpens = true;
  platform.music.notify(MusicNotifyKind::Successful);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].kind, MsgDlgType::mtError);
}

TEST_F(MenuTest, SoundsPlayThroughTheWavePlayerAndMissingOnesAreSkipped) {
  writeFrames({"m1.jpg", "m2.jpg", "m7e.jpg"});
  // A minimal RIFF WAVE header: the codes at 0, 8 and 12 and the format fields to offset 34.
  std::string wave("RIFF\x24\0\0\0WAVEfmt \x10\0\0\0\x01\0\x01\0\x22\x56\0\0\x44\xac\0\0\x02\0\x10\0data\0\0\0\0", 44);
  writeFile("fxsounds/blaai.wav", wave);
  RecordingForm& menu = createForm();
  menu.recordSoundsOnly = false;
  menu.show();
  ASSERT_TRUE(serveUntil([&] { return menu.currentFrame == 2; }, 3000));
  menu.animatetimer.setEnabled(false);
  ASSERT_EQ(platform.waveOutput.played.size(), 1u);
  EXPECT_EQ(platform.waveOutput.played[0].size(), wave.size());
  menu.ShowFrame(7, 2);  // m1.wav is missing from Sounds-eng: silence, no message
  EXPECT_EQ(platform.waveOutput.played.size(), 1u);
  EXPECT_TRUE(messages.empty());
}

}  // namespace
}  // namespace tov::test
