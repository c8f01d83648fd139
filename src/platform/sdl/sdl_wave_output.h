#pragma once
// Wave sounds from memory on the audio device: one at a time, on a channel of their own.

#include <SDL_mixer.h>

#include <cstdint>
#include <list>
#include <vector>

#include "platform/audio.h"
#include "platform/sdl/audio_device.h"

namespace tov::sdl {

class SdlWaveOutput final : public IWaveOutput {
 public:
  // The device must outlive this object; it is opened by the first deviceCount() or play().
  // Without it nothing plays.
  explicit SdlWaveOutput(AudioDevice& device) : device_(device) {}
  ~SdlWaveOutput() override;
  SdlWaveOutput(const SdlWaveOutput&) = delete;
  SdlWaveOutput& operator=(const SdlWaveOutput&) = delete;

  int deviceCount() override { return device_.open() ? 1 : 0; }
  bool play(std::span<const std::uint8_t> waveFile) override;
  void stop() override;

  // Decoded sounds kept for the next request of the same file, at most this many bytes of
  // decoded sound in all (the menu plays the same few sounds over and over).
  static constexpr std::size_t kCacheBytes = 16u << 20;

 private:
  struct Decoded {
    std::vector<std::uint8_t> file;  // our own copy: the key, never the caller's memory
    Mix_Chunk* chunk = nullptr;      // owned
  };
  Mix_Chunk* decode(std::span<const std::uint8_t> waveFile);
  void evictBeyondLimit();

  AudioDevice& device_;
  std::list<Decoded> cache_;  // most recently played first
};

}  // namespace tov::sdl
