#pragma once
// Reading a whole file into memory, with the errors the picture layer reports.

#include <cstdint>
#include <string>
#include <vector>

namespace tov {

// The whole file. A file that is missing, is not a regular file (a folder, a device) or
// cannot be opened raises EFOpenError; a failed read raises EReadError; a file too large to be
// a picture raises EOutOfMemory.
std::vector<std::uint8_t> readFileImage(const std::string& fileName);

}  // namespace tov
