#pragma once
// MIDI pieces played by one FluidSynth synthesizer that keeps its sound font loaded for its
// whole life. Loading a sound font means parsing it (more than 10 ms for a 6 MB General
// MIDI font even when FluidSynth's sample cache already holds its samples), so one
// synthesizer for every piece is what makes a new piece cost only its own small file.

#include <fluidsynth.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tov::sdl {

// A synthesizer and its sound font.
class FluidSynthesizer {
 public:
  // Renders at sampleRate. Throws EMCIDeviceError when the sound font cannot be loaded.
  FluidSynthesizer(const std::string& soundFont, int sampleRate);
  ~FluidSynthesizer();
  FluidSynthesizer(const FluidSynthesizer&) = delete;
  FluidSynthesizer& operator=(const FluidSynthesizer&) = delete;

  fluid_synth_t* synth() const { return synth_; }

 private:
  void release();

  fluid_settings_t* settings_ = nullptr;
  fluid_synth_t* synth_ = nullptr;
};

// One piece at a time on a synthesizer. Not synchronized: its owner serializes every call
// with the render() of the audio thread.
class FluidSequencer {
 public:
  enum class State { Empty, Ready, Playing, Ended };

  FluidSequencer() = default;
  ~FluidSequencer();
  FluidSequencer(const FluidSequencer&) = delete;
  FluidSequencer& operator=(const FluidSequencer&) = delete;

  bool hasSynthesizer() const { return synthesizer_ != nullptr; }
  void adopt(std::unique_ptr<FluidSynthesizer> synthesizer);

  State state() const { return state_; }
  // Replaces the piece with smf (a checked Standard MIDI File), Ready at its start. False
  // when the synthesizer refuses it; then there is no piece.
  bool load(std::vector<std::uint8_t> smf);
  // No piece any more; its notes stop at once.
  void unload();
  // Ready -> Playing. False when FluidSynth cannot start it.
  bool start();
  // Back to the start of the piece, playing on when it was playing; an ended piece is Ready.
  void rewind();

  // Writes frames of interleaved 16-bit stereo to out: the piece and the tails of its
  // notes, silence without a synthesizer. True when the playing piece ended in them.
  bool render(std::int16_t* out, int frames);

 private:
  bool startPlayer();
  void dropPlayer();
  bool pieceOver();

  std::unique_ptr<FluidSynthesizer> synthesizer_;
  fluid_player_t* player_ = nullptr;
  std::vector<std::uint8_t> piece_;  // kept for rewind(): a player cannot go back once done
  State state_ = State::Empty;
};

}  // namespace tov::sdl
