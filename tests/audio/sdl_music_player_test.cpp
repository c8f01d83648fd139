// MIDI music through the real FluidSynth and SDL_mixer, caught in a file by SDL's disk driver.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QThread>
#include <memory>

#include "audio/audio_test_support.h"
#include "platform/sdl/sdl_audio.h"
#include "platform/sdl/sound_font.h"
#include "support/midi_file.h"

namespace tov::test {
namespace {

constexpr int kShortPieceNotes = 3;
constexpr int kNoteMs = 100;

class SdlMusicPlayerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    shortPiece_ = disk_.path("short.mid");
    longPiece_ = disk_.path("long.mid");
    ASSERT_TRUE(writeFile(shortPiece_, midiFile(risingNotes(kShortPieceNotes, kNoteMs))));
    ASSERT_TRUE(writeFile(longPiece_, midiFile(risingNotes(100, 200))));
  }

  // Opens the device; every notification is recorded with the thread it came on.
  void openAudio() {
    audio_ = std::make_unique<SdlAudio>();
    audio_->music().setNotifyHandler([this](MusicNotifyKind kind) {
      kinds_.push_back(kind);
      if (QThread::currentThread() != QCoreApplication::instance()->thread()) ++offThread_;
    });
  }

  // Serves events until count notifications came, then a little longer for stray ones.
  void waitForNotifications(std::size_t count) {
    waitFor([&] { return kinds_.size() >= count; }, 10000);
    waitFor([] { return false; }, 300);
  }

  DiskAudio disk_;
  ScopedEnvironment defaultSoundFont_{sdl::kSoundFontVariable, nullptr};
  std::string shortPiece_;
  std::string longPiece_;
  std::vector<MusicNotifyKind> kinds_;
  int offThread_ = 0;
  std::unique_ptr<SdlAudio> audio_;  // goes first: its handler writes to the members above
};

using Kinds = std::vector<MusicNotifyKind>;

TEST_F(SdlMusicPlayerTest, PlaysAPieceAndReportsItsEndOnTheUserInterfaceThread) {
  openAudio();
  IMusicPlayer& music = audio_->music();
  music.open(shortPiece_);
  EXPECT_TRUE(music.isOpen());
  music.play();
  waitForNotifications(1);
  EXPECT_EQ(kinds_, Kinds{MusicNotifyKind::Successful});
  EXPECT_EQ(offThread_, 0);

  audio_.reset();
  const Loudness sound = loudness(disk_.leftChannel());
  EXPECT_GT(sound.peak, 2000) << "FluidSynth rendered nothing";
  // Every note was heard, not just the first.
  EXPECT_GT(sound.last - sound.first, framesOf(kShortPieceNotes * kNoteMs - 50));
}

TEST_F(SdlMusicPlayerTest, RewindPlaysAnEndedPieceAgain) {
  openAudio();
  IMusicPlayer& music = audio_->music();
  music.open(shortPiece_);
  music.play();
  waitForNotifications(1);
  const std::size_t firstEnd = disk_.framesWritten();
  music.rewind();
  music.play();
  waitForNotifications(2);
  EXPECT_EQ(kinds_, (Kinds{MusicNotifyKind::Successful, MusicNotifyKind::Successful}));

  audio_.reset();
  const std::vector<std::int16_t> out = disk_.leftChannel();
  const std::vector<std::int16_t> second(out.begin() + std::ptrdiff_t(firstEnd), out.end());
  EXPECT_GT(loudness(second).peak, 2000) << "the second play was silent";
}

// What happens to a long piece in the middle of its play, and what it is answered with.
struct Interruption {
  const char* name;
  std::function<void(IMusicPlayer&, const std::string& otherPiece)> act;
  Kinds expected;
};

void PrintTo(const Interruption& interruption, std::ostream* out) { *out << interruption.name; }

class SdlMusicPlayerInterruption : public SdlMusicPlayerTest,
                                   public ::testing::WithParamInterface<Interruption> {};

