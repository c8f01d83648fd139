#pragma once
// A music player for a system that has none of its own in this program yet: it takes every
// piece and never ends one. The menu then runs as it does on a machine whose MIDI driver
// plays in silence, and is never asked about its music.

#include <functional>
#include <string>

#include "platform/audio.h"

namespace tov {

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

}  // namespace tov
