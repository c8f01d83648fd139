#include "platform/posix/program_search.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string_view>

namespace tov::posix {

bool isExecutableFile(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

std::string findInPath(const std::string& name) {
  const char* pathVariable = std::getenv("PATH");
  const std::string_view search = pathVariable ? pathVariable : "/usr/local/bin:/usr/bin:/bin";
  std::size_t from = 0;
  while (from <= search.size()) {
    std::size_t to = search.find(':', from);
    if (to == std::string_view::npos) to = search.size();
    const std::string_view folder = search.substr(from, to - from);
    if (!folder.empty()) {
      const std::string candidate = std::string(folder) + "/" + name;
      if (isExecutableFile(candidate)) return candidate;
    }
    from = to + 1;
  }
  return {};
}

}  // namespace tov::posix
