#pragma once
// Whether an X client could take a key another client holds.

#include <optional>
#include <string>

namespace tov::test {

// Whether another X client could grab Ctrl+Alt+Z on display now (false: someone holds it);
// none when the display cannot be opened.
std::optional<bool> ctrlAltZFreeOn(const std::string& display);

}  // namespace tov::test
