#include "platform/file_names.h"

namespace tov {

// The file system matches names in any letter case itself: a name is found as it is written.
std::string resolveFileName(std::string path) { return path; }

}  // namespace tov
