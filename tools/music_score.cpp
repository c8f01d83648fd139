#include "music_score.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string>

namespace tov::music {
namespace {

constexpr int kMiddleOctaveKey = 12;  // key of C0; C4 = 60
// Accompaniment registers: the bass below the chords, so that a bass note and a chord
// note of the same key never overlap on their shared channel.
constexpr int kBassC = 36;          // C2: bass notes lie in C2..B2
constexpr int kGuitarLowE = 40;     // E2: a guitar's bass lies in E2..E3
constexpr int kGuitarBassTop = 52;
constexpr int kLowestChordKey = 53; // F3: chords are voiced from F3 upwards
constexpr int kHarpC = 48;          // C3: arpeggios start from C3..B3
constexpr int kReverbController = 91;
constexpr int kVolumeController = 7;
constexpr int kGentleReverb = 40;
constexpr int kDownbeatAccent = 10;
constexpr std::uint32_t kStrumSpread = 12;  // ticks between the strings of a strum

std::vector<std::string_view> tokens(std::string_view text) {
  std::vector<std::string_view> result;
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t begin = text.find_first_not_of(" \t\n", at);
    if (begin == std::string_view::npos) break;
    const std::size_t end = std::min(text.find_first_of(" \t\n", begin), text.size());
    result.push_back(text.substr(begin, end - begin));
    at = end;
  }
  return result;
}

[[noreturn]] void unreadable(std::string_view token) {
  throw EScore(ErrorCode::ScoreNotationInvalid, std::string(token));
}

// Reads a note letter and an optional accidental from the front of token.
std::optional<int> pitchClass(std::string_view& token) {
  static constexpr std::array<int, 7> kFromA{9, 11, 0, 2, 4, 5, 7};
  if (token.empty() || token[0] < 'A' || token[0] > 'G') return std::nullopt;
  int semitone = kFromA[static_cast<std::size_t>(token[0] - 'A')];
  token.remove_prefix(1);
  if (!token.empty() && (token[0] == '#' || token[0] == 'b')) {
    semitone += token[0] == '#' ? 1 : -1;
    token.remove_prefix(1);
  }
  return (semitone + 12) % 12;
}

std::optional<std::uint32_t> noteLength(std::string_view text) {
  static constexpr std::string_view kLetters = "whqes";
  if (text.empty() || text.size() > 2) return std::nullopt;
  const std::size_t index = kLetters.find(text[0]);
  if (index == std::string_view::npos) return std::nullopt;
  const std::uint32_t plain = kTicksPerQuarter * 4 >> index;
  if (text.size() == 1) return plain;
  if (text[1] != '.') return std::nullopt;
  return plain + plain / 2;
}

std::vector<int> chordIntervals(std::string_view quality) {
  if (quality.empty()) return {0, 4, 7};
  if (quality == "m") return {0, 3, 7};
  if (quality == "7") return {0, 4, 7, 10};
  return {};
}

std::uint32_t advance(std::uint32_t position, std::uint32_t length, std::string_view token) {
  if (length > midi::kMaxVariableLength - position) unreadable(token);
  return position + length;
}

std::uint32_t fraction(std::uint32_t ticks, int percent) {
  return std::max<std::uint32_t>(1, ticks * static_cast<std::uint32_t>(percent) / 100);
}

int bassKey(int root) { return kBassC + root; }
int bassFifth(int root) { return kBassC + (root + 7) % 12; }
int guitarBassKey(int root) { return kGuitarLowE + (root + 12 - 4) % 12; }
int guitarFifth(int root) {
  const int fifth = guitarBassKey(root) + 7;
  return fifth <= kGuitarBassTop ? fifth : fifth - 12;
}

std::vector<int> chordKeys(const Chord& chord) {
  int base = kHarpC + chord.root;
  if (base < kLowestChordKey) base += 12;
  std::vector<int> keys;
  for (int interval : chord.intervals) keys.push_back(base + interval);
  return keys;
}

void addChordNotes(midi::Track& track, const Chord& chord, std::uint32_t tick,
                   std::uint32_t length, int channel, int velocity, std::uint32_t spread) {
  std::uint32_t delay = 0;
  for (int key : chordKeys(chord)) {
    track.addNote(tick + delay, length - delay, channel, key, velocity);
    delay += spread;
  }
}

void accompanyChord(midi::Track& track, const Chord& chord, std::uint32_t at, int channel,
                    Accompaniment style, std::uint32_t beat, int velocity) {
  const int accented = std::min(127, velocity + kDownbeatAccent / 2);
  switch (style) {
    case Accompaniment::BassAndChord:
      for (std::uint32_t i = 0; (i + 1) * beat <= chord.length; ++i) {
        const std::uint32_t tick = at + i * beat;
        if (i % 2 == 1)
          addChordNotes(track, chord, tick, fraction(beat, 80), channel, velocity, 0);
        else
          track.addNote(tick, fraction(beat, 90), channel,
                        i % 4 == 0 ? bassKey(chord.root) : bassFifth(chord.root),
                        i == 0 ? accented : velocity);
      }
      break;
    case Accompaniment::Bass:
      for (std::uint32_t i = 0; (i + 2) * beat <= chord.length; i += 2)
        track.addNote(at + i * beat, fraction(2 * beat, 90), channel,
                      i % 4 == 0 ? bassKey(chord.root) : bassFifth(chord.root),
                      i == 0 ? accented : velocity);
      break;
    case Accompaniment::Arpeggio: {
      const std::array<int, 6> pattern{0, 7, 12, chord.intervals[1] + 12, 12, 7};
      const std::uint32_t step = kTicksPerQuarter / 2;
      for (std::uint32_t i = 0; (i + 1) * step <= chord.length; ++i)
        track.addNote(at + i * step, fraction(step, 95), channel,
                      kHarpC + chord.root + pattern[i % pattern.size()],
                      i == 0 ? accented : velocity);
      break;
    }
    case Accompaniment::Strum:
      for (std::uint32_t i = 0; (i + 1) * beat <= chord.length; ++i) {
        const std::uint32_t tick = at + i * beat;
        track.addNote(tick, fraction(beat, 90), channel,
                      i % 2 == 0 ? guitarBassKey(chord.root) : guitarFifth(chord.root),
                      i == 0 ? accented : velocity);
        addChordNotes(track, chord, tick + kStrumSpread, fraction(beat, 85), channel,
                      velocity - 8, kStrumSpread);
      }
      break;
  }
}

}  // namespace

