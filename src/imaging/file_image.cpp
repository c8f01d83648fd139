#include "imaging/file_image.h"

#include <filesystem>
#include <fstream>
#include <system_error>

#include "imaging/bitmap.h"
#include "platform/errors.h"
#include "platform/file_paths.h"

namespace tov {

std::vector<std::uint8_t> readFileImage(const std::string& fileName) {
  namespace fs = std::filesystem;
  const fs::path path = pathOf(fileName);
  std::error_code error;
  // Only regular files: opening a folder succeeds on Linux, and a fifo would block.
  if (!fs::is_regular_file(fs::status(path, error)))
    throw EFOpenError(ErrorCode::CannotOpenFile, fileName);
  const std::uintmax_t size = fs::file_size(path, error);
  if (error) throw EFOpenError(ErrorCode::CannotOpenFile, fileName);
  // No picture file is larger than the largest bitmap; this also keeps every file image
  // within the 32-bit lengths of the stored-picture format.
  if (size > Bitmap::kMaxPixelBytes) throw EOutOfMemory(ErrorCode::PictureTooLarge);

  std::ifstream file(path, std::ios::binary);
  if (!file) throw EFOpenError(ErrorCode::CannotOpenFile, fileName);
  std::vector<std::uint8_t> image(static_cast<std::size_t>(size));
  file.read(reinterpret_cast<char*>(image.data()), static_cast<std::streamsize>(image.size()));
  if (file.bad()) throw EReadError(ErrorCode::FileReadError, fileName);
  // The file shrank after its size was taken.
  image.resize(static_cast<std::size_t>(file.gcount()));
  return image;
}

}  // namespace tov
