#pragma once
// The Windows desktop guardian process: started by the menu as early as it can be, with the
// read end of an anonymous pipe as its standard input and an inherited handle of the menu's
// own process. It keeps the records the menu writes into the pipe, and when the menu's
// process ends (a crash, `taskkill /F`, TerminateProcess: nothing of the menu runs then), or
// the menu says it ends cleanly, it gives back what is still outstanding (desktop_restorer.h)
// and exits. Waiting on the process rather than on the pipe alone: a program the menu
// started that held a copy of the pipe's write end would otherwise keep the guardian
// waiting for as long as it ran.

namespace tov::guardian {

constexpr int kExitUsage = 2;  // not started by the menu

// Runs the guardian on records, the pipe's read end, for menuProcess, a handle of the menu's
// process with SYNCHRONIZE access; returns the exit code. Both are HANDLEs, kept out of this
// header.
int runGuardian(void* records, void* menuProcess);

}  // namespace tov::guardian
