#pragma once
// MIDI music on the audio device: a FluidSynth sequencer rendered into SDL_mixer's music
// stream (Mix_HookMusic), its end reported on the user-interface thread.
//
// Notifications: every play() that starts or continues a piece is answered by exactly one
// notification, and nothing else makes one. The piece ending gives Successful; close(), or
// open() of another piece, while it plays gives Aborted; a second play() while it plays
// gives Superseded for the first (the piece plays on and the second is answered when it
// ends); play() of a piece that has ended gives Successful at once, as it is at its end.
// All are queued to the user-interface thread, and each is delivered even when its piece
// has since been closed or replaced: the menu starts the next piece on every notification,
// so one lost would stop the music and one doubled would start two chains of pieces. They
// go to the handler set at delivery time; none arrives after the player is gone.

#include <exception>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/audio.h"
#include "platform/event_loop.h"
#include "platform/sdl/audio_device.h"
#include "platform/sdl/fluid_sequencer.h"

namespace tov::sdl {

class SdlMusicPlayer final : public IMusicPlayer {
 public:
  // Create and use on the user-interface thread. The device must outlive this object; it is
  // opened by the first open() or whenReady(), and when it cannot be, every open() fails
  // with its reason.
  explicit SdlMusicPlayer(AudioDevice& device);
  // Waits for the sound font's reading, if it still runs.
  ~SdlMusicPlayer() override;
  SdlMusicPlayer(const SdlMusicPlayer&) = delete;
  SdlMusicPlayer& operator=(const SdlMusicPlayer&) = delete;

  void open(const std::string& path) override;
  bool isOpen() const override { return open_; }
  void close() override;
  void rewind() override;
  void play() override;
  // The handler must not throw: the event loop's delivery does not carry exceptions.
  void setNotifyHandler(std::function<void(MusicNotifyKind)> handler) override;
  // Ready once the sound font has been read, or could not be, or the device could not be
  // opened: then an open() reports why.
  // The first whenReady() has it read on a thread of its own (tens of milliseconds); an
  // open() before reads it itself.
  bool isReady() const override;
  void whenReady(std::function<void()> ready) override;

  // The music stream of SDL_mixer (Mix_HookMusic), on the audio thread: the device's
  // interleaved 16-bit stereo, length in bytes.
  static void mixMusic(void* player, std::uint8_t* stream, int length);

 private:
  void startLoading();
  // Takes what the background reading made, waiting for it if it still runs: the
  // synthesizer, or the failure that the next open() reports.
  void collectLoaded();
  void loadingEnded();
  void ensureSynthesizer();
  // Queues a notification to the user-interface thread; callable from any thread.
  void post(MusicNotifyKind kind);

  AudioDevice& device_;
  bool open_ = false;                               // user-interface thread only
  std::function<void(MusicNotifyKind)> handler_;    // user-interface thread only
  // The sound font's reading in the background, until collected; its failure, until an
  // open() reports it. Then every open() tries again itself, as a first one would. All of
  // them on the user-interface thread only.
  std::future<std::unique_ptr<FluidSynthesizer>> loading_;
  std::exception_ptr loadFailure_;
  std::vector<std::function<void()>> readyHandlers_;
  // Serializes the sequencer between the user-interface thread and the audio thread.
  // Nothing of SDL is called while it is held: the audio thread holds SDL's lock when it
  // takes this one.
  mutable std::mutex mutex_;
  FluidSequencer sequencer_;
  // Notifications and the reading's end are posted in its name; being destroyed first, it
  // drops the ones still queued.
  LoopContext userInterfaceThread_;
};

}  // namespace tov::sdl
