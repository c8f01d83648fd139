#include "platform/sdl/sdl_music_player.h"

#include <malloc.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <utility>
#include <vector>

#include "platform/sdl/audio_device.h"
#include "platform/sdl/midi_file_check.h"
#include "platform/sdl/sound_font.h"

namespace tov::sdl {

namespace {
std::vector<std::uint8_t> readMidiFile(const std::string& path) {
  std::error_code error;
  const std::uintmax_t size = std::filesystem::file_size(path, error);
  if (error) throw EMCIDeviceError(ErrorCode::CannotOpenFile, path);
  if (size > kMaxMidiFileBytes) throw EMCIDeviceError(ErrorCode::MidiFileTooLarge, path);
  std::ifstream in(path, std::ios::binary);
  if (!in) throw EMCIDeviceError(ErrorCode::CannotOpenFile, path);
  std::vector<std::uint8_t> bytes(size);
  in.read(reinterpret_cast<char*>(bytes.data()), std::streamsize(size));
  if (std::uintmax_t(in.gcount()) != size) throw EMCIDeviceError(ErrorCode::FileReadError, path);
  return bytes;
}
}  // namespace

SdlMusicPlayer::SdlMusicPlayer(AudioDevice& device) : device_(device) {}

// The audio thread no longer renders (the device closes before its players go), so the
// sequencer needs no lock here. The reading thread may still post its end: the posted call
// goes with userInterfaceThread_.
SdlMusicPlayer::~SdlMusicPlayer() {
  if (loading_.valid()) loading_.wait();
}

// The font is looked up here, on the user-interface thread, which alone changes the
// environment; only the reading goes to the other thread.
void SdlMusicPlayer::startLoading() {
  std::string soundFont;
  try {
    soundFont = findSoundFont();
  } catch (...) {
    loadFailure_ = std::current_exception();
    return;
  }
  loading_ = std::async(std::launch::async, [this, soundFont] {
    std::unique_ptr<FluidSynthesizer> synthesizer;
    std::exception_ptr failure;
    try {
      synthesizer = std::make_unique<FluidSynthesizer>(soundFont, kSampleRate);
      // Reading the font leaves megabytes of its parsing freed in the heap: they go back to
      // the system instead of staying with the menu for its whole run.
      malloc_trim(0);
    } catch (...) {
      failure = std::current_exception();
    }
    // Ended either way: whoever waits for the player hears of it, and open() of the failure.
    userInterfaceThread_.post([this] { loadingEnded(); });
    if (failure) std::rethrow_exception(failure);
    return synthesizer;
  });
}

void SdlMusicPlayer::collectLoaded() {
  if (!loading_.valid()) return;
  try {
    std::unique_ptr<FluidSynthesizer> synthesizer = loading_.get();
    std::lock_guard lock(mutex_);
    sequencer_.adopt(std::move(synthesizer));
  } catch (...) {
    loadFailure_ = std::current_exception();
  }
}

void SdlMusicPlayer::loadingEnded() {
  collectLoaded();
  const std::vector<std::function<void()>> handlers = std::move(readyHandlers_);
  readyHandlers_.clear();
  for (const auto& handler : handlers) handler();
}

bool SdlMusicPlayer::isReady() const {
  // A device not tried yet is opened on the way to being ready; one that failed leaves
  // nothing to wait for.
  if (!device_.isOpen()) return device_.tried();
  if (loadFailure_) return true;
  if (loading_.valid()) return false;
  std::lock_guard lock(mutex_);
  return sequencer_.hasSynthesizer();
}

void SdlMusicPlayer::whenReady(std::function<void()> ready) {
  if (isReady()) {
    ready();
    return;
  }
  readyHandlers_.push_back(std::move(ready));
  if (device_.open() && !loading_.valid()) startLoading();
  // No device, or a sound font that cannot even be found: known at once.
  if (!loading_.valid()) loadingEnded();
}

void SdlMusicPlayer::open(const std::string& path) {
  close();
  if (!device_.open()) throw EMCIDeviceError(device_.error());
  collectLoaded();
  if (loadFailure_) std::rethrow_exception(std::exchange(loadFailure_, nullptr));
  ensureSynthesizer();
  std::vector<std::uint8_t> smf = readMidiFile(path);
  if (!isPlayableMidiFile(smf)) throw EMCIDeviceError(ErrorCode::NotAMidiFile, path);
  bool loaded;
  {
    std::lock_guard lock(mutex_);
    loaded = sequencer_.load(std::move(smf));
  }
  if (!loaded) throw EMCIDeviceError(ErrorCode::AudioErrorUnknown);
  open_ = true;
}

void SdlMusicPlayer::close() {
  if (!open_) return;
  open_ = false;
  bool wasPlaying;
  {
    std::lock_guard lock(mutex_);
    wasPlaying = sequencer_.state() == FluidSequencer::State::Playing;
    sequencer_.unload();
  }
  if (wasPlaying) post(MusicNotifyKind::Aborted);
}

void SdlMusicPlayer::rewind() {
  if (!open_) return;
  std::lock_guard lock(mutex_);
  sequencer_.rewind();
}

void SdlMusicPlayer::play() {
  if (!open_) return;
  std::optional<MusicNotifyKind> answer;
  {
    std::lock_guard lock(mutex_);
    switch (sequencer_.state()) {
      case FluidSequencer::State::Ready:
        sequencer_.start();  // a failed start is silence without a notification
        break;
      case FluidSequencer::State::Playing:
        answer = MusicNotifyKind::Superseded;
        break;
      case FluidSequencer::State::Ended:
        answer = MusicNotifyKind::Successful;
        break;
      case FluidSequencer::State::Empty:
        break;
    }
  }
  if (answer) post(*answer);
}

void SdlMusicPlayer::setNotifyHandler(std::function<void(MusicNotifyKind)> handler) {
  handler_ = std::move(handler);
}

void SdlMusicPlayer::mixMusic(void* player, std::uint8_t* stream, int length) {
  auto* self = static_cast<SdlMusicPlayer*>(player);
  const int frames = length / int(kOutputChannels * sizeof(std::int16_t));
  std::lock_guard lock(self->mutex_);
  if (self->sequencer_.render(reinterpret_cast<std::int16_t*>(stream), frames))
    self->post(MusicNotifyKind::Successful);
}

// The sound font is loaded once and kept (see FluidSequencer): by the background reading
// that whenReady() began, or here, by an open that finds none.
void SdlMusicPlayer::ensureSynthesizer() {
  {
    std::lock_guard lock(mutex_);
    if (sequencer_.hasSynthesizer()) return;
  }
  // Loaded without the lock: the audio thread goes on rendering meanwhile.
  auto synthesizer = std::make_unique<FluidSynthesizer>(findSoundFont(), kSampleRate);
  std::lock_guard lock(mutex_);
  sequencer_.adopt(std::move(synthesizer));
}

void SdlMusicPlayer::post(MusicNotifyKind kind) {
  userInterfaceThread_.post([this, kind] {
    // A copy: the handler may replace itself.
    const std::function<void(MusicNotifyKind)> handler = handler_;
    if (handler) handler(kind);
  });
}

}  // namespace tov::sdl