TEST_P(SdlMusicPlayerInterruption, AnswersEveryPlayExactlyOnce) {
  openAudio();
  IMusicPlayer& music = audio_->music();
  music.open(longPiece_);
  music.play();
  ASSERT_TRUE(disk_.waitForFrames(framesOf(500)));
  GetParam().act(music, shortPiece_);
  waitForNotifications(GetParam().expected.size());
  EXPECT_EQ(kinds_, GetParam().expected);
  EXPECT_EQ(offThread_, 0);
}

INSTANTIATE_TEST_SUITE_P(
    WhilePlaying, SdlMusicPlayerInterruption,
    ::testing::Values(
        Interruption{"close", [](IMusicPlayer& music, const std::string&) { music.close(); },
                     {MusicNotifyKind::Aborted}},
        Interruption{"open_another_and_play_it",
                     [](IMusicPlayer& music, const std::string& other) {
                       music.open(other);
                       music.play();
                     },
                     {MusicNotifyKind::Aborted, MusicNotifyKind::Successful}},
        Interruption{"play_again_then_close",
                     [](IMusicPlayer& music, const std::string&) {
                       music.play();
                       music.close();
                     },
                     {MusicNotifyKind::Superseded, MusicNotifyKind::Aborted}},
        Interruption{"rewind_then_close",
                     [](IMusicPlayer& music, const std::string&) {
                       music.rewind();
                       music.close();
                     },
                     {MusicNotifyKind::Aborted}}),
    [](const auto& info) { return std::string(info.param.name); });

// A piece ends and its notification is queued; the player is destroyed before the event
// loop runs again, or not.
class SdlMusicPlayerLateNotification : public SdlMusicPlayerTest,
                                       public ::testing::WithParamInterface<bool> {};

TEST_P(SdlMusicPlayerLateNotification, ArrivesOnlyWhileThePlayerLives) {
  const bool destroyBeforeDelivery = GetParam();
  openAudio();
  audio_->music().open(shortPiece_);
  audio_->music().play();
  // Long past the piece's end (at most some three seconds after its last note).
  ASSERT_TRUE(disk_.waitForFrames(framesOf(5000)));
  if (destroyBeforeDelivery) audio_.reset();
  waitFor([] { return false; }, 300);
  EXPECT_EQ(kinds_.size(), destroyBeforeDelivery ? 0u : 1u);
}

INSTANTIATE_TEST_SUITE_P(Destruction, SdlMusicPlayerLateNotification, ::testing::Bool(),
                         [](const auto& info) {
                           return std::string(info.param ? "destroyed" : "alive");
                         });

// Files the sequencer must refuse at open, with the platform's reason.
struct Refusal {
  const char* name;
  std::vector<std::uint8_t> contents;  // written to the file; empty: no file at all
  const char* reason;                  // a part of the message
};

void PrintTo(const Refusal& refusal, std::ostream* out) { *out << refusal.name; }

class SdlMusicPlayerRefusal : public SdlMusicPlayerTest,
                              public ::testing::WithParamInterface<Refusal> {};

TEST_P(SdlMusicPlayerRefusal, ThrowsAtOpen) {
  const Refusal& refusal = GetParam();
  const std::string path = disk_.path("piece.mid");
  if (!refusal.contents.empty()) {
    ASSERT_TRUE(writeFile(path, refusal.contents));
  }
  openAudio();
  IMusicPlayer& music = audio_->music();
  music.open(shortPiece_);
  try {
    music.open(path);
    FAIL() << "opened";
  } catch (const EMCIDeviceError& error) {
    EXPECT_NE(error.message().find(refusal.reason), std::string::npos) << error.message();
  }
  EXPECT_FALSE(music.isOpen());
}

std::vector<std::uint8_t> withByte(std::vector<std::uint8_t> file, std::size_t at,
                                   std::uint8_t value) {
  file[at] = value;
  return file;
}

std::vector<std::uint8_t> truncated(std::vector<std::uint8_t> file) {
  file.resize(file.size() - 5);
  return file;
}

const std::vector<std::uint8_t> kPiece = midiFile(risingNotes(2, 100));

