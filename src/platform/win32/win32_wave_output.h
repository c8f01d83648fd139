#pragma once
// Wave sounds from memory through the system's own player: PlaySoundW with SND_MEMORY,
// SND_ASYNC and SND_NODEFAULT, one sound at a time, as the system plays them.

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "platform/audio.h"

namespace tov::win32 {

class Win32WaveOutput final : public IWaveOutput {
 public:
  Win32WaveOutput() = default;
  ~Win32WaveOutput() override;
  Win32WaveOutput(const Win32WaveOutput&) = delete;
  Win32WaveOutput& operator=(const Win32WaveOutput&) = delete;

  int deviceCount() override;
  bool play(std::span<const std::uint8_t> waveFile) override;
  void stop() override;

 private:
  // What the system plays from: it reads the image while the sound lasts, never copying it,
  // so it is freed only once the system has stopped.
  std::vector<std::uint8_t> playing_;
};

struct PlayableWave {
  std::vector<std::uint8_t> image;
  std::vector<std::uint8_t> format;  // a WAVEFORMATEX and what its length says follows it
};

// A copy of a wave file image that the system's player reads no byte beyond: it finds the
// end of every chunk, and the data's length, in the image itself and believes them. The
// chunks before the sound data are kept whole, the data is cut to the bytes that are really
// there (a file cut short plays what it holds), what follows it is left out, and the RIFF
// size made to match. Nothing when there is no format chunk before the data, a chunk before
// the data runs past the end, or the format's own length does not fit its chunk.
std::optional<PlayableWave> playableWave(std::span<const std::uint8_t> waveFile);

}  // namespace tov::win32
