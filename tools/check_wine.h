#pragma once
// Wine as the folder check sees it: whether this machine can start the suite's Windows
// programs (asked of the menu's own starter code, so that the two agree), what to install
// when it cannot, and preparing the Wine prefix ahead, so that the first pupil does not wait
// the ten seconds Wine takes to create it.

#include <optional>
#include <string>

#include "platform/posix/program_kind.h"

namespace tov::check {

// Nothing when this machine can start a program of this kind through Wine; otherwise what is
// missing and the commands that install it. Only Windows kinds need Wine.
std::optional<std::string> wineShortcoming(posix::ProgramKind kind);

// The prefix that `wine` will use: WINEPREFIX when it is set, else ~/.wine.
std::string winePrefix();

// Runs `wine wineboot -i` (then waits for the Wine server to save the prefix) with this
// process's environment, its messages passed straight to the terminal. Prints what it runs
// and the outcome. False when Wine is missing or the preparation failed.
bool prepareWinePrefix();

}  // namespace tov::check
