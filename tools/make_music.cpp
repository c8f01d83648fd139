// make_music: writes the demo program folder's MIDI pieces.
//   make_music MUSIC_DIR   writes MUSIC_DIR/mm8-select.mid and the other pieces
// The pieces are composed in code, so running it again gives the same files.

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "music_pieces.h"
#include "platform/errors.h"

namespace tov::music {
namespace {

// Declared here as make_suite does, so the tool does not lean on a class of the program.
TOV_DECLARE_ERROR(EFCreateError, Exception);

void writePieces(const std::filesystem::path& folder) {
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  if (error || !std::filesystem::is_directory(folder))
    throw EFCreateError(ErrorCode::CannotCreateFolder, folder.string());
  for (const PieceFile& piece : composeDemoPieces()) {
    const std::filesystem::path file = folder / piece.fileName;
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(piece.bytes.data()),
              static_cast<std::streamsize>(piece.bytes.size()));
    out.close();
    if (!out) throw EFCreateError(ErrorCode::CannotWriteFile, file.string());
  }
}

}  // namespace
}  // namespace tov::music

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() != 1 || args[0].starts_with("-")) {
    std::fprintf(stderr, "%s\n", tov::errorText(tov::ErrorCode::MusicToolUsage));
    return 2;
  }
  try {
    tov::music::writePieces(args[0]);
    return 0;
  } catch (const tov::Exception& error) {
    std::fprintf(stderr, "make_music: %s\n", error.what());
    return 1;
  }
}