Melody parseMelody(std::string_view text, std::uint32_t barTicks) {
  Melody melody;
  for (std::string_view token : tokens(text)) {
    if (token == "|") {
      if (melody.length % barTicks != 0) unreadable("| after a bar of the wrong length");
      continue;
    }
    std::string_view rest = token;
    const std::optional<int> semitone = pitchClass(rest);
    int key = -1;
    if (semitone) {
      if (rest.empty() || rest[0] < '0' || rest[0] > '9') unreadable(token);
      key = kMiddleOctaveKey * (rest[0] - '0' + 1) + *semitone;
      // B#, Cb: the accidental moves the note across the octave boundary.
      if (token[0] == 'C' && *semitone == 11) key -= 12;
      if (token[0] == 'B' && *semitone == 0) key += 12;
      rest.remove_prefix(1);
    } else if (!rest.empty() && rest[0] == 'r') {
      rest.remove_prefix(1);
    } else {
      unreadable(token);
    }
    const std::optional<std::uint32_t> length = noteLength(rest);
    if (!length || key > 127) unreadable(token);
    if (key >= 0) melody.notes.push_back({melody.length, *length, key});
    melody.length = advance(melody.length, *length, token);
  }
  return melody;
}

std::vector<Chord> parseChords(std::string_view text, std::uint32_t barTicks) {
  std::vector<Chord> chords;
  std::uint32_t bar = 0;
  for (std::string_view token : tokens(text)) {
    if (token == "|") continue;
    std::vector<std::string_view> names;
    for (std::size_t begin = 0; begin <= token.size();) {
      const std::size_t comma = std::min(token.find(',', begin), token.size());
      names.push_back(token.substr(begin, comma - begin));
      begin = comma + 1;
    }
    if (barTicks % names.size() != 0) unreadable(token);
    const auto share = static_cast<std::uint32_t>(barTicks / names.size());
    std::uint32_t start = bar;
    for (std::string_view name : names) {
      std::string_view quality = name;
      const std::optional<int> root = pitchClass(quality);
      std::vector<int> intervals = chordIntervals(quality);
      if (!root || intervals.empty()) unreadable(token);
      chords.push_back({start, share, *root, std::move(intervals)});
      start += share;
    }
    bar = advance(bar, barTicks, token);
  }
  return chords;
}

void setInstrument(midi::Track& track, std::uint32_t tick, const Instrument& instrument) {
  track.addProgramChange(tick, instrument.channel, instrument.program);
  track.addControlChange(tick, instrument.channel, kVolumeController, instrument.volume);
  track.addControlChange(tick, instrument.channel, kReverbController, kGentleReverb);
}

void addMelody(midi::Track& track, const Melody& melody, std::uint32_t offset, int channel,
               int transpose, int velocity, std::uint32_t barTicks) {
  for (const ScoreNote& note : melody.notes) {
    const bool downbeat = note.start % barTicks == 0;
    // A short breath after every note keeps repeated notes apart.
    track.addNote(offset + note.start, note.length - note.length / 16, channel,
                  note.key + transpose,
                  downbeat ? std::min(127, velocity + kDownbeatAccent) : velocity);
  }
}

void addAccompaniment(midi::Track& track, const std::vector<Chord>& chords,
                      std::uint32_t offset, int channel, Accompaniment style,
                      std::uint32_t beatTicks, int velocity) {
  for (const Chord& chord : chords)
    accompanyChord(track, chord, offset + chord.start, channel, style, beatTicks, velocity);
}

}  // namespace tov::music
