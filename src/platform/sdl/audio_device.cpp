#include "platform/sdl/audio_device.h"

#include <SDL.h>
#include <SDL_mixer.h>

#include <atomic>

#include "platform/errors.h"

namespace tov::sdl {

namespace {
std::atomic<bool> g_deviceClaimed{false};
}  // namespace

AudioDevice::AudioDevice() {
  if (g_deviceClaimed.exchange(true)) {
    error_ = errorText(ErrorCode::AudioDeviceInUse);
    tried_ = true;
    return;
  }
  claimed_ = true;
}

bool AudioDevice::open() {
  if (tried_) return mixerOpen_;
  tried_ = true;
  if (!openMixer()) {
    fail();
    return false;
  }
  if (onOpened) onOpened();
  return true;
}

// Opens SDL's audio and the mixer on it; false at the first step that fails.
bool AudioDevice::openMixer() {
  // The program watches SIGINT and SIGTERM itself, to give the desktop back.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  SDL_ClearError();
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
  sdlAudioUp_ = true;
  // No changes allowed: SDL converts to whatever the hardware takes.
  const int noChanges = 0;
  if (Mix_OpenAudioDevice(kSampleRate, AUDIO_S16SYS, kOutputChannels, kBufferFrames, nullptr,
                          noChanges) != 0)
    return false;
  mixerOpen_ = true;
  Mix_AllocateChannels(kWaveChannel + 1);
  Mix_ReserveChannels(kWaveChannel + 1);
  return true;
}

AudioDevice::~AudioDevice() { close(); }

void AudioDevice::close() {
  tried_ = true;  // closed for good
  if (mixerOpen_) {
    Mix_CloseAudio();
    Mix_Quit();
    mixerOpen_ = false;
  }
  if (sdlAudioUp_) {
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    sdlAudioUp_ = false;
  }
  if (claimed_) {
    g_deviceClaimed = false;
    claimed_ = false;
  }
}

void AudioDevice::fail() {
  const char* reason = SDL_GetError();
  error_ = reason && *reason ? reason : errorText(ErrorCode::AudioErrorUnknown);
  close();
}

}  // namespace tov::sdl
