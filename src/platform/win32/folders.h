#pragma once
// The folders the program reads from the system, as UTF-8, each ending in "\": the current
// directory (the program folder, whatever folder holds the program file) and the Windows and
// system folders, where the system keeps its own programs (TSysInfo's WinPath and WinSysPath).
// A drive's root keeps its one separator ("C:\"). Empty when the system cannot say.

#include <string>

namespace tov::win32 {

std::string currentFolder();
std::string windowsFolder();
std::string systemFolder();

// The running program's own file, whole however long; empty when the system cannot say.
std::wstring thisProgramFile();

}  // namespace tov::win32
