// The sound services when no audio device can be opened: silent, and saying why.
#include <gtest/gtest.h>

#include <memory>

#include "audio/audio_test_support.h"
#include "platform/sdl/sdl_audio.h"
#include "support/midi_file.h"

namespace tov::test {
namespace {

void expectNoDevice(SdlAudio& audio, const std::string& piece, const std::string& reason) {
  EXPECT_EQ(audio.waveOutput().deviceCount(), 0);
  EXPECT_FALSE(audio.waveOutput().play(sineWave(440, 100, 0.5)));
  audio.waveOutput().stop();
  try {
    audio.music().open(piece);
    ADD_FAILURE() << "the music opened";
  } catch (const EMCIDeviceError& error) {
    EXPECT_NE(error.message().find(reason), std::string::npos) << error.message();
  }
  EXPECT_FALSE(audio.music().isOpen());
  audio.music().play();
  audio.music().close();
}

TEST(NoAudioDevice, WhenTheDriverCannotOpenOne) {
  DiskAudio disk;
  const std::string piece = disk.path("piece.mid");
  ASSERT_TRUE(writeFile(piece, midiFile(risingNotes(2, 100))));
  const struct {
    const char* driver;
    std::string diskFile;
    const char* reason;  // SDL's own words
  } cases[] = {{"no-such-driver", disk.path("unused.raw"), "not available"},
               {"disk", disk.path("no-such-folder/out.raw"), "Couldn't open"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.driver);
    ScopedEnvironment driver("SDL_AUDIODRIVER", c.driver);
    ScopedEnvironment file("SDL_DISKAUDIOFILE", c.diskFile.c_str());
    SdlAudio audio;
    expectNoDevice(audio, piece, c.reason);
  }
}

TEST(NoAudioDevice, WhileAnotherSdlAudioHoldsIt) {
  DiskAudio disk;
  const std::string piece = disk.path("piece.mid");
  ASSERT_TRUE(writeFile(piece, midiFile(risingNotes(2, 100))));
  auto first = std::make_unique<SdlAudio>();
  ASSERT_EQ(first->waveOutput().deviceCount(), 1);
  {
    SdlAudio second;
    expectNoDevice(second, piece, "already in use");
  }
  EXPECT_TRUE(first->waveOutput().play(sineWave(440, 100, 0.5)));
  first.reset();
  SdlAudio next;
  EXPECT_EQ(next.waveOutput().deviceCount(), 1);
}

}  // namespace
}  // namespace tov::test
