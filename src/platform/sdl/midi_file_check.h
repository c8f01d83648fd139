#pragma once
// A look at a Standard MIDI File (the MIDI standard's file format) before it is handed to
// the synthesizer, whose player accepts anything and then plays nothing: a file it cannot
// play must fail at open, as the sequencer device of the original platform did.

#include <cstddef>
#include <cstdint>
#include <span>

namespace tov::sdl {

// MIDI files are small; a larger file is not one.
inline constexpr std::size_t kMaxMidiFileBytes = 16u << 20;

// True when data is a Standard MIDI File that FluidSynth's player can play: an "MThd"
// header of format 0, 1 or 2 with at least one track and a division in ticks per quarter
// note (SMPTE time is not played), followed by as many "MTrk" chunks as the header
// announces, each lying wholly inside the data. Other chunks between them are skipped.
bool isPlayableMidiFile(std::span<const std::uint8_t> data);

}  // namespace tov::sdl
