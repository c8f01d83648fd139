// The background music: the selection tune, the random chain, and the failure path.
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <time.h>
#include <unistd.h>

#include <QDateTime>
#include <fstream>

#include "mainmenu/menu_fixture.h"

namespace tov::test {
namespace {

namespace fs = std::filesystem;

TEST(PickMusicIndex, MatchesTheGeneratorWorkedByHand) {
  // seed' = seed * 134775813 + 1 (mod 2^32); pick = 1 + count * seed' / 2^32, rounded down.
  // Worked by hand, step by step. The last three cases pin the constants together: another
  // multiplier (any within 5000 of this one, or a common one), another increment below 5000,
  // or a time taken in another zone (whole or quarter hours off) or in seconds gives another
  // pick in at least one of them.
  const struct {
    int count;
    std::uint32_t msSinceMidnight;
    int pick;
  } cases[] = {
      // seed 1: seed' = 134775814; 4 * 134775814 = 539103256 < 2^32, so pick 1.
      {4, 1, 1},
      // seed 32: 32 * 134775813 + 1 = 4312826017 = 2^32 + 17858721; 4 * 17858721 < 2^32, so 1.
      {4, 32, 1},
      // seed 1000: 134775813001 = 31 * 2^32 + 1631826825; 4 * 1631826825 = 6527307300,
      // which is 2^32 + 2232340004, so 1 + 1 = 2.
      {4, 1000, 2},
      // seed 0: seed' = 1; any count gives 1.
      {61, 0, 1},
      // 12:28:07.982: 44887982 * 134775813 + 1 = 6049814267979367 = 1408582 * 2^32 + 644245095;
      // 20 * 644245095 = 12884901900 = 3 * 2^32 + 12, so 4. Only the increment of 1 lifts it
      // past 3 * 2^32: with 0 it would be 20 lower, below it, and the pick 3.
      {20, 44887982, 4},
      // 06:53:28.876: 24808876 * 134775813 + 1 = 3343636432516189 = 778501 * 2^32 + 97612893;
      // 44 * 97612893 = 4294967292 = 2^32 - 4, so 1. An increment of 2 would add 44 and pass
      // 2^32: the pick 2.
      {44, 24808876, 1},
      // 08:00:00.000: 28800000 * 134775813 + 1 = 3881543414400001 = 903742 * 2^32 + 1080378369;
      // 61 * 1080378369 = 65903080509 = 15 * 2^32 + 1478571069, so 16.
      {61, 28800000, 16},
  };
  for (const auto& c : cases)
    EXPECT_EQ(pickMusicIndex(c.count, c.msSinceMidnight), c.pick) << c.count << " pieces at " << c.msSinceMidnight;
  // Every pick lies in 1..count, over a whole day.
  for (std::uint32_t ms = 0; ms < 86400000; ms += 99991) {
    const int pick = pickMusicIndex(7, ms);
    EXPECT_GE(pick, 1);
    EXPECT_LE(pick, 7);
  }
}

// The form's own clock, not the fixed one of the recording form.
class ClockForm : public TForm1 {
 public:
  using TForm1::TForm1;
  std::uint32_t seedNow() const { return timeOfDayMs(); }
};

std::uint32_t msSinceMidnightUtc() { return std::uint32_t(QDateTime::currentMSecsSinceEpoch() % 86400000); }

// The seed is the time since midnight UTC, whatever zone the machine's clock is shown in: it
// lies between two readings of the UTC clock taken around it.
TEST_F(MenuTest, TheMusicSeedIsTheTimeSinceMidnightUtcInEveryZone) {
  const bool hadZone = qEnvironmentVariableIsSet("TZ");
  const QByteArray previousZone = qgetenv("TZ");
  {
    ClockForm clock(platform.services());
    // POSIX zone strings count hours west of Greenwich: these are UTC, UTC+5:45 and UTC-9:30.
    for (const char* zone : {"UTC0", "XST-5:45", "YST9:30"}) {
      qputenv("TZ", zone);
      ::tzset();
      std::uint32_t before = 0, seed = 0, after = 0;
      do {
        before = msSinceMidnightUtc();
        seed = clock.seedNow();
        after = msSinceMidnightUtc();
      } while (after < before);  // read again across midnight
      EXPECT_GE(seed, before) << zone;
      EXPECT_LE(seed, after) << zone;
    }
  }
  if (hadZone)
    qputenv("TZ", previousZone);
  else
    qunsetenv("TZ");
  ::tzset();
}

class MusicTest : public MenuTest {
 protected:
  void writeMidi(const std::string& name) { writeFile("Music/" + name, "MThd"); }
  RecordingForm& activate() {
    writeFrames({"m1.jpg"});
    RecordingForm& menu = createForm();
    menu.Show();
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
  // The time of day goes to the pick as it is: at 1000 ms, of 4 pieces the second (worked by
  // hand above).
  menu.fixedTimeOfDayMs = 1000;
  platform.music.notify(MusicNotifyKind::Successful);
  EXPECT_EQ(calls("open").back(), music(menu.musicFiles[1]));
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
  EXPECT_TRUE(menu.Visible());
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
  EXPECT_FALSE(menu.Visible()) << "the program closes";
  std::vector<std::string> left;
  for (const auto& entry : fs::directory_iterator(folder / "Music")) left.push_back(entry.path().filename().string());
  EXPECT_EQ(left, (std::vector<std::string>{"readme.txt"}));
}

// Makes folder's entries impossible to remove for this process: without write permission,
// or, for root, with the file system's immutable flag. False where neither can be had.
bool makeEntriesUndeletable(const fs::path& folder, bool undeletable) {
  if (::geteuid() != 0) {
    fs::permissions(folder, undeletable ? fs::perms::owner_read | fs::perms::owner_exec : fs::perms::owner_all);
    return true;
  }
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
  if (fd < 0) return false;
  int flags = 0;
  bool done = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
  flags = undeletable ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
  done = done && ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
  ::close(fd);
  return done;
}

TEST_F(MusicTest, FilesThatCannotBeRemovedAreNamedAndTheMenuRunsOnWithoutMusic) {
  for (const char* name : {"mm8-select.mid", "a.mid"}) writeMidi(name);
  if (!makeEntriesUndeletable(folder / "Music", true)) GTEST_SKIP() << "this file system keeps no immutable flag";
  platform.music.failAllOpens = true;
  Application::setMessageHandler([this](const Application::MessageRequest& request) {
    messages.push_back(request);
    return request.kind == MsgDlgType::mtConfirmation ? ModalResult::mrYes : ModalResult::mrOk;
  });
  RecordingForm& menu = activate();
  makeEntriesUndeletable(folder / "Music", false);
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(messages[1].kind, MsgDlgType::mtWarning);
  EXPECT_EQ(messages[1].text.find(kMidiRemovedMessage), std::string::npos) << "no claim of success";
  for (const char* name : {"mm8-select.mid", "a.mid"}) EXPECT_NE(messages[1].text.find(name), std::string::npos) << name;
  EXPECT_TRUE(fs::exists(folder / "Music" / "a.mid"));
  EXPECT_TRUE(menu.Visible()) << "the menu runs on";
  platform.music.calls.clear();
  menu.appExeFinished();  // the return from an activity tries no piece
  EXPECT_TRUE(platform.music.calls.empty());
  EXPECT_EQ(messages.size(), 2u);
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

// A player still reading its sound font when the form is activated: frame 1 comes at once,
// the music once the player is ready, and the intro only after the music's start, so that
// its question, when the tune cannot be opened, is answered before anything moves.
class MusicOfAPlayerSettingUp : public MusicTest, public ::testing::WithParamInterface<bool> {};

TEST_P(MusicOfAPlayerSettingUp, WaitsForThePlayerAfterTheFirstFrame) {
  const bool opens = GetParam();
  writeMidi("mm8-select.mid");
  writeFrames({"m1.jpg"});
  platform.music.ready = false;
  platform.music.failAllOpens = !opens;
  Application::setMessageHandler([this](const Application::MessageRequest& request) {
    messages.push_back(request);
    return ModalResult::mrNo;
  });
  RecordingForm& menu = createForm();
  menu.Show();
  ASSERT_TRUE(serveUntil([&] { return menu.currentFrame == 1; }, 2000));
  EXPECT_TRUE(platform.music.calls.empty());
  EXPECT_TRUE(messages.empty());
  EXPECT_FALSE(menu.animatetimer.Enabled()) << "the intro waits for the music";

  // The player is asked to get ready once frame 1 has been painted.
  platform.music.becomeReady();
  ASSERT_TRUE(serveUntil([&] { return menu.animatetimer.Enabled(); }, 2000)) << "the intro never came";
  EXPECT_EQ(calls("open"), (std::vector<std::string>{music("mm8-select.mid")}));
  EXPECT_EQ(calls("play").size(), opens ? 1u : 0u);
  EXPECT_EQ(messages.size(), opens ? 0u : 1u);
  EXPECT_EQ(menu.musicPending, !opens);
  EXPECT_EQ(menu.animatetimer.Interval(), 1000u);
  EXPECT_EQ(menu.targetFrame, 4);
  menu.animatetimer.setEnabled(false);
}

INSTANTIATE_TEST_SUITE_P(TuneOpens, MusicOfAPlayerSettingUp, ::testing::Bool());

// Without frame 1 the start keeps its order: the music, then the message that ends it.
TEST_F(MusicTest, WithoutAFirstFrameTheMusicStillComesFirst) {
  writeMidi("mm8-select.mid");
  platform.music.ready = false;
  Application::setMessageHandler([this](const Application::MessageRequest& request) {
    messages.push_back(request);
    EXPECT_EQ(calls("play").size(), 1u) << "the tune plays before the message";
    return ModalResult::mrOk;
  });
  RecordingForm& menu = createForm();
  menu.Show();
  ASSERT_TRUE(serveUntil([&] { return !messages.empty(); }, 2000));
  EXPECT_EQ(messages[0].text, kMissingFrameMessage);
  menu.animatetimer.setEnabled(false);
}

TEST_F(MenuTest, SoundsPlayThroughTheWavePlayerAndMissingOnesAreSkipped) {
  writeFrames({"m1.jpg", "m2.jpg", "m7e.jpg"});
  // A minimal RIFF WAVE header: the codes at 0, 8 and 12 and the format fields to offset 34.
  std::string wave("RIFF\x24\0\0\0WAVEfmt \x10\0\0\0\x01\0\x01\0\x22\x56\0\0\x44\xac\0\0\x02\0\x10\0data\0\0\0\0", 44);
  writeFile("fxsounds/blaai.wav", wave);
  RecordingForm& menu = createForm();
  menu.recordSoundsOnly = false;
  menu.Show();
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
