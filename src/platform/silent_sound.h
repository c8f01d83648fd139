#pragma once
// Sound services for a system that has no sound output of its own in this program yet: no
// wave device, no mixer, and a music player that takes every piece and never ends one. The
// menu then runs as it does on a machine with no sound card that still has a MIDI driver:
// silent, and never asked about its music.

#include <functional>
#include <memory>
#include <span>
#include <string>

#include "platform/audio.h"
#include "platform/mixer.h"

namespace tov {

// No device: every sound is skipped, as on a machine without one.
class SilentWaveOutput : public IWaveOutput {
 public:
  int deviceCount() override { return 0; }
  bool play(std::span<const std::uint8_t>) override { return false; }
  void stop() override {}
};

// A sequencer that opens any piece and plays it in silence for ever: the next piece would
// follow an end that never comes. A piece that ended at once would have the menu pick the
// next one at once, without pause, for as long as it runs.
class SilentMusicPlayer : public IMusicPlayer {
 public:
  void open(const std::string&) override { open_ = true; }
  bool isOpen() const override { return open_; }
  void close() override { open_ = false; }
  void rewind() override {}
  void play() override {}
  void setNotifyHandler(std::function<void(MusicNotifyKind)>) override {}

 private:
  bool open_ = false;
};

// No sound card: no mixer device.
class NoMixers : public IMixerSystem {
 public:
  int deviceCount() override { return 0; }
  std::unique_ptr<IMixerDevice> open(int, MixerChangeHandler) override { return nullptr; }
};

}  // namespace tov
