#pragma once
// What the sound tests share: made-up sounds, the audio device's output caught in a file by
// SDL's disk driver, and a look at that output.

#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tov::test {

inline constexpr int kOutputRate = 44100;  // the device's rate; its samples are 16-bit stereo

// A RIFF WAVE file of 16-bit mono PCM at 44100 Hz: a sine of hz, amplitude 0..1.
std::vector<std::uint8_t> sineWave(double hz, int ms, double amplitude);

inline std::size_t framesOf(int ms) { return std::size_t(ms) * kOutputRate / 1000; }

// Sends the audio device's output to a file, rendered about ten times faster than real
// time. Sets the environment of SDL, so create it before the device is opened.
class DiskAudio {
 public:
  DiskAudio();
  // A file name in a folder of this object's own, removed with it.
  std::string path(const std::string& name) const;
  // Frames the device has written so far.
  std::size_t framesWritten() const;
  // Blocks, without serving events, until the device has written frames, or 10 s passed.
  bool waitForFrames(std::size_t frames) const;
  // The left channel of everything written; read it once the device is closed, as the
  // driver's writes are buffered.
  std::vector<std::int16_t> leftChannel() const;

 private:
  QTemporaryDir folder_;
  std::string output_;
};

// Where a recording is loud: samples whose magnitude exceeds a threshold.
struct Loudness {
  std::size_t loudSamples = 0;
  std::size_t first = 0;  // first loud sample
  std::size_t last = 0;   // last loud sample
  int peak = 0;
};
Loudness loudness(const std::vector<std::int16_t>& samples, int threshold = 300);

// The frequency of a tone in samples [begin, end), from its rising zero crossings.
double frequencyOf(const std::vector<std::int16_t>& samples, std::size_t begin, std::size_t end);

// Serves events until done() holds or timeoutMs passed; whether done() held.
bool waitFor(const std::function<bool()>& done, int timeoutMs);

// Sets an environment variable for the life of this object.
class ScopedEnvironment {
 public:
  ScopedEnvironment(const char* name, const char* value);  // null value: unset
  ~ScopedEnvironment();
  ScopedEnvironment(const ScopedEnvironment&) = delete;
  ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

 private:
  std::string name_;
  bool wasSet_;
  std::string oldValue_;
};

}  // namespace tov::test
