#pragma once
// What kind of program a file holds, read from its first bytes, so that a real suite's
// activities (Windows programs) can be started through Wine and our own through the system,
// and the Windows form of a path that such a program understands.

#include <string>

namespace tov::posix {

enum class ProgramKind {
  Native,       // ELF
  Windows32,    // PE image with a PE32 optional header (magic 0x10b)
  Windows64,    // PE image with a PE32+ optional header (magic 0x20b)
  Script,       // "#!" line
  NotRunnable,  // anything else: a DOS program, a damaged or truncated image, an empty file, a
                // folder or device, a file that cannot be read
};

// The kind of the regular file at `path` (links followed). A Windows image counts only when
// its DOS header's e_lfanew (at 0x3C) points inside the file at "PE\0\0", followed by the
// COFF header and the whole optional header that the COFF header declares, starting with one
// of the two magics. Every offset is checked against the file's size before it is read.
// Execute permission is not looked at.
ProgramKind programKindOf(const std::string& path);

// An absolute folder as a Windows program under Wine sees it through its root drive Z:,
// ending in "\": "/srv/My Suite" -> "Z:\srv\My Suite\", "/" -> "Z:\". Empty for a relative
// path, which has no such form. A "\" inside a Linux name cannot be told apart from a
// separator there; such names are not supported.
std::string windowsPathForm(const std::string& absoluteFolder);

// The same for a file: "/srv/suite/report/report.exe" -> "Z:\srv\suite\report\report.exe".
std::string windowsFileForm(const std::string& absoluteFile);

}  // namespace tov::posix
