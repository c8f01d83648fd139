// The sound services on a PulseAudio null sink that run_under_wine.sh --sound starts and
// records (TOVALEER_SOUND_RECORDING: the sink's monitor, raw 16-bit samples at
// TOVALEER_SOUND_RATE, one channel): what is played must come out sample for sample, and the
// mixer's master volume must be set, read back and reported.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/win32/win32_mixer.h"
#include "platform/win32/win32_wave_output.h"
#include "support/wave_file.h"
#include "win32/win32_testing.h"

namespace tov {
namespace {

struct SoundSink {
  std::string recording;
  std::uint32_t rate = 0;
};

std::optional<SoundSink> soundSink() {
  const char* recording = std::getenv("TOVALEER_SOUND_RECORDING");
  const char* rate = std::getenv("TOVALEER_SOUND_RATE");
  if (!recording || !rate) return std::nullopt;
  return SoundSink{recording, std::uint32_t(std::strtoul(rate, nullptr, 10))};
}

#define REQUIRE_SOUND_SINK(sink)                                                       \
  const std::optional<SoundSink> sink = soundSink();                                   \
  if (!sink) GTEST_SKIP() << "no recorded sink: run by run_under_wine.sh --sound"

// Noise without a zero, so that no part of it passes for silence or for another part.
std::vector<std::int16_t> noise(std::size_t count) {
  std::vector<std::int16_t> samples;
  std::uint32_t state = 12345;
  while (samples.size() < count) {
    state = state * 1664525u + 1013904223u;
    const auto sample = std::int16_t(state >> 16);
    if (sample != 0) samples.push_back(sample);
  }
  return samples;
}

std::vector<std::int16_t> recorded(const SoundSink& sink) {
  const std::vector<unsigned char> bytes = test::readBytes(sink.recording);
  std::vector<std::int16_t> samples(bytes.size() / 2);
  std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
  return samples;
}

bool contains(const std::vector<std::int16_t>& recording, const std::vector<std::int16_t>& samples) {
  return std::search(recording.begin(), recording.end(), samples.begin(), samples.end()) != recording.end();
}

TEST(Win32SoundWave, PlaysTheImageSampleForSampleAndReadsNoCallersMemoryAfterward) {
  REQUIRE_SOUND_SINK(sink);
  win32::Win32WaveOutput output;
  ASSERT_GT(output.deviceCount(), 0);
  const std::vector<std::int16_t> sound = noise(sink->rate / 4);
  // Wine's player lets go of the device a few milliseconds before the sink has taken the last
  // samples (102 at 22050 Hz here): the file ends in silence of its own, which may be cut.
  std::vector<std::int16_t> samples = sound;
  samples.resize(sound.size() + sink->rate / 10, 0);
  std::vector<std::uint8_t> image = test::monoWaveFile(samples, sink->rate);
  ASSERT_TRUE(output.play(image));
  // The caller may change or free its image at once.
  std::fill(image.begin(), image.end(), std::uint8_t(0x55));
  image = {};
  EXPECT_TRUE(test::serveUntil([&] { return contains(recorded(*sink), sound); }, 20000))
      << recorded(*sink).size() << " samples recorded";
}

TEST(Win32SoundWave, RefusesWhatItCannotPlay) {
  REQUIRE_SOUND_SINK(sink);
  win32::Win32WaveOutput output;
  const std::vector<std::uint8_t> pcm = test::monoWaveFile(noise(64), sink->rate);
  std::vector<std::uint8_t> noData(pcm.begin(), pcm.begin() + 36);
  std::vector<std::uint8_t> formatCutShort(pcm.begin(), pcm.begin() + 30);
  const struct {
    const char* what;
    std::vector<std::uint8_t> image;
  } cases[] = {
      {"an encoding no converter knows", test::monoWaveFile(noise(64), sink->rate, 0x7A7A)},
      {"no data chunk", noData},
      {"a format chunk cut short", formatCutShort},
      {"not a RIFF file", std::vector<std::uint8_t>(64, 'x')},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_FALSE(output.play(c.image));
  }
}

TEST(Win32WaveImage, AFileCutShortPlaysOnlyTheBytesItHolds) {
  std::vector<std::uint8_t> image = test::monoWaveFile(noise(100), 22050);
  constexpr std::size_t kHeader = 44;
  constexpr std::size_t kKept = 149;  // of the 200 bytes the data chunk claims; odd, so padded
  image.resize(kHeader + kKept);
  const std::optional<win32::PlayableWave> wave = win32::playableWave(image);
  ASSERT_TRUE(wave);
  ASSERT_EQ(wave->image.size(), kHeader + kKept + 1);
  EXPECT_TRUE(std::equal(image.begin() + kHeader, image.end(), wave->image.begin() + kHeader));
  const auto le32 = [&](std::size_t at) {
    return std::uint32_t(wave->image[at]) | std::uint32_t(wave->image[at + 1]) << 8 |
           std::uint32_t(wave->image[at + 2]) << 16 | std::uint32_t(wave->image[at + 3]) << 24;
  };
  EXPECT_EQ(le32(kHeader - 4), kKept);
  EXPECT_EQ(le32(4), wave->image.size() - 8);
}

const MixerControl* controlNamed(const std::vector<MixerControl>& controls, const std::string& name) {
  const auto found = std::find_if(controls.begin(), controls.end(), [&](const MixerControl& c) { return c.name == name; });
  return found == controls.end() ? nullptr : &*found;
}

TEST(Win32SoundMixer, FindsTheMasterVolumeSetsItsControlsReadsThemBackAndReportsTheChanges) {
  REQUIRE_SOUND_SINK(sink);
  win32::Win32MixerSystem system;
  ASSERT_GT(system.deviceCount(), 0);
  EXPECT_EQ(system.open(system.deviceCount(), nullptr), nullptr);

  std::vector<MixerChange> reported;
  std::unique_ptr<IMixerDevice> device = system.open(0, [&](const MixerChange& change) { reported.push_back(change); });
  ASSERT_TRUE(device);
  const MixerCaps caps = device->caps();
  ASSERT_GT(caps.destinations, 0u);
  EXPECT_EQ(caps.productName, "PulseAudio");
  const std::optional<MixerLine> line = device->destinationLine(0);
  ASSERT_TRUE(line);
  EXPECT_EQ(line->name, "Master Volume");
  const std::optional<std::vector<MixerControl>> controls = device->lineControls(line->lineId);
  ASSERT_TRUE(controls);
  EXPECT_EQ(controls->size(), line->controls);

  // Wine's mixer has these two on the master line; the sink's samples stay unchanged only
  // at full volume, unmuted, so each is set back.
  const struct {
    const char* name;
    MixerControlKind kind;
    std::int64_t maximum;
  } expected[] = {{"Volume", MixerControlKind::Volume, 65535}, {"Mute", MixerControlKind::Switch, 1}};
  for (const auto& e : expected) {
    SCOPED_TRACE(e.name);
    const MixerControl* control = controlNamed(*controls, e.name);
    ASSERT_TRUE(control);
    EXPECT_EQ(control->kind, e.kind);
    EXPECT_EQ(control->maximum, e.maximum);
    const std::optional<std::vector<std::int64_t>> before = device->controlValues(control->controlId);
    ASSERT_TRUE(before);
    ASSERT_EQ(before->size(), control->channels);
    const std::int64_t other = before->front() == control->maximum ? control->minimum : control->maximum;
    reported.clear();
    ASSERT_TRUE(device->setControlValues(control->controlId, std::vector<std::int64_t>{other}));
    EXPECT_EQ(device->controlValues(control->controlId), std::vector<std::int64_t>(control->channels, other));
    EXPECT_FALSE(device->setControlValues(control->controlId, std::vector<std::int64_t>{control->maximum + 1}));
    EXPECT_FALSE(device->setControlValues(control->controlId, std::vector<std::int64_t>(control->channels + 1, other)));
    EXPECT_TRUE(device->setControlValues(control->controlId, *before));
  }

  // Wine 8 reports no change of its own (none comes when a control is set): the system's
  // messages are posted as it would post them. Both kinds come through, from the loop.
  const std::uint32_t volume = controlNamed(*controls, "Volume")->controlId;
  reported.clear();
  ASSERT_TRUE(win32::postSystemChange(*device, true, line->lineId));
  ASSERT_TRUE(win32::postSystemChange(*device, false, volume));
  EXPECT_TRUE(reported.empty()) << "reported from inside the call";
  EXPECT_TRUE(test::serveUntil([&] { return reported.size() == 2; }));
  EXPECT_EQ(reported, (std::vector<MixerChange>{{MixerChangeKind::Line, line->lineId}, {MixerChangeKind::Control, volume}}));

  // A second open has a handle of its own; one closed with a report on its way hears nothing
  // more, and one may close itself from its handler.
  bool closedOneHeard = false;
  std::unique_ptr<IMixerDevice> closing = system.open(0, [&](const MixerChange&) { closedOneHeard = true; });
  int secondHeard = 0;
  std::unique_ptr<IMixerDevice> second = system.open(0, [&](const MixerChange&) {
    ++secondHeard;
    second.reset();
  });
  ASSERT_TRUE(closing && second);
  EXPECT_NE(second->handle(), device->handle());
  EXPECT_NE(second->handle(), closing->handle());
  ASSERT_TRUE(win32::postSystemChange(*closing, false, volume));
  ASSERT_TRUE(win32::postSystemChange(*second, false, volume));
  ASSERT_TRUE(win32::postSystemChange(*second, false, volume));
  closing.reset();
  EXPECT_TRUE(test::serveUntil([&] { return secondHeard > 0; }));
  EXPECT_FALSE(second);
  // The reports still on their way were the closed devices': every one is served by now.
  reported.clear();
  ASSERT_TRUE(win32::postSystemChange(*device, false, volume));
  EXPECT_TRUE(test::serveUntil([&] { return !reported.empty(); }));
  EXPECT_EQ(secondHeard, 1);
  EXPECT_FALSE(closedOneHeard);
}

}  // namespace
}  // namespace tov
