#include "imaging/file_image.h"

#include <cstdio>
#include <filesystem>
#include <memory>
#include <system_error>

#include "imaging/bitmap.h"
#include "platform/errors.h"

namespace tov {

namespace {
struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
}  // namespace

std::vector<std::uint8_t> readFileImage(const std::string& fileName) {
  namespace fs = std::filesystem;
  std::error_code error;
  // Only regular files: opening a folder succeeds on Linux, and a fifo would block.
  if (!fs::is_regular_file(fs::status(fileName, error)))
    throw EFOpenError(ErrorCode::CannotOpenFile, fileName);
  const std::uintmax_t size = fs::file_size(fileName, error);
  if (error) throw EFOpenError(ErrorCode::CannotOpenFile, fileName);
  // No picture file is larger than the largest bitmap; this also keeps every file image
  // within the 32-bit lengths of the stored-picture format.
  if (size > Bitmap::kMaxPixelBytes) throw EOutOfMemory(ErrorCode::PictureTooLarge);

  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(fileName.c_str(), "rb"));
  if (!file) throw EFOpenError(ErrorCode::CannotOpenFile, fileName);
  std::vector<std::uint8_t> image(static_cast<std::size_t>(size));
  const std::size_t read = std::fread(image.data(), 1, image.size(), file.get());
  if (read < image.size()) {
    if (std::ferror(file.get())) throw EReadError(ErrorCode::FileReadError, fileName);
    image.resize(read);  // the file shrank after its size was taken
  }
  return image;
}

}  // namespace tov
