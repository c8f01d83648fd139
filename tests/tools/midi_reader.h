#pragma once
// Reads Standard MIDI Files back for the tests, strictly: every chunk length must match what
// its contents take, every track must end with exactly one end-of-track event, and running
// status (which our writer never uses) is refused. Throws std::runtime_error saying what
// is wrong.

#include <cstdint>
#include <vector>

namespace tov::test {

struct MidiEvent {
  std::uint32_t tick;  // absolute
  std::uint8_t status;
  std::uint8_t metaType;  // meta events only
  std::vector<std::uint8_t> data;  // channel events: the data bytes; meta: the payload
};

struct MidiFile {
  int format = 0;
  int division = 0;
  std::vector<std::vector<MidiEvent>> tracks;  // end-of-track events left out
  std::vector<std::uint32_t> trackEnds;        // tick of each end-of-track
};

std::uint32_t readVariableLength(const std::vector<std::uint8_t>& bytes, std::size_t& at);
MidiFile readMidiFile(const std::vector<std::uint8_t>& bytes);

}  // namespace tov::test
