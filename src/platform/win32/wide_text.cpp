#include "platform/win32/wide_text.h"

#include <windows.h>

#include <climits>
#include <stdexcept>

namespace tov::win32 {

namespace {
// The conversions count in int; a longer text is a fault of the caller, not something to cut.
int lengthOf(std::size_t size) {
  if (size > std::size_t(INT_MAX)) throw std::length_error("a text of 2 GiB or more at the Win32 boundary");
  return int(size);
}
}  // namespace

std::wstring toWide(std::string_view utf8) {
  if (utf8.empty()) return {};
  const int length = lengthOf(utf8.size());
  const int needed = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, nullptr, 0);
  std::wstring wide(std::size_t(needed), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, wide.data(), needed);
  return wide;
}

std::string toUtf8(std::wstring_view wide) {
  if (wide.empty()) return {};
  const int length = lengthOf(wide.size());
  const int needed = WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, nullptr, 0, nullptr, nullptr);
  std::string utf8(std::size_t(needed), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, utf8.data(), needed, nullptr, nullptr);
  return utf8;
}

}  // namespace tov::win32
