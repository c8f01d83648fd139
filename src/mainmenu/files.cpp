#include "mainmenu/files.h"

#include <filesystem>
#include <fstream>

#include "platform/errors.h"
#include "platform/file_paths.h"

namespace tov {

bool fileExists(const std::string& path) {
  std::error_code error;
  const auto status = std::filesystem::status(pathOf(path), error);
  return !error && std::filesystem::exists(status) && !std::filesystem::is_directory(status);
}

std::string readFirstLine(const std::string& path) {
  std::ifstream in(pathOf(path), std::ios::binary);
  if (!in) throw EFOpenError(ErrorCode::CannotOpenFile, path);
  std::string line;
  std::getline(in, line);
  if (in.bad()) throw EReadError(ErrorCode::FileReadError, path);
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

}  // namespace tov
