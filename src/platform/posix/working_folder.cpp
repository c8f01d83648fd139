#include "platform/working_folder.h"

#include <filesystem>

namespace tov {

std::string workingFolder() {
  std::string folder = std::filesystem::current_path().string();
  if (folder.empty() || folder.back() != '/') folder += '/';
  return folder;
}

}  // namespace tov
