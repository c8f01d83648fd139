#pragma once
// The output a Wayland compositor shows a full-screen window on first, as the compositor
// announces it. Asked on a short connection of our own before the toolkit connects, since
// the menu's scale follows from it and must be known before any window exists.

#include <optional>
#include <string>

namespace tov::wayland {

struct OutputSize {
  int width = 0;      // in the compositor's own units: the output's pixels over its scale
  int height = 0;
  int refreshHz = 0;  // rounded; 0 when the compositor does not say
};

// The first output the compositor announces (the one Qt takes as the primary screen).
// displayName: a socket name or path as WAYLAND_DISPLAY holds it, null for
// $WAYLAND_DISPLAY. Nothing with the reason in error when no compositor answers or it
// announces no output with a current mode.
std::optional<OutputSize> firstOutputSize(const char* displayName, std::string* error);

}  // namespace tov::wayland
