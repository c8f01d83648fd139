#pragma once
// A writer of Standard MIDI Files (format 0 or 1), enough for the demo music: tempo, time
// signature and name meta events, program and control changes, notes. Events are given at
// absolute times in ticks and in any order; a track sorts them when it is written. Every
// value is checked against the MIDI standard's limits, so a file that is written is valid.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/errors.h"

namespace tov::midi {

TOV_DECLARE_ERROR(EMidiWrite, Exception);

using Bytes = std::vector<std::uint8_t>;

// A variable-length quantity has at most four bytes of seven bits each.
inline constexpr std::uint32_t kMaxVariableLength = 0x0FFFFFFF;

// Appends value as a variable-length quantity, most significant group first; refuses a
// value above kMaxVariableLength and then leaves out unchanged.
void appendVariableLength(Bytes& out, std::uint32_t value);

class Track {
 public:
  // Meta events; the MIDI standard wants them in the first track of a format 1 file.
  void addName(std::uint32_t tick, const std::string& name);
  void addTempo(std::uint32_t tick, std::uint32_t microsecondsPerQuarter);
  // denominatorPower: the note value of a beat as a power of two (2 for quarters, 3 for
  // eighths); clocksPerClick: MIDI clocks (24 per quarter) per metronome click.
  void addTimeSignature(std::uint32_t tick, int numerator, int denominatorPower,
                        int clocksPerClick);

  void addProgramChange(std::uint32_t tick, int channel, int program);
  void addControlChange(std::uint32_t tick, int channel, int controller, int value);
  // A note sounds from start for duration ticks (at least one). Two notes of the same key on
  // the same channel must not overlap: the first one's note-off would end the second.
  void addNote(std::uint32_t start, std::uint32_t duration, int channel, int key, int velocity);

  // The end-of-track event comes at the last event or at tick, whichever is later; a piece
  // can so end with a rest.
  void setEndTick(std::uint32_t tick) { endTick_ = tick; }

  // The complete "MTrk" chunk. At equal times note-offs come first, then meta and channel
  // settings, then note-ons: a note repeated without a gap is ended before it starts again,
  // and sounds with the instrument set for it.
  Bytes chunk() const;

 private:
  enum class Order { NoteOff, Setting, NoteOn };
  struct Event {
    std::uint32_t tick;
    Order order;
    Bytes data;  // status byte onwards
  };

  void add(std::uint32_t tick, Order order, Bytes data);
  void checkNoOverlaps(const std::vector<Event>& sorted) const;

  std::vector<Event> events_;
  std::uint32_t endTick_ = 0;
};

enum class Format : std::uint16_t { SingleTrack = 0, MultiTrack = 1 };

// The whole file: "MThd" with ticksPerQuarter (1..0x7FFF) and then the tracks. A single-track
// file holds exactly one track; a multi-track one 1 to 0xFFFF.
Bytes writeFile(Format format, int ticksPerQuarter, const std::vector<Track>& tracks);

}  // namespace tov::midi
