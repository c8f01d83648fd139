#pragma once
// Test doubles of the sound output: they keep what was played, stopped, opened and closed,
// in order, so tests can check sequences such as "stop before the data changes".

#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/audio.h"

namespace tov::test {

class FakeWaveOutput : public IWaveOutput {
 public:
  int devices = 1;
  bool refusePlay = false;  // play() answers false, as for a sound it cannot decode
  std::vector<std::vector<std::uint8_t>> played;  // a copy of every image handed to play()
  int stops = 0;
  std::vector<std::string> calls;  // "play", "stop" in call order; a refused play is recorded
  std::function<void()> onStop;    // runs inside stop(), to see what the caller held then

  int deviceCount() override { return devices; }
  bool play(std::span<const std::uint8_t> waveFile) override;
  void stop() override;
};

class FakeMusicPlayer : public IMusicPlayer {
 public:
  // "open PATH", "close PATH", "rewind PATH", "play PATH"; an open that fails is recorded too.
  std::vector<std::string> calls;
  std::set<std::string> failingPaths;  // open() of these throws EMCIDeviceError
  bool failAllOpens = false;
  std::string openPath;  // valid while isOpen()

  void open(const std::string& path) override;
  bool isOpen() const override { return open_; }
  void close() override;
  void rewind() override;
  void play() override;
  void setNotifyHandler(std::function<void(MusicNotifyKind)> handler) override;

  // Not ready: whenReady() keeps its handlers until becomeReady() runs them.
  bool ready = true;
  bool isReady() const override { return ready; }
  void whenReady(std::function<void()> handler) override;
  void becomeReady();

  bool hasNotifyHandler() const { return static_cast<bool>(handler_); }
  // A notification delivered now, through the current handler.
  void notify(MusicNotifyKind kind);
  // Delivers the notifications that were queued (closing a playing piece queues Aborted).
  // Each goes to the handler that was set when its piece started playing, as an
  // implementation that captures its handler would do: the hardest case for a receiver that
  // has gone away.
  void deliverQueued();
  std::size_t queuedCount() const { return queued_.size(); }

 private:
  bool open_ = false;
  bool playing_ = false;
  std::function<void(MusicNotifyKind)> handler_;
  std::function<void(MusicNotifyKind)> pieceHandler_;  // captured by play()
  std::vector<std::pair<std::function<void(MusicNotifyKind)>, MusicNotifyKind>> queued_;
  std::vector<std::function<void()>> readyHandlers_;
};

}  // namespace tov::test