INSTANTIATE_TEST_SUITE_P(
    Files, SdlMusicPlayerRefusal,
    ::testing::Values(Refusal{"missing", {}, "Cannot open file"},
                      Refusal{"wave", sineWave(440, 10, 0.5), "is not a MIDI file"},
                      Refusal{"truncated", truncated(kPiece), "is not a MIDI file"},
                      Refusal{"smpte_time", withByte(kPiece, 12, 0xe7), "is not a MIDI file"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SdlMusicPlayerTest, OpenFailsWhenTheChosenSoundFontCannotBeLoaded) {
  const std::string notAFont = disk_.path("font.sf2");
  ASSERT_TRUE(writeFile(notAFont, std::vector<std::uint8_t>(64, 0x42)));
  const std::string missing = disk_.path("missing.sf2");
  const struct {
    std::string font;
    std::string reason;
  } cases[] = {{missing, "The sound font " + missing + " named by TOVALEER_SOUNDFONT"},
               {notAFont, "Cannot load the sound font " + notAFont}};
  for (const auto& c : cases) {
    ScopedEnvironment font(sdl::kSoundFontVariable, c.font.c_str());
    openAudio();  // the sound font is loaded by the first open of a player
    try {
      audio_->music().open(shortPiece_);
      ADD_FAILURE() << "opened with " << c.font;
    } catch (const EMCIDeviceError& error) {
      EXPECT_NE(error.message().find(c.reason), std::string::npos) << error.message();
    }
    audio_.reset();
  }
}

// Getting ready reads the sound font on a thread of its own: the answer comes from the event
// loop, on the user-interface thread. An open meanwhile waits for the reading.
TEST_F(SdlMusicPlayerTest, GetsReadyInTheBackgroundAndAnOpenMeanwhileWaitsForIt) {
  for (const bool openAtOnce : {false, true}) {
    SCOPED_TRACE(openAtOnce ? "open at once" : "open when ready");
    openAudio();
    IMusicPlayer& music = audio_->music();
    EXPECT_FALSE(music.isReady());
    int ready = 0;
    bool onUserInterfaceThread = false;
    music.whenReady([&] {
      ++ready;
      onUserInterfaceThread = QThread::currentThread() == QCoreApplication::instance()->thread();
    });
    EXPECT_EQ(ready, 0);
    if (openAtOnce) {
      music.open(shortPiece_);
      EXPECT_TRUE(music.isReady());
    }
    ASSERT_TRUE(waitFor([&] { return ready == 1; }, 10000));
    EXPECT_TRUE(onUserInterfaceThread);
    music.whenReady([&] { ++ready; });
    EXPECT_EQ(ready, 2) << "a ready player answers at once";
    if (!openAtOnce) music.open(shortPiece_);
    kinds_.clear();
    music.play();
    waitForNotifications(1);
    EXPECT_EQ(kinds_, Kinds{MusicNotifyKind::Successful});
    audio_.reset();
    EXPECT_GT(loudness(disk_.leftChannel()).peak, 2000) << "FluidSynth rendered nothing";
  }
}

// A sound font that cannot be read leaves the player ready all the same; every open says
// why, the first with what the background reading met, the next ones trying again.
TEST_F(SdlMusicPlayerTest, AFailedReadingIsToldByEveryOpen) {
  const std::string notAFont = disk_.path("font.sf2");
  ASSERT_TRUE(writeFile(notAFont, std::vector<std::uint8_t>(64, 0x42)));
  const std::string missing = disk_.path("missing.sf2");
  const struct {
    std::string font;
    std::string reason;
  } cases[] = {{missing, "The sound font " + missing + " named by TOVALEER_SOUNDFONT"},
               {notAFont, "Cannot load the sound font " + notAFont}};
  for (const auto& c : cases) {
    ScopedEnvironment font(sdl::kSoundFontVariable, c.font.c_str());
    openAudio();
    int ready = 0;
    audio_->music().whenReady([&] { ++ready; });
    ASSERT_TRUE(waitFor([&] { return ready == 1; }, 10000)) << c.font;
    for (int attempt = 1; attempt <= 2; ++attempt) {
      try {
        audio_->music().open(shortPiece_);
        ADD_FAILURE() << "opened with " << c.font << ", attempt " << attempt;
      } catch (const EMCIDeviceError& error) {
        EXPECT_NE(error.message().find(c.reason), std::string::npos) << error.message();
      }
    }
    audio_.reset();
  }
}

}  // namespace
}  // namespace tov::test
