#include "support/midi_file.h"

#include <algorithm>
#include <fstream>

namespace tov::test {

namespace {
struct Event {
  int tick;
  bool on;
  int key;
  int velocity;
};

void putVariableLength(std::vector<std::uint8_t>& out, std::uint32_t value) {
  std::uint8_t groups[5];
  int count = 0;
  groups[count++] = value & 0x7f;
  while (value >>= 7) groups[count++] = 0x80 | (value & 0x7f);
  while (count) out.push_back(groups[--count]);
}

void putBigEndian(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes) {
  for (int shift = 8 * (bytes - 1); shift >= 0; shift -= 8) out.push_back(value >> shift & 0xff);
}
}  // namespace

std::vector<std::uint8_t> midiFile(const std::vector<MidiNote>& notes, int program) {
  std::vector<Event> events;
  for (const MidiNote& note : notes) {
    events.push_back({note.startMs, true, note.key, note.velocity});
    events.push_back({note.startMs + note.lengthMs, false, note.key, 0});
  }
  // At the same tick a note ends before the next one begins.
  std::stable_sort(events.begin(), events.end(), [](const Event& a, const Event& b) {
    return a.tick != b.tick ? a.tick < b.tick : (!a.on && b.on);
  });

  std::vector<std::uint8_t> track;
  putVariableLength(track, 0);
  track.insert(track.end(), {0xff, 0x51, 0x03});  // tempo: 1 000 000 microseconds a quarter
  putBigEndian(track, 1000000, 3);
  putVariableLength(track, 0);
  track.insert(track.end(), {0xc0, std::uint8_t(program)});
  int now = 0;
  for (const Event& event : events) {
    putVariableLength(track, std::uint32_t(event.tick - now));
    now = event.tick;
    track.insert(track.end(), {std::uint8_t(event.on ? 0x90 : 0x80), std::uint8_t(event.key),
                               std::uint8_t(event.velocity)});
  }
  putVariableLength(track, 0);
  track.insert(track.end(), {0xff, 0x2f, 0x00});  // end of track

  std::vector<std::uint8_t> file = {'M', 'T', 'h', 'd'};
  putBigEndian(file, 6, 4);
  putBigEndian(file, 0, 2);     // format 0
  putBigEndian(file, 1, 2);     // one track
  putBigEndian(file, 1000, 2);  // ticks per quarter note
  file.insert(file.end(), {'M', 'T', 'r', 'k'});
  putBigEndian(file, std::uint32_t(track.size()), 4);
  file.insert(file.end(), track.begin(), track.end());
  return file;
}

std::vector<MidiNote> risingNotes(int count, int noteMs) {
  std::vector<MidiNote> notes;
  for (int i = 0; i < count; ++i) notes.push_back({60 + i % 24, i * noteMs, noteMs});
  return notes;
}

bool writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  return bool(out);
}

}  // namespace tov::test
