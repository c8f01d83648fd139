#include "audio/audio_test_support.h"

#include "support/wave_file.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <numbers>

namespace tov::test {

std::vector<std::uint8_t> sineWave(double hz, int ms, double amplitude) {
  std::vector<std::int16_t> samples(framesOf(ms));
  for (std::size_t i = 0; i < samples.size(); ++i)
    samples[i] = std::int16_t(std::lround(amplitude * 32767 * std::sin(2 * std::numbers::pi * hz * double(i) / kOutputRate)));
  return monoWaveFile(samples, kOutputRate);
}

DiskAudio::DiskAudio() : output_(path("device-output.raw")) {
  setenv("SDL_AUDIODRIVER", "disk", 1);
  setenv("SDL_DISKAUDIOFILE", output_.c_str(), 1);
  // Milliseconds the driver waits per buffer of 1024 frames (23 ms of sound).
  setenv("SDL_DISKAUDIODELAY", "2", 1);
}

std::string DiskAudio::path(const std::string& name) const {
  return folder_.filePath(QString::fromStdString(name)).toStdString();
}

std::size_t DiskAudio::framesWritten() const {
  std::error_code error;
  const std::uintmax_t bytes = std::filesystem::file_size(output_, error);
  return error ? 0 : std::size_t(bytes / 4);
}

bool DiskAudio::waitForFrames(std::size_t frames) const {
  const QDeadlineTimer deadline(10000);
  while (framesWritten() < frames) {
    if (deadline.hasExpired()) return false;
    QThread::msleep(5);
  }
  return true;
}

std::vector<std::int16_t> DiskAudio::leftChannel() const {
  std::ifstream in(output_, std::ios::binary);
  std::vector<std::int16_t> left;
  std::int16_t frame[2];
  while (in.read(reinterpret_cast<char*>(frame), sizeof frame)) left.push_back(frame[0]);
  return left;
}

Loudness loudness(const std::vector<std::int16_t>& samples, int threshold) {
  Loudness result;
  for (std::size_t i = 0; i < samples.size(); ++i) {
    const int magnitude = std::abs(int(samples[i]));
    result.peak = std::max(result.peak, magnitude);
    if (magnitude <= threshold) continue;
    if (result.loudSamples++ == 0) result.first = i;
    result.last = i;
  }
  return result;
}

double frequencyOf(const std::vector<std::int16_t>& samples, std::size_t begin, std::size_t end) {
  int risingCrossings = 0;
  for (std::size_t i = begin + 1; i < end && i < samples.size(); ++i)
    if (samples[i - 1] < 0 && samples[i] >= 0) ++risingCrossings;
  return end > begin ? risingCrossings * double(kOutputRate) / double(end - begin) : 0;
}

bool waitFor(const std::function<bool()>& done, int timeoutMs) {
  const QDeadlineTimer deadline(timeoutMs);
  while (!done()) {
    if (deadline.hasExpired()) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QThread::msleep(2);
  }
  return true;
}

ScopedEnvironment::ScopedEnvironment(const char* name, const char* value) : name_(name) {
  const char* old = std::getenv(name);
  wasSet_ = old != nullptr;
  if (old) oldValue_ = old;
  if (value)
    setenv(name, value, 1);
  else
    unsetenv(name);
}

ScopedEnvironment::~ScopedEnvironment() {
  if (wasSet_)
    setenv(name_.c_str(), oldValue_.c_str(), 1);
  else
    unsetenv(name_.c_str());
}

}  // namespace tov::test
