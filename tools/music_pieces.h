#pragma once
// The demo program folder's music: the selection tune and arrangements of public-domain
// melodies, each a complete Standard MIDI File.

#include <string>
#include <vector>

#include "midi_writer.h"

namespace tov::music {

// The tune the menu plays first.
inline constexpr const char* kSelectionTuneName = "mm8-select.mid";

struct PieceFile {
  std::string fileName;
  midi::Bytes bytes;
};

// The selection tune first, then the other pieces; the same every time.
std::vector<PieceFile> composeDemoPieces();

}  // namespace tov::music
