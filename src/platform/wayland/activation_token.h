#pragma once
// An activation token of the compositor's (xdg-activation), for a process that has no
// window of its own: the second copy of the menu, which hands it to the first so that the
// compositor lets that one come to the front.

#include <optional>
#include <string>

namespace tov::wayland {

// Asks the compositor of WAYLAND_DISPLAY for a token for the application appId; none when
// there is no compositor, it offers no activation, or it does not answer.
std::optional<std::string> requestActivationToken(const std::string& appId);

}  // namespace tov::wayland
