#include "platform/sdl/fluid_sequencer.h"

#include <algorithm>
#include <utility>

#include "platform/audio.h"

namespace tov::sdl {

namespace {
// SDL_mixer plays FluidSynth music at gain 1.0 at full music volume (FluidSynth's own
// default, 0.2, is meant for mixing many sources): the music sounds as loud as it would
// through SDL_mixer's own MIDI player.
constexpr double kGain = 1.0;
}  // namespace

FluidSynthesizer::FluidSynthesizer(const std::string& soundFont, int sampleRate) {
  settings_ = new_fluid_settings();
  if (settings_) {
    fluid_settings_setnum(settings_, "synth.sample-rate", sampleRate);
    fluid_settings_setnum(settings_, "synth.gain", kGain);
    // A General MIDI font holds samples for some two hundred instruments and drum kits; a
    // piece plays a handful. Only those of the instruments a channel selects are read, and
    // they are let go once no channel uses them: megabytes less, and the same sound.
    fluid_settings_setint(settings_, "synth.dynamic-sample-loading", 1);
    synth_ = new_fluid_synth(settings_);
  }
  if (!synth_ || fluid_synth_sfload(synth_, soundFont.c_str(), 1) == FLUID_FAILED) {
    release();
    throw EMCIDeviceError(ErrorCode::SoundFontNotLoaded, soundFont);
  }
}

FluidSynthesizer::~FluidSynthesizer() { release(); }

void FluidSynthesizer::release() {
  if (synth_) delete_fluid_synth(synth_);
  if (settings_) delete_fluid_settings(settings_);
  synth_ = nullptr;
  settings_ = nullptr;
}

FluidSequencer::~FluidSequencer() { dropPlayer(); }

void FluidSequencer::adopt(std::unique_ptr<FluidSynthesizer> synthesizer) {
  unload();
  synthesizer_ = std::move(synthesizer);
}

bool FluidSequencer::load(std::vector<std::uint8_t> smf) {
  unload();
  if (!synthesizer_) return false;
  piece_ = std::move(smf);
  if (!startPlayer()) {
    piece_.clear();
    return false;
  }
  state_ = State::Ready;
  return true;
}

void FluidSequencer::unload() {
  dropPlayer();
  piece_.clear();
  state_ = State::Empty;
}

bool FluidSequencer::start() {
  if (state_ != State::Ready) return false;
  if (fluid_player_play(player_) != FLUID_OK) return false;
  state_ = State::Playing;
  return true;
}

void FluidSequencer::rewind() {
  if (state_ == State::Empty) return;
  const bool wasPlaying = state_ == State::Playing;
  dropPlayer();
  if (!startPlayer()) {
    unload();
    return;
  }
  state_ = State::Ready;
  if (wasPlaying) start();
}

bool FluidSequencer::render(std::int16_t* out, int frames) {
  if (!synthesizer_) {
    std::fill_n(out, std::size_t(frames) * 2, std::int16_t{0});
    return false;
  }
  fluid_synth_write_s16(synthesizer_->synth(), frames, out, 0, 2, out, 1, 2);
  if (state_ != State::Playing || !pieceOver()) return false;
  state_ = State::Ended;
  return true;
}

// A fresh player at the start of piece_.
bool FluidSequencer::startPlayer() {
  player_ = new_fluid_player(synthesizer_->synth());
  if (!player_) return false;
  // FluidSynth copies the buffer.
  if (fluid_player_add_mem(player_, piece_.data(), piece_.size()) != FLUID_OK) {
    dropPlayer();
    return false;
  }
  return true;
}

void FluidSequencer::dropPlayer() {
  if (!player_) return;
  fluid_player_stop(player_);
  delete_fluid_player(player_);
  player_ = nullptr;
  // A stopped player leaves its notes sounding.
  if (synthesizer_) fluid_synth_all_sounds_off(synthesizer_->synth(), -1);
}

// The piece is over when its last event has been played and its last note has died away.
// FluidSynth's player itself reports the end only some three seconds after the last event;
// that stays the limit for a piece whose notes never die away (a note without its end).
bool FluidSequencer::pieceOver() {
  if (fluid_player_get_status(player_) == FLUID_PLAYER_DONE) return true;
  // Before the player has read the file both ticks are 0; it reads it in the first block
  // rendered after start(), and its clock runs from then on.
  const int tick = fluid_player_get_current_tick(player_);
  return tick > 0 && tick >= fluid_player_get_total_ticks(player_) &&
         fluid_synth_get_active_voice_count(synthesizer_->synth()) == 0;
}

}  // namespace tov::sdl
