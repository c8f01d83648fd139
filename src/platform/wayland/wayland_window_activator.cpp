#include "platform/wayland/wayland_window_activator.h"

#include "platform/posix/raise_request.h"
#include "platform/wayland/activation_token.h"

namespace tov::wayland {

namespace {
// The application id the menu's windows carry, which the token is asked for.
constexpr const char* kAppId = "tovaleer";
}  // namespace

WaylandWindowActivator::WaylandWindowActivator(std::string socketPath, std::string launcherToken)
    : socketPath_(std::move(socketPath)), launcherToken_(std::move(launcherToken)) {}

WaylandWindowActivator::~WaylandWindowActivator() = default;

void WaylandWindowActivator::markMainWindow(WindowHandle window, const std::string&) {
  if (!raiser_) return;
  listener_ = std::make_unique<posix::RaiseRequestListener>(
      socketPath_, [raiser = raiser_, window](const std::string& token) { raiser(window, token); });
}

bool WaylandWindowActivator::activate(const std::string&) {
  std::string token = posix::isActivationToken(launcherToken_) ? launcherToken_ : std::string();
  if (token.empty()) token = requestActivationToken(kAppId).value_or(std::string());
  // A token that cannot be passed on is left out: the first copy still tries without.
  if (!posix::isActivationToken(token)) token.clear();
  return posix::sendRaiseRequest(socketPath_, token);
}

}  // namespace tov::wayland
