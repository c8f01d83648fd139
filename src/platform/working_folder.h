#pragma once
// The program folder is the working folder the program was started in, whatever folder holds
// the program file. The logic joins relative names to it, so it ends in a separator; the
// programs the menu starts get it as the system writes it (on Windows "C:\suite\", the form a
// Windows activity joins its own names to).

#include <string>

namespace tov {

// The working folder as the system names it (UTF-8), closed by one separator of the
// system's own; a root keeps its one ("/", "C:\").
std::string workingFolder();

}  // namespace tov
