#include "music_pieces.h"

#include <array>
#include <deque>
#include <string_view>
#include <utility>

#include "music_score.h"

namespace tov::music {
namespace {

// General MIDI programs, counted from 0: soft, clear sounds that children know.
constexpr int kCelesta = 8;
constexpr int kMusicBox = 10;
constexpr int kVibraphone = 11;
constexpr int kMarimba = 12;
constexpr int kNylonGuitar = 24;
constexpr int kAcousticBass = 32;
constexpr int kPizzicatoStrings = 45;
constexpr int kHarp = 46;
constexpr int kClarinet = 71;
constexpr int kFlute = 73;
constexpr int kRecorder = 74;

struct Meter {
  int numerator;
  int denominatorPower;
  int clocksPerClick;
  std::uint32_t barTicks;
  std::uint32_t beatTicks;  // the counted beat: a quarter, or a dotted quarter in 6/8
};
constexpr Meter kFourFour{4, 2, 24, 4 * kTicksPerQuarter, kTicksPerQuarter};
constexpr Meter kSixEight{6, 3, 36, 3 * kTicksPerQuarter, 3 * kTicksPerQuarter / 2};

// One piece being arranged: a conductor track (name, tempo, metre) and one track per part.
class Arrangement {
 public:
  Arrangement(const std::string& title, Meter meter, int beatsPerMinute) : meter_(meter) {
    midi::Track conductor;
    conductor.addName(0, title);
    conductor.addTempo(0, static_cast<std::uint32_t>(60'000'000ULL * kTicksPerQuarter /
                                                     (beatsPerMinute * meter.beatTicks)));
    conductor.addTimeSignature(0, meter.numerator, meter.denominatorPower,
                               meter.clocksPerClick);
    tracks_.push_back(std::move(conductor));
  }

  Melody melody(std::string_view text) const { return parseMelody(text, meter_.barTicks); }
  std::vector<Chord> chords(std::string_view text) const {
    return parseChords(text, meter_.barTicks);
  }
  std::uint32_t bars(std::uint32_t count) const { return count * meter_.barTicks; }

  midi::Track& part(const std::string& name, const Instrument& instrument) {
    midi::Track& track = tracks_.emplace_back();
    track.addName(0, name);
    setInstrument(track, 0, instrument);
    return track;
  }

  void playMelody(midi::Track& track, const Melody& melody, std::uint32_t offset, int channel,
                  int transpose, int velocity) const {
    addMelody(track, melody, offset, channel, transpose, velocity, meter_.barTicks);
  }

  void accompany(midi::Track& track, const std::vector<Chord>& chords, std::uint32_t offset,
                 int channel, Accompaniment style, int velocity) const {
    addAccompaniment(track, chords, offset, channel, style, meter_.beatTicks, velocity);
  }

  // Every track ends together, one beat after the music, so that the next piece does not
  // follow on the heels of the last note.
  PieceFile finish(const std::string& fileName, std::uint32_t musicEnd) {
    for (midi::Track& track : tracks_) track.setEndTick(musicEnd + meter_.beatTicks);
    return {fileName, midi::writeFile(midi::Format::MultiTrack, kTicksPerQuarter,
                                      {tracks_.begin(), tracks_.end()})};
  }

