#pragma once
// File names in the program are UTF-8 on every system. The standard library reads a path made
// from a narrow string in the system's narrow encoding, which on Windows is a code page, not
// UTF-8 ("Zoë" would name another file); made from UTF-8 code units it is the same path on
// every system. Every file the logic opens or looks at is named through these.

#include <filesystem>
#include <string>
#include <string_view>

namespace tov {

// On Linux the bytes as they are, whatever they hold; on Windows the UTF-16 of the text (a
// byte sequence that is not UTF-8 raises std::system_error).
std::filesystem::path pathOf(std::string_view utf8);
// A path's name in UTF-8.
std::string utf8Of(const std::filesystem::path& path);

}  // namespace tov
