#pragma once
// Text crosses the Win32 boundary here and nowhere else: the program's strings are UTF-8,
// the system's "W" functions take UTF-16.

#include <string>
#include <string_view>

namespace tov::win32 {

// Bytes that are not UTF-8 become U+FFFD, as the system's own conversion makes them.
std::wstring toWide(std::string_view utf8);
// A lone surrogate becomes U+FFFD.
std::string toUtf8(std::wstring_view wide);

}  // namespace tov::win32
