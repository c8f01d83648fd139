// Wave sounds through the real SDL_mixer, caught in a file by SDL's disk driver.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "audio/audio_test_support.h"
#include "platform/sdl/sdl_audio.h"

namespace tov::test {
namespace {

constexpr double kFullScale = 32767;

TEST(SdlWaveOutput, PlaysTheSoundItWasGivenAndNeverReadsItAgain) {
  DiskAudio disk;
  auto audio = std::make_unique<SdlAudio>();
  IWaveOutput& wave = audio->waveOutput();
  ASSERT_EQ(wave.deviceCount(), 1);

  auto image = std::make_unique<std::vector<std::uint8_t>>(sineWave(440, 300, 0.5));
  ASSERT_TRUE(wave.play(*image));
  // Whatever the caller does with its memory afterwards does not reach the speaker (and an
  // address sanitizer build sees any read of the freed block).
  std::fill(image->begin() + 44, image->end(), 0x7f);
  image.reset();

  ASSERT_TRUE(disk.waitForFrames(framesOf(600)));
  audio.reset();
  const std::vector<std::int16_t> out = disk.leftChannel();
  const Loudness sound = loudness(out);
  ASSERT_GT(sound.loudSamples, 0u);
  EXPECT_NEAR(double(sound.last - sound.first), double(framesOf(300)), double(framesOf(10)));
  EXPECT_NEAR(sound.peak, 0.5 * kFullScale, 0.03 * kFullScale);
  EXPECT_NEAR(frequencyOf(out, sound.first, sound.last), 440, 440 * 0.02);
}

// What ends a long sound in progress, and what must be heard after it.
struct CutOff {
  const char* name;
  std::vector<std::uint8_t> next;  // played after the long sound; empty: stop() instead
  bool nextPlays;
  double nextTone;  // Hz of the next sound; 0 when nothing is heard after the long sound
};

void PrintTo(const CutOff& cut, std::ostream* out) { *out << cut.name; }

class SdlWaveOutputCutOff : public ::testing::TestWithParam<CutOff> {};

TEST_P(SdlWaveOutputCutOff, EndsTheSoundInProgressAtOnce) {
  const CutOff& cut = GetParam();
  constexpr int kLongMs = 5000;
  const std::vector<std::uint8_t> longSound = sineWave(440, kLongMs, 0.5);
  DiskAudio disk;
  auto audio = std::make_unique<SdlAudio>();
  IWaveOutput& wave = audio->waveOutput();

  ASSERT_TRUE(wave.play(longSound));
  if (cut.next.empty())
    wave.stop();
  else
    EXPECT_EQ(wave.play(cut.next), cut.nextPlays);
  ASSERT_TRUE(disk.waitForFrames(framesOf(kLongMs + 500)));
  audio.reset();

  const std::vector<std::int16_t> out = disk.leftChannel();
  const Loudness sound = loudness(out);
  // The device runs ten times faster than real time, so the moment between the two calls
  // may have let a good part of a second of the long sound through, but never all of it.
  const std::size_t nextFrames = cut.nextTone ? framesOf(200) : 0;
  EXPECT_LT(sound.last - sound.first, nextFrames + framesOf(kLongMs / 2)) << "it went on";
  if (cut.nextTone) {
    ASSERT_GT(sound.last, framesOf(150));
    const std::size_t tail = sound.last - framesOf(150);
    EXPECT_NEAR(frequencyOf(out, tail, sound.last), cut.nextTone, cut.nextTone * 0.02);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Interruptions, SdlWaveOutputCutOff,
    ::testing::Values(CutOff{"a new sound", sineWave(880, 200, 0.5), true, 880},
                      CutOff{"stop", {}, true, 0},
                      CutOff{"a sound that cannot be decoded",
                             std::vector<std::uint8_t>(200, 0x42), false, 0}),
    [](const auto& info) {
      std::string name = info.param.name;
      std::replace(name.begin(), name.end(), ' ', '_');
      return name;
    });

std::vector<std::uint8_t> truncatedWave() {
  std::vector<std::uint8_t> image = sineWave(440, 100, 0.5);
  image.resize(30);  // ends inside the format chunk
  return image;
}

std::vector<std::uint8_t> waveWithoutData() {
  std::vector<std::uint8_t> image = sineWave(440, 100, 0.5);
  image.resize(36);  // the format chunk and nothing after it
  return image;
}

TEST(SdlWaveOutput, RefusesImagesItCannotDecodeAndStaysSilent) {
  const std::vector<std::vector<std::uint8_t>> images = {
      {}, {'R', 'I', 'F', 'F'}, std::vector<std::uint8_t>(100, 0x42), truncatedWave(),
      waveWithoutData()};
  DiskAudio disk;
  auto audio = std::make_unique<SdlAudio>();
  for (std::size_t i = 0; i < images.size(); ++i)
    EXPECT_FALSE(audio->waveOutput().play(images[i])) << "image " << i;
  ASSERT_TRUE(disk.waitForFrames(framesOf(300)));
  audio.reset();
  EXPECT_EQ(loudness(disk.leftChannel(), 0).loudSamples, 0u);
}

}  // namespace
}  // namespace tov::test