 private:
  Meter meter_;
  // A deque, because the parts handed out by part() must stay where they are while more
  // parts are added.
  std::deque<midi::Track> tracks_;
};

std::vector<Chord> repeated(const std::vector<Chord>& chords, std::uint32_t period,
                            int times) {
  std::vector<Chord> result;
  for (int i = 0; i < times; ++i)
    for (Chord chord : chords) {
      chord.start += static_cast<std::uint32_t>(i) * period;
      result.push_back(chord);
    }
  return result;
}

// A bright tune of our own, about fifteen seconds, for the first screens.
PieceFile selectionTune() {
  Arrangement piece("Tovaleer", kFourFour, 132);
  const Melody tune = piece.melody(
      "C5e E5e G5e C6e B5q G5q | A5e G5e F5e E5e D5q G4q | E5e G5e C6e E6e D6q C6q | "
      "B5e A5e G5e F5e E5h | F5e A5e C6e A5e G5e E5e C5q | D5e F5e A5e F5e D5q B4q | "
      "D5e E5e F5e G5e A5e B5e C6e D6e | C6q G5q C6h");
  const auto harmony = piece.chords("C | F,G | C | G7,C | F,C | Dm,G | Dm,G7 | C");
  piece.playMelody(piece.part("Marimba", {0, kMarimba, 110}), tune, 0, 0, 0, 96);
  piece.accompany(piece.part("Pizzicato", {1, kPizzicatoStrings, 80}), harmony, 0, 1,
                  Accompaniment::BassAndChord, 70);
  return piece.finish(kSelectionTuneName, tune.length);
}

// "Twinkle, Twinkle, Little Star" (the French "Ah ! vous dirai-je, maman"), twice: on the
// music box, then on the vibraphone, over a harp.
PieceFile twinkle() {
  Arrangement piece("Twinkle, Twinkle, Little Star", kFourFour, 108);
  const Melody tune = piece.melody(
      "C4q C4q G4q G4q | A4q A4q G4h | F4q F4q E4q E4q | D4q D4q C4h | "
      "G4q G4q F4q F4q | E4q E4q D4h | G4q G4q F4q F4q | E4q E4q D4h | "
      "C4q C4q G4q G4q | A4q A4q G4h | F4q F4q E4q E4q | D4q D4q C4h");
  const auto harmony = piece.chords(
      "C | F,C | F,C | G7,C | C,F | C,G | C,F | C,G | C | F,C | F,C | G7,C");
  midi::Track& melody = piece.part("Melody", {0, kMusicBox, 110});
  piece.playMelody(melody, tune, 0, 0, 12, 100);
  melody.addProgramChange(tune.length, 0, kVibraphone);
  piece.playMelody(melody, tune, tune.length, 0, 12, 100);
  piece.accompany(piece.part("Harp", {1, kHarp, 78}), repeated(harmony, tune.length, 2), 0, 1,
                  Accompaniment::Arpeggio, 64);
  return piece.finish("twinkle-twinkle.mid", 2 * tune.length);
}

// "Frère Jacques" as the round it is: the clarinet sings it twice, the flute follows two
// bars later an octave higher, over a bass.
PieceFile frereJacques() {
  Arrangement piece("Frere Jacques", kFourFour, 112);
  const Melody tune = piece.melody(
      "C4q D4q E4q C4q | C4q D4q E4q C4q | E4q F4q G4h | E4q F4q G4h | "
      "G4e A4e G4e F4e E4q C4q | G4e A4e G4e F4e E4q C4q | C4q G3q C4h | C4q G3q C4h");
  const std::uint32_t entry = piece.bars(2);
  midi::Track& leader = piece.part("Clarinet", {0, kClarinet, 100});
  midi::Track& follower = piece.part("Flute", {1, kFlute, 92});
  for (std::uint32_t time = 0; time < 2; ++time) {
    piece.playMelody(leader, tune, time * tune.length, 0, 0, 92);
    piece.playMelody(follower, tune, entry + time * tune.length, 1, 12, 84);
  }
  const std::uint32_t end = entry + 2 * tune.length;
  piece.accompany(piece.part("Bass", {2, kAcousticBass, 90}),
                  repeated(piece.chords("C"), piece.bars(1), static_cast<int>(end / piece.bars(1))),
                  0, 2, Accompaniment::Bass, 76);
  return piece.finish("frere-jacques.mid", end);
}

// The theme of the last movement of Beethoven's Ninth Symphony, "Ode to Joy", on the flute
// with a strummed guitar, which plays one bar alone first.
PieceFile odeToJoy() {
  Arrangement piece("Ode to Joy", kFourFour, 100);
  const Melody tune = piece.melody(
      "E4q E4q F4q G4q | G4q F4q E4q D4q | C4q C4q D4q E4q | E4q. D4e D4h | "
      "E4q E4q F4q G4q | G4q F4q E4q D4q | C4q C4q D4q E4q | D4q. C4e C4h | "
      "D4q D4q E4q C4q | D4q E4e F4e E4q C4q | D4q E4e F4e E4q D4q | C4q D4q G3h | "
      "E4q E4q F4q G4q | G4q F4q E4q D4q | C4q C4q D4q E4q | D4q. C4e C4h");
  const auto harmony = piece.chords(
      "C | C | G | C | C,G | C | G | C | G,C | G,C | G,C | G,C | C,G | C | G | C | G,C");
  const std::uint32_t intro = piece.bars(1);
  piece.playMelody(piece.part("Flute", {0, kFlute, 104}), tune, intro, 0, 12, 96);
  piece.accompany(piece.part("Guitar", {1, kNylonGuitar, 88}), harmony, 0, 1,
                  Accompaniment::Strum, 72);
  return piece.finish("ode-to-joy.mid", intro + tune.length);
}

// "Au clair de la lune", the French folk song, on the recorder over a guitar.
PieceFile auClairDeLaLune() {
  Arrangement piece("Au clair de la lune", kFourFour, 96);
  const Melody tune = piece.melody(
      "C4q C4q C4q D4q | E4h D4h | C4q E4q D4q D4q | C4w | "
      "C4q C4q C4q D4q | E4h D4h | C4q E4q D4q D4q | C4w | "
      "D4q D4q D4q D4q | A3h A3h | D4q C4q B3q A3q | G3w | "
      "C4q C4q C4q D4q | E4h D4h | C4q E4q D4q D4q | C4w");
  const auto harmony = piece.chords(
      "C | C,G | C,G | C | C | C,G | C,G | C | G | D7 | G | G7 | C | C,G | C,G | C");
  piece.playMelody(piece.part("Recorder", {0, kRecorder, 100}), tune, 0, 0, 12, 92);
  piece.accompany(piece.part("Guitar", {1, kNylonGuitar, 86}), harmony, 0, 1,
                  Accompaniment::BassAndChord, 70);
  return piece.finish("au-clair-de-la-lune.mid", tune.length);
}

// "Row, Row, Row Your Boat" as a round of three: marimba, then celesta and flute, each two
// bars later and each twice, over a bass.
PieceFile rowYourBoat() {
  Arrangement piece("Row, Row, Row Your Boat", kSixEight, 66);
  const Melody tune = piece.melody(
      "C4q. C4q. | C4q D4e E4q. | E4q D4e E4q F4e | G4h. | "
      "C5e C5e C5e G4e G4e G4e | E4e E4e E4e C4e C4e C4e | G4q F4e E4q D4e | C4h.");
  const std::array<std::pair<const char*, Instrument>, 3> voices{{
      {"Marimba", {0, kMarimba, 108}},
      {"Celesta", {1, kCelesta, 96}},
      {"Flute", {2, kFlute, 84}},
  }};
  const std::uint32_t entry = piece.bars(2);
  for (std::uint32_t voice = 0; voice < voices.size(); ++voice) {
    midi::Track& track = piece.part(voices[voice].first, voices[voice].second);
    for (std::uint32_t time = 0; time < 2; ++time)
      piece.playMelody(track, tune, voice * entry + time * tune.length,
                       voices[voice].second.channel, 12, 90);
  }
  const std::uint32_t end = 2 * entry + 2 * tune.length;
  piece.accompany(piece.part("Bass", {3, kAcousticBass, 88}),
                  repeated(piece.chords("C"), piece.bars(1), static_cast<int>(end / piece.bars(1))),
                  0, 3, Accompaniment::Bass, 74);
  return piece.finish("row-your-boat.mid", end);
}

}  // namespace

std::vector<PieceFile> composeDemoPieces() {
  return {selectionTune(), twinkle(), frereJacques(), odeToJoy(), auClairDeLaLune(),
          rowYourBoat()};
}

}  // namespace tov::music
