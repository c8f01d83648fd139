#pragma once
// Finding a program by its bare name, as a shell does: in the folders of PATH, in order.

#include <string>

namespace tov::posix {

// Whether path names a regular file that we may execute.
bool isExecutableFile(const std::string& path);

// The first executable file called name in the folders of PATH (the system's default search
// when PATH is not set), or an empty string when there is none. Empty entries of PATH are
// skipped rather than read as the current folder.
std::string findInPath(const std::string& name);

}  // namespace tov::posix
