#include "midi_writer.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <set>
#include <tuple>

#include "midi_reader.h"

namespace tov::midi {
namespace {

using test::MidiEvent;
using test::readMidiFile;

TEST(MidiWriter, VariableLengthQuantitiesAtEveryGroupBoundary) {
  const struct {
    std::uint32_t value;
    Bytes encoded;
  } cases[] = {
      {0, {0x00}},
      {0x7F, {0x7F}},
      {0x80, {0x81, 0x00}},
      {0x2000, {0xC0, 0x00}},
      {0x3FFF, {0xFF, 0x7F}},
      {0x4000, {0x81, 0x80, 0x00}},
      {0x1FFFFF, {0xFF, 0xFF, 0x7F}},
      {0x200000, {0x81, 0x80, 0x80, 0x00}},
      {0x0FFFFFFF, {0xFF, 0xFF, 0xFF, 0x7F}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value);
    Bytes out{0xAA};  // appending keeps what is there
    appendVariableLength(out, c.value);
    Bytes expected{0xAA};
    expected.insert(expected.end(), c.encoded.begin(), c.encoded.end());
    EXPECT_EQ(out, expected);
    std::size_t at = 1;
    EXPECT_EQ(test::readVariableLength(out, at), c.value);
    EXPECT_EQ(at, out.size());
  }
}

TEST(MidiWriter, RefusesQuantitiesBeyondFourGroups) {
  for (std::uint32_t value : {0x10000000u, 0xFFFFFFFFu}) {
    Bytes out{0x01};
    EXPECT_THROW(appendVariableLength(out, value), EMidiWrite) << value;
    EXPECT_EQ(out, Bytes{0x01});
  }
}

TEST(MidiWriter, MultiTrackFileReadsBackWithItsHeaderAndEvents) {
  Track conductor;
  conductor.addName(0, "Tune");
  conductor.addTempo(0, 500000);
  conductor.addTimeSignature(0, 6, 3, 36);
  Track part;
  part.addNote(0, 240, 2, 60, 90);
  part.addProgramChange(0, 2, 12);  // given after the note, must still come before it
  part.setEndTick(960);

  const test::MidiFile file = readMidiFile(writeFile(Format::MultiTrack, 480, {conductor, part}));
  EXPECT_EQ(file.format, 1);
  EXPECT_EQ(file.division, 480);
  ASSERT_EQ(file.tracks.size(), 2u);

  ASSERT_EQ(file.tracks[0].size(), 3u);
  EXPECT_EQ(file.tracks[0][0].metaType, 0x03);
  EXPECT_EQ(file.tracks[0][0].data, (Bytes{'T', 'u', 'n', 'e'}));
  EXPECT_EQ(file.tracks[0][1].metaType, 0x51);
  EXPECT_EQ(file.tracks[0][1].data, (Bytes{0x07, 0xA1, 0x20}));
  EXPECT_EQ(file.tracks[0][2].metaType, 0x58);
  EXPECT_EQ(file.tracks[0][2].data, (Bytes{6, 3, 36, 8}));
  EXPECT_EQ(file.trackEnds[0], 0u);

  ASSERT_EQ(file.tracks[1].size(), 3u);
  EXPECT_EQ(file.tracks[1][0].status, 0xC2);
  EXPECT_EQ(file.tracks[1][0].data, Bytes{12});
  EXPECT_EQ(file.tracks[1][1].status, 0x92);
  EXPECT_EQ(file.tracks[1][1].data, (Bytes{60, 90}));
  EXPECT_EQ(file.tracks[1][2].status, 0x82);
  EXPECT_EQ(file.tracks[1][2].tick, 240u);
  EXPECT_EQ(file.trackEnds[1], 960u);
}

TEST(MidiWriter, EndOfTrackNeverComesBeforeTheLastEvent) {
  Track track;
  track.addNote(100, 400, 0, 64, 80);
  track.setEndTick(200);
  EXPECT_EQ(readMidiFile(writeFile(Format::SingleTrack, 96, {track})).trackEnds[0], 500u);
}

// Every note-on is closed by a note-off of its channel and key, after exactly its duration,
// and a note repeated without a gap is closed before it sounds again.
TEST(MidiWriter, NotesPairUpWithTheirOffs) {
  const std::tuple<std::uint32_t, std::uint32_t, int, int> notes[] = {
      {480, 480, 0, 60}, {0, 480, 0, 60},    // the same key again without a gap, given first
      {0, 960, 0, 64},   {0, 960, 0, 67},    // a chord
      {240, 120, 5, 60},                     // the same key on another channel overlaps
      {960, 1, 15, 127},                     // the shortest note, highest channel and key
  };
  Track track;
  for (const auto& [start, duration, channel, key] : notes)
    track.addNote(start, duration, channel, key, 100);
  const test::MidiFile file = readMidiFile(writeFile(Format::SingleTrack, 480, {track}));
  ASSERT_EQ(file.format, 0);

  std::map<std::pair<int, int>, std::uint32_t> sounding;  // (channel, key) -> start
  std::multiset<std::tuple<std::uint32_t, std::uint32_t, int, int>> heard;
  for (const MidiEvent& event : file.tracks[0]) {
    const int channel = event.status & 0x0F;
    const std::pair<int, int> note{channel, event.data[0]};
    if ((event.status & 0xF0) == 0x90) {
      ASSERT_EQ(sounding.count(note), 0u) << "note-on over a sounding note at " << event.tick;
      sounding[note] = event.tick;
    } else {
      ASSERT_EQ(event.status & 0xF0, 0x80);
      ASSERT_EQ(sounding.count(note), 1u) << "note-off without a note at " << event.tick;
      heard.insert({sounding[note], event.tick - sounding[note], channel, event.data[0]});
      sounding.erase(note);
    }
  }
  EXPECT_TRUE(sounding.empty());
  EXPECT_EQ(heard, (std::multiset<std::tuple<std::uint32_t, std::uint32_t, int, int>>(
                       std::begin(notes), std::end(notes))));
}

TEST(MidiWriter, RefusesWhatTheStandardCannotHold) {
  const std::pair<const char*, std::function<void()>> cases[] = {
      {"channel 16", [] { Track().addNote(0, 10, 16, 60, 100); }},
      {"key 128", [] { Track().addNote(0, 10, 0, 128, 100); }},
      {"velocity 0, which means note-off", [] { Track().addNote(0, 10, 0, 60, 0); }},
      {"velocity 128", [] { Track().addNote(0, 10, 0, 60, 128); }},
      {"a note of no length", [] { Track().addNote(0, 0, 0, 60, 100); }},
      {"a note ending after the last tick", [] { Track().addNote(0xFFFFFFF0u, 0x20, 0, 60, 100); }},
      {"program 128", [] { Track().addProgramChange(0, 0, 128); }},
      {"controller value 128", [] { Track().addControlChange(0, 0, 7, 128); }},
      {"tempo 0", [] { Track().addTempo(0, 0); }},
      {"tempo beyond three bytes", [] { Track().addTempo(0, 0x1000000); }},
      {"overlapping notes of one key and channel",
       [] {
         Track track;
         track.addNote(0, 480, 3, 60, 100);
         track.addNote(240, 480, 3, 60, 100);
         track.chunk();
       }},
      {"a gap too long for a delta time",
       [] {
         Track track;
         track.addProgramChange(0x10000000, 0, 1);
         track.chunk();
       }},
      {"two tracks in a single-track file",
       [] { writeFile(Format::SingleTrack, 480, {Track(), Track()}); }},
      {"no track", [] { writeFile(Format::MultiTrack, 480, {}); }},
      {"division 0", [] { writeFile(Format::MultiTrack, 0, {Track()}); }},
      {"division with the time-code bit", [] { writeFile(Format::MultiTrack, 0x8000, {Track()}); }},
  };
  for (const auto& [what, write] : cases) EXPECT_THROW(write(), EMidiWrite) << what;
}

}  // namespace
}  // namespace tov::midi
