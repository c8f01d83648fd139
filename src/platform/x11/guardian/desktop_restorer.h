#pragma once
// Puts back on the X server what the menu left outstanding: the display mode first (panels
// lay themselves out for the screen they find when they come back), then the docks, then
// the pointer mapping. Protocol errors are expected here (a dock that has gone meanwhile)
// and are never fatal.

#include "platform/x11/guardian/undo_record.h"

#include <string>
#include <vector>

struct _XDisplay;

namespace tov::guardian {

// Gives back everything outstanding; one line for each piece, saying what was done.
std::vector<std::string> giveBack(_XDisplay* display, const Outstanding& outstanding);

}  // namespace tov::guardian
