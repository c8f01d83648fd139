#pragma once
// Standard MIDI Files (the MIDI standard's file format) made up for tests and benchmarks:
// short pieces whose length is known to the millisecond.

#include <cstdint>
#include <string>
#include <vector>

namespace tov::test {

struct MidiNote {
  int key;       // 0..127; 60 is middle C
  int startMs;
  int lengthMs;
  int velocity = 100;
};

// A format 0 file whose tick is one millisecond (1000 ticks per quarter note at 60 beats per
// minute): the General MIDI program on channel 1, then the notes.
std::vector<std::uint8_t> midiFile(const std::vector<MidiNote>& notes, int program = 0);

// count notes of noteMs each, one after another, going up from middle C.
std::vector<MidiNote> risingNotes(int count, int noteMs);

// Writes bytes to path; false when it cannot.
bool writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes);

}  // namespace tov::test
