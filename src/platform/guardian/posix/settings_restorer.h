#pragma once
// Desktop settings given back after the menu died: GSettings' through `gsettings`, which
// writes where the desktop keeps them (dconf, on the session bus the guardian inherited);
// sway's through `swaymsg` (on the SWAYSOCK it inherited); KWin's devices' through `gdbus`
// on the session bus.

#include <string>
#include <vector>

#include "platform/guardian/undo_record.h"

namespace tov::guardian {

// Puts each setting back as recorded and says what it changed; a setting found as
// recorded needs nothing and is not mentioned.
std::vector<std::string> giveBackSettings(const std::vector<SettingChanged>& settings);

}  // namespace tov::guardian
