#pragma once
// A small written form of melodies and chord progressions, and the arranging of them into
// MIDI tracks, so that the demo tunes read like a lead sheet.
//
// Melody: tokens separated by spaces. A note is a letter C D E F G A B, an optional # or b,
// an octave digit (C4 is middle C, key 60), and a length: w whole, h half, q quarter,
// e eighth, s sixteenth, optionally dotted ("q." is a dotted quarter). "r" and a length is a
// rest. "|" is a bar line and must fall on a bar boundary, which catches a miscounted bar.
// Chords: one token per bar ("|" may separate them too); a bar with more chords lists them
// with commas and they share the bar evenly. A chord is a root (C, F#, Bb...) and "", "m" or
// "7".

#include <cstdint>
#include <string_view>
#include <vector>

#include "midi_writer.h"

namespace tov::music {

inline constexpr std::uint32_t kTicksPerQuarter = 480;

struct ScoreNote {
  std::uint32_t start;   // ticks from the melody's beginning
  std::uint32_t length;  // written length in ticks
  int key;
};

struct Melody {
  std::vector<ScoreNote> notes;
  std::uint32_t length = 0;  // ticks, rests included
};

struct Chord {
  std::uint32_t start;
  std::uint32_t length;
  int root;                    // pitch class, 0 = C
  std::vector<int> intervals;  // semitones above the root, the root's 0 included
};

// Both throw EScore on anything they cannot read, naming the token.
Melody parseMelody(std::string_view text, std::uint32_t barTicks);
std::vector<Chord> parseChords(std::string_view text, std::uint32_t barTicks);

struct Instrument {
  int channel;
  int program;  // General MIDI, counted from 0
  int volume;   // channel volume, 0..127
};

// Sets the instrument, its volume and a little reverb at tick.
void setInstrument(midi::Track& track, std::uint32_t tick, const Instrument& instrument);

// Plays the melody from offset, transposed by semitones, with the first beat of every bar
// a little stronger.
void addMelody(midi::Track& track, const Melody& melody, std::uint32_t offset, int channel,
               int transpose, int velocity, std::uint32_t barTicks);

enum class Accompaniment {
  BassAndChord,  // bass on the strong beats, root then fifth; the chord between them
  Bass,          // root and fifth, two beats each
  Arpeggio,      // the chord broken in eighths, as on a harp
  Strum,         // the chord on every beat over a bass note, strung out like a guitar's
};

// beatTicks: the length of one beat (a quarter in 4/4, a dotted quarter in 6/8).
void addAccompaniment(midi::Track& track, const std::vector<Chord>& chords,
                      std::uint32_t offset, int channel, Accompaniment style,
                      std::uint32_t beatTicks, int velocity);

TOV_DECLARE_ERROR(EScore, Exception);

}  // namespace tov::music
