#pragma once
// Wave sounds from memory on the audio device: one at a time, on a channel of their own.

#include <SDL_mixer.h>

#include "platform/audio.h"

namespace tov::sdl {

class SdlWaveOutput final : public IWaveOutput {
 public:
  // deviceOpen: whether the audio device is open; without it nothing plays.
  explicit SdlWaveOutput(bool deviceOpen) : deviceOpen_(deviceOpen) {}
  ~SdlWaveOutput() override;
  SdlWaveOutput(const SdlWaveOutput&) = delete;
  SdlWaveOutput& operator=(const SdlWaveOutput&) = delete;

  int deviceCount() override { return deviceOpen_ ? 1 : 0; }
  bool play(std::span<const std::uint8_t> waveFile) override;
  void stop() override;

 private:
  bool deviceOpen_;
  Mix_Chunk* chunk_ = nullptr;  // the sound on the channel, owned
};

}  // namespace tov::sdl
