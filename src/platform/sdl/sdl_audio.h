#pragma once
// The sound output of this system: one audio device, opened through SDL_mixer, that plays
// the wave sounds and the MIDI music. This header brings in neither SDL nor Qt.

#include <memory>

#include "platform/platform.h"

namespace tov {

namespace sdl {
class AudioDevice;
class SdlWaveOutput;
class SdlMusicPlayer;
}  // namespace sdl

class SdlAudio {
 public:
  // Claims the audio device, which the services open at their first use. Create it on the
  // user-interface thread once the application object exists, and let it outlive every user
  // of its services. Without a device (none can be opened, or another SdlAudio holds it) the
  // services stay silent: no wave output device, and every music open fails with the reason.
  SdlAudio();
  ~SdlAudio();
  SdlAudio(const SdlAudio&) = delete;
  SdlAudio& operator=(const SdlAudio&) = delete;

  IWaveOutput& waveOutput();
  IMusicPlayer& music();
  // Fills the sound services of platform.
  void addTo(Platform& platform);

 private:
  std::unique_ptr<sdl::AudioDevice> device_;
  std::unique_ptr<sdl::SdlWaveOutput> wave_;
  std::unique_ptr<sdl::SdlMusicPlayer> music_;
};

}  // namespace tov
