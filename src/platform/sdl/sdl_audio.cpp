#include "platform/sdl/sdl_audio.h"

#include <SDL_mixer.h>

#include "platform/sdl/audio_device.h"
#include "platform/sdl/sdl_music_player.h"
#include "platform/sdl/sdl_wave_output.h"

namespace tov {

namespace {
void SDLCALL mixMusic(void* player, Uint8* stream, int length) {
  sdl::SdlMusicPlayer::mixMusic(player, stream, length);
}
}  // namespace

SdlAudio::SdlAudio()
    : device_(std::make_unique<sdl::AudioDevice>()),
      wave_(std::make_unique<sdl::SdlWaveOutput>(*device_)),
      music_(std::make_unique<sdl::SdlMusicPlayer>(*device_)) {
  device_->onOpened = [this] { Mix_HookMusic(mixMusic, music_.get()); };
}

// The order matters: the wave's chunk goes while its channel can still be halted; the
// music player goes only after the audio thread that renders it has stopped.
SdlAudio::~SdlAudio() {
  wave_.reset();
  if (device_->isOpen()) Mix_HookMusic(nullptr, nullptr);
  device_->close();
  music_.reset();
}

IWaveOutput& SdlAudio::waveOutput() { return *wave_; }

IMusicPlayer& SdlAudio::music() { return *music_; }

void SdlAudio::addTo(Platform& platform) {
  platform.waveOutput = wave_.get();
  platform.music = music_.get();
}

}  // namespace tov
