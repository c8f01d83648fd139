#include "platform/win32/folders.h"
#include "platform/system_programs.h"
#include "platform/working_folder.h"

#include <windows.h>

#include "platform/win32/wide_text.h"

namespace tov::win32 {

namespace {

// The calls take the buffer's size and give the text's length, or the size they need when
// the buffer is too small; a folder may change between two calls, so they are asked again.
template <typename Read>
std::string folderFrom(Read read) {
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const UINT length = read(buffer.data(), UINT(buffer.size()));
    if (length == 0) return {};
    if (length < buffer.size()) {
      buffer.resize(length);
      break;
    }
    buffer.assign(length, L'\0');
  }
  if (buffer.back() != L'\\') buffer += L'\\';
  return toUtf8(buffer);
}

}  // namespace

std::wstring thisProgramFile() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), DWORD(path.size()));
    if (length == 0) return {};
    if (length < path.size()) return path.substr(0, length);
    path.resize(path.size() * 2);
  }
}

std::string currentFolder() {
  return folderFrom([](wchar_t* buffer, UINT size) { return UINT(GetCurrentDirectoryW(size, buffer)); });
}

std::string windowsFolder() {
  return folderFrom([](wchar_t* buffer, UINT size) { return GetWindowsDirectoryW(buffer, size); });
}

std::string systemFolder() {
  return folderFrom([](wchar_t* buffer, UINT size) { return GetSystemDirectoryW(buffer, size); });
}

}  // namespace tov::win32

namespace tov {

std::string workingFolder() { return win32::currentFolder(); }

// The volume control of Windows up to XP, kept in the Windows folder by some and in the
// system folder by others; the system folder's sndvol.exe took its place from Vista on.
SystemPrograms systemPrograms() {
  return {win32::windowsFolder(), win32::systemFolder(), {"sndvol32.exe", "sndvol.exe"}};
}

}  // namespace tov
