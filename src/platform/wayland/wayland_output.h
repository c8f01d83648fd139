#pragma once
// The first output a Wayland compositor announces, asked on a short connection of our own
// before the toolkit connects: whether the compositor answers at all decides the session
// before any window exists, and its refresh rate is the one the display reports. Where the
// menu's window goes, and at what size, only the window's own configuration tells.

#include <optional>
#include <string>

namespace tov::wayland {

struct OutputRate {
  int refreshHz = 0;  // rounded; 0 when the compositor does not say
};

// The first output the compositor announces (the one Qt takes as the primary screen).
// displayName: a socket name or path as WAYLAND_DISPLAY holds it, null for
// $WAYLAND_DISPLAY. Nothing with the reason in error when no compositor answers or it
// announces no output with a current mode.
std::optional<OutputRate> firstOutputRate(const char* displayName, std::string* error);

}  // namespace tov::wayland
