#pragma once
// Names inside the program folder are matched as Windows matches them: a suite copied from
// Windows media names its files in any letter case ("MENU/M1.JPG"), and the menu asks for
// them in the case it knows ("menu/m1.jpg"). Every lookup in the program folder goes
// through this one resolver (its rules are in posix/file_names.h).

#include <string>

namespace tov {

// The path by which the file or folder that path names, in any letter case, exists: path
// itself when it exists as written (costing one stat) or when nothing matches it.
std::string resolveFileName(std::string path);

}  // namespace tov
