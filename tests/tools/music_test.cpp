#include <gtest/gtest.h>

#include <set>
#include <string>

#include "midi_reader.h"
#include "music_pieces.h"
#include "music_score.h"

namespace tov::music {
namespace {

constexpr std::uint32_t kBar = 4 * kTicksPerQuarter;

TEST(MusicScore, ReadsPitchesLengthsAndRests) {
  const struct {
    const char* text;
    int key;
    std::uint32_t start, length;
  } cases[] = {
      {"C4q", 60, 0, 480},    {"A4w", 69, 0, 1920},  {"F#3e.", 54, 0, 360},
      {"Bb4h", 70, 0, 960},   {"Cb4q", 59, 0, 480},  {"B#3q", 60, 0, 480},
      {"rq C5s", 72, 480, 120}, {"G9s", 127, 0, 120},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const Melody melody = parseMelody(c.text, kBar);
    ASSERT_EQ(melody.notes.size(), 1u);
    EXPECT_EQ(melody.notes[0].key, c.key);
    EXPECT_EQ(melody.notes[0].start, c.start);
    EXPECT_EQ(melody.notes[0].length, c.length);
    EXPECT_EQ(melody.length, c.start + c.length);
  }
}

TEST(MusicScore, RefusesWhatItCannotRead) {
  for (const char* text : {"H4q", "C4x", "C4", "Cq", "C4q..", "G#9q", "rx",
                           "C4q | C4q",          // a bar line inside a bar
                           "C4h C4q. C4q. |"}) {  // a bar that is too long
    EXPECT_THROW(parseMelody(text, kBar), EScore) << text;
  }
  for (const char* text : {"H", "Cmaj7", "C,", "C,D,E,F,G,A,B"})
    EXPECT_THROW(parseChords(text, 3 * kTicksPerQuarter), EScore) << text;
}

TEST(MusicScore, ChordsShareTheirBar) {
  const std::vector<Chord> chords = parseChords("C | F,G7 | Am", kBar);
  ASSERT_EQ(chords.size(), 4u);
  const struct {
    std::uint32_t start, length;
    int root;
    std::vector<int> intervals;
  } expected[] = {{0, 1920, 0, {0, 4, 7}},
                  {1920, 960, 5, {0, 4, 7}},
                  {2880, 960, 7, {0, 4, 7, 10}},
                  {3840, 1920, 9, {0, 3, 7}}};
  for (std::size_t i = 0; i < chords.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(chords[i].start, expected[i].start);
    EXPECT_EQ(chords[i].length, expected[i].length);
    EXPECT_EQ(chords[i].root, expected[i].root);
    EXPECT_EQ(chords[i].intervals, expected[i].intervals);
  }
}

// Playing time of a file whose tempo is set once, at its start, as ours are.
double seconds(const test::MidiFile& file) {
  std::uint32_t microsecondsPerQuarter = 500000;
  std::uint32_t end = 0;
  for (std::size_t t = 0; t < file.tracks.size(); ++t) {
    end = std::max(end, file.trackEnds[t]);
    for (const test::MidiEvent& event : file.tracks[t])
      if (event.status == 0xFF && event.metaType == 0x51)
        microsecondsPerQuarter = event.data[0] << 16 | event.data[1] << 8 | event.data[2];
  }
  return static_cast<double>(end) / file.division * microsecondsPerQuarter / 1e6;
}

// Every piece is a valid file of the length the menu wants: the selection tune short,
// the others long enough to be worth a random pick; every channel has its instrument
// before its first note, and every instrument set is heard.
TEST(DemoMusic, PiecesAreCompleteFilesOfTheirLength) {
  const std::vector<PieceFile> pieces = composeDemoPieces();
  ASSERT_GE(pieces.size(), 5u);
  EXPECT_EQ(pieces[0].fileName, kSelectionTuneName);
  for (const PieceFile& piece : pieces) {
    SCOPED_TRACE(piece.fileName);
    EXPECT_TRUE(piece.fileName.ends_with(".mid"));
    test::MidiFile file;
    ASSERT_NO_THROW(file = test::readMidiFile(piece.bytes));
    const double length = seconds(file);
    if (piece.fileName == kSelectionTuneName) {
      EXPECT_GE(length, 10.0);
      EXPECT_LE(length, 20.0);
    } else {
      EXPECT_GE(length, 30.0);
      EXPECT_LE(length, 60.0);
    }
    // Each part's track holds its own instrument setting, so track order is time order here.
    std::set<int> instrumented, sounding;
    for (const auto& track : file.tracks)
      for (const test::MidiEvent& event : track) {
        const int channel = event.status & 0x0F;
        if ((event.status & 0xF0) == 0xC0 && !sounding.contains(channel))
          instrumented.insert(channel);
        if ((event.status & 0xF0) == 0x90) sounding.insert(channel);
      }
    EXPECT_EQ(instrumented, sounding);
    EXPECT_FALSE(sounding.contains(9)) << "channel 10 is the drum kit";
    EXPECT_GE(sounding.size(), 2u) << "a tune and its accompaniment";
  }
}

}  // namespace
}  // namespace tov::music
