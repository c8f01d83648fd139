#pragma once
// The one audio device of the program, opened through SDL_mixer. SDL_mixer's state is
// process-wide, so only one AudioDevice at a time may hold it; a second one stays closed.

#include <functional>
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
  // Claims the device; it is opened by the first open(). Starting SDL's audio takes
  // milliseconds (and a connection to the session's bus) that a program need not spend
  // before its first frame.
  AudioDevice();
  ~AudioDevice();
  AudioDevice(const AudioDevice&) = delete;
  AudioDevice& operator=(const AudioDevice&) = delete;

  // Opens the device with the audio driver SDL picks (SDL_AUDIODRIVER chooses one) the first
  // time, and tells whether it is open. One that could not be opened is not tried again:
  // error() tells why.
  bool open();
  bool isOpen() const { return mixerOpen_; }
  // Whether open() has been tried: the device's state is known.
  bool tried() const { return tried_; }
  // The platform's reason; never empty while a device that was tried is closed.
  const std::string& error() const { return error_; }
  // Stops the audio thread; nothing of SDL_mixer runs on it after this returns.
  void close();

  // Runs once the device has opened, before open() returns.
  std::function<void()> onOpened;

 private:
  bool openMixer();
  void fail();

  bool tried_ = false;
  bool claimed_ = false;
  bool sdlAudioUp_ = false;
  bool mixerOpen_ = false;
  std::string error_;
};

}  // namespace tov::sdl
