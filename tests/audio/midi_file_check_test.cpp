#include "platform/sdl/midi_file_check.h"

#include <gtest/gtest.h>

#include "support/midi_file.h"

namespace tov::sdl {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes piece() { return test::midiFile(test::risingNotes(3, 100)); }

Bytes changed(Bytes file, std::size_t at, std::initializer_list<std::uint8_t> values) {
  for (std::uint8_t value : values) file[at++] = value;
  return file;
}

Bytes cut(Bytes file, std::size_t size) {
  file.resize(size);
  return file;
}

// A second track in a format 1 file, after a chunk of a kind the file format lets readers skip.
Bytes twoTracksWithAnUnknownChunk() {
  Bytes file = changed(piece(), 8, {0, 1, 0, 2});
  const Bytes track(file.begin() + 14, file.end());
  file.insert(file.end(), {'X', 'y', 'z', 'w', 0, 0, 0, 2, 7, 7});
  file.insert(file.end(), track.begin(), track.end());
  return file;
}

TEST(IsPlayableMidiFile, AcceptsWhatFluidSynthPlaysAndNothingElse) {
  const std::size_t size = piece().size();
  const struct {
    const char* name;
    Bytes file;
    bool playable;
  } cases[] = {
      {"a format 0 piece", piece(), true},
      {"format 1 with a chunk to skip", twoTracksWithAnUnknownChunk(), true},
      {"empty", {}, false},
      {"a header only", cut(piece(), 14), false},
      {"a track cut short", cut(piece(), size - 1), false},
      {"not MThd", changed(piece(), 0, {'R', 'I', 'F', 'F'}), false},
      {"header shorter than 6", changed(piece(), 4, {0, 0, 0, 5}), false},
      {"header longer than the file", changed(piece(), 4, {0x7f, 0xff, 0xff, 0xff}), false},
      {"format 3", changed(piece(), 8, {0, 3}), false},
      {"no tracks", changed(piece(), 10, {0, 0}), false},
      {"format 0 with two tracks", changed(piece(), 10, {0, 2}), false},
      {"more tracks announced than present", changed(piece(), 8, {0, 1, 0, 2}), false},
      {"SMPTE time", changed(piece(), 12, {0xe7, 0x28}), false},
      {"a track length beyond 4 GiB arithmetic", changed(piece(), 18, {0xff, 0xff, 0xff, 0xf8}),
       false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(isPlayableMidiFile(c.file), c.playable) << c.name;
}

}  // namespace
}  // namespace tov::sdl
