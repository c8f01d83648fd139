#include "platform/sdl/sdl_wave_output.h"

#include <climits>

#include "platform/sdl/audio_device.h"

namespace tov::sdl {

SdlWaveOutput::~SdlWaveOutput() { stop(); }

bool SdlWaveOutput::play(std::span<const std::uint8_t> waveFile) {
  if (!deviceOpen_) return false;
  // A new request silences the sound in progress even when it cannot be played itself.
  stop();
  if (waveFile.empty() || waveFile.size() > std::size_t(INT_MAX)) return false;
  SDL_RWops* source = SDL_RWFromConstMem(waveFile.data(), int(waveFile.size()));
  if (!source) return false;
  // The chunk holds its own decoded (and converted) copy of the sound: the caller's memory
  // is never read after this function returns.
  chunk_ = Mix_LoadWAV_RW(source, 1);
  if (!chunk_) return false;
  if (Mix_PlayChannel(kWaveChannel, chunk_, 0) < 0) {
    stop();
    return false;
  }
  return true;
}

void SdlWaveOutput::stop() {
  if (!chunk_) return;
  // Halted before it is freed: the audio thread must not be mixing it any more.
  Mix_HaltChannel(kWaveChannel);
  Mix_FreeChunk(chunk_);
  chunk_ = nullptr;
}

}  // namespace tov::sdl
