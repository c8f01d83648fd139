#pragma once
// The system's own programs that the menu opens, and the two folders the system keeps them in
// (TSysInfo's WinPath and WinSysPath, searched in that order). Each system gives its own:
// implemented in posix/ and win32/.

#include <string>
#include <vector>

namespace tov {

struct SystemPrograms {
  std::string windowsFolder;  // searched first; ends in the system's separator
  std::string systemFolder;   // searched next; ends in the system's separator
  // The volume control's file names, the most wanted first: each is looked for in both
  // folders before the next.
  std::vector<std::string> volumeControls;
};

SystemPrograms systemPrograms();

}  // namespace tov
