#pragma once
// The sound output of the program: short wave sounds played from memory, and MIDI music.
// Both share one audio device.

#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "platform/errors.h"

namespace tov {

// Opening a piece of music failed: no audio device, no synthesizer, an unreadable file.
TOV_DECLARE_ERROR(EMCIDeviceError, Exception);

class IWaveOutput {
 public:
  virtual ~IWaveOutput() = default;
  // The number of wave output devices; 0 when no audio device could be opened.
  virtual int deviceCount() = 0;
  // Starts the wave file image and returns at once; a sound in progress is cut off. False
  // when it cannot be played (no device, not decodable): silence, never a default sound.
  // The image is not read after this call returns or after stop().
  virtual bool play(std::span<const std::uint8_t> waveFile) = 0;
  // Stops the sound in progress, if any.
  virtual void stop() = 0;
};

// Kinds of the end-of-play notification, as the player records them.
enum class MusicNotifyKind { Successful = 1, Superseded = 2, Aborted = 4, Failure = 8 };

// One MIDI sequencer: a piece is opened by path, played without blocking, and its end is
// reported on the user-interface thread.
class IMusicPlayer {
 public:
  virtual ~IMusicPlayer() = default;
  // Closes an open piece first. Throws EMCIDeviceError when the piece cannot be opened.
  virtual void open(const std::string& path) = 0;
  virtual bool isOpen() const = 0;
  // Nothing when no piece is open. Closing a playing piece reports it Aborted.
  virtual void close() = 0;
  virtual void rewind() = 0;
  // Starts the open piece and returns at once; its end raises the notify handler, on the
  // user-interface thread. No error is reported to the caller.
  virtual void play() = 0;
  virtual void setNotifyHandler(std::function<void(MusicNotifyKind)> handler) = 0;

  // Whether the player has finished setting itself up (a synthesizer reading its sound font
  // in the background), so that open() answers without waiting for it. open() works before
  // too; it then waits.
  virtual bool isReady() const { return true; }
  // Runs ready on the user-interface thread once the player is ready: at once when it is,
  // else from the event loop.
  virtual void whenReady(std::function<void()> ready) { ready(); }
};

}  // namespace tov
