#pragma once
// File tests of the menu: a missing file is a normal case here, never an error.

#include <string>

namespace tov {

// True for an existing file that is not a folder.
bool fileExists(const std::string& path);

// The first line of a text file, without its line end. Throws EFOpenError when the file
// cannot be opened and EReadError when it cannot be read.
std::string readFirstLine(const std::string& path);

}  // namespace tov
