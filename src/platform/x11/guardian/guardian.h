#pragma once
// The desktop guardian process: started by the menu once it takes the desktop over, with a
// socket to the menu as its standard input. It connects to the same X server, answers
// "ready", then keeps the records the menu sends. When the menu's end of the socket closes
// (the menu is gone, however it ended) or the menu says it ends cleanly, it gives back what
// is still outstanding and exits. When the X server goes away it just exits: there is no
// desktop left to give back.

namespace tov::guardian {

constexpr int kExitUsage = 2;       // not started by the menu
constexpr int kExitNoDisplay = 3;   // the X server cannot be reached

// Runs the guardian on channel, the menu's socket; returns the exit code.
int runGuardian(int channel);

}  // namespace tov::guardian
