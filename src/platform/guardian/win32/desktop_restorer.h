#pragma once
// What the Windows guardian puts back of what the menu left outstanding, through the
// system's own calls: the display mode first (the taskbars lay themselves out for the screen
// they find when they come back), then the taskbars, then the mouse buttons. A piece found
// as recorded already is left alone and not reported.

#include "platform/guardian/undo_record.h"

#include <string>
#include <vector>

namespace tov::guardian {

// Gives back every Windows piece outstanding; one line for each, saying what was done.
std::vector<std::string> giveBackDesktop(const Outstanding& outstanding);

}  // namespace tov::guardian
