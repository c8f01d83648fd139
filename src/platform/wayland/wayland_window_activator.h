#pragma once
// Bringing the first copy of the menu forward in a Wayland session, where no client may
// raise another's window: the second copy passes an activation token to the first (see
// posix/raise_request.h), and the first raises its own window with it. The token is the
// one the desktop's launcher gave the second copy (XDG_ACTIVATION_TOKEN), else one the
// compositor gives it; whether the window then comes to the front is the compositor's
// policy (some only mark it as asking for attention).

#include "platform/instance.h"

#include <functional>
#include <memory>
#include <string>

namespace tov::posix {
class RaiseRequestListener;
}

namespace tov::wayland {

// Raises window with an activation token (empty: none); the toolkit's side.
using WindowRaiser = std::function<void(WindowHandle window, const std::string& token)>;

class WaylandWindowActivator : public IWindowActivator {
 public:
  // socketPath: where the first copy listens (beside its instance lock). launcherToken: the
  // token this process was started with, empty when none.
  WaylandWindowActivator(std::string socketPath, std::string launcherToken);
  ~WaylandWindowActivator() override;

  // Set before markMainWindow; without it requests are not listened for.
  void setRaiser(WindowRaiser raiser) { raiser_ = std::move(raiser); }

  // The application title plays no part: the socket is this program's on this display.
  void markMainWindow(WindowHandle window, const std::string& applicationTitle) override;
  bool activate(const std::string& applicationTitle) override;

 private:
  std::string socketPath_;
  std::string launcherToken_;
  WindowRaiser raiser_;
  std::unique_ptr<posix::RaiseRequestListener> listener_;
};

}  // namespace tov::wayland
