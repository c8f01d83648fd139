#pragma once
// The one audio device of the program, opened through SDL_mixer. SDL_mixer's state is
// process-wide, so only one AudioDevice at a time may hold it; a second one stays closed.

#include <string>

namespace tov::sdl {

// What the device is opened with. The format is fixed (SDL converts for the hardware), so
// the music, which is rendered straight into the mixer's buffer, can rely on it.
inline constexpr int kSampleRate = 44100;
inline constexpr int kOutputChannels = 2;  // interleaved 16-bit stereo in native byte order
inline constexpr int kBufferFrames = 1024;  // about 23 ms: short enough for effect sounds
// Wave sounds play on this channel only, so that a new one cuts off the last.
inline constexpr int kWaveChannel = 0;

class AudioDevice {
 public:
  // Opens the device with the audio driver SDL picks (SDL_AUDIODRIVER chooses one);
  // error() tells why when it could not.
  AudioDevice();
  ~AudioDevice();
  AudioDevice(const AudioDevice&) = delete;
  AudioDevice& operator=(const AudioDevice&) = delete;

  bool isOpen() const { return mixerOpen_; }
  // The platform's reason; never empty while the device is closed.
  const std::string& error() const { return error_; }
  // Stops the audio thread; nothing of SDL_mixer runs on it after this returns.
  void close();

 private:
  bool open();
  void fail();

  bool claimed_ = false;
  bool sdlAudioUp_ = false;
  bool mixerOpen_ = false;
  std::string error_;
};

}  // namespace tov::sdl
