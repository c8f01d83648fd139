#pragma once
// The desktop guardian process: started by the menu once it takes the desktop over, with a
// socket to the menu as its standard input. It connects to the same X server (where the
// menu has one), answers "ready", then keeps the records the menu sends. When the menu's end
// of the socket closes (the menu is gone, however it ended) or the menu says it ends
// cleanly, it gives back what is still outstanding and exits: the desktop's settings first
// (settings_restorer.h), then what lives on the X server (x11/x11_restorer.h). An X server
// that goes away first takes its own pieces with it, but not the desktop's settings
// (Xwayland goes while the compositor and the user's profile stay), so the guardian goes on
// without it until the menu ends.

namespace tov::guardian {

constexpr int kExitUsage = 2;       // not started by the menu
constexpr int kExitNoDisplay = 3;   // the X server cannot be reached

// Runs the guardian on channel, the menu's socket; returns the exit code.
int runGuardian(int channel);

}  // namespace tov::guardian
