#include "platform/wayland/activation_token.h"

#include <wayland-client.h>

#include <cstring>
#include <memory>

#include "xdg-activation-v1-client-protocol.h"

namespace tov::wayland {

namespace {

struct Globals {
  xdg_activation_v1* activation = nullptr;
};

void onGlobal(void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t) {
  auto* globals = static_cast<Globals*>(data);
  if (globals->activation || std::strcmp(interface, xdg_activation_v1_interface.name) != 0) return;
  globals->activation =
      static_cast<xdg_activation_v1*>(wl_registry_bind(registry, name, &xdg_activation_v1_interface, 1));
}

void onGlobalRemove(void*, wl_registry*, uint32_t) {}

const wl_registry_listener kRegistryListener = {onGlobal, onGlobalRemove};

void onTokenDone(void* data, xdg_activation_token_v1*, const char* token) {
  *static_cast<std::optional<std::string>*>(data) = std::string(token ? token : "");
}

const xdg_activation_token_v1_listener kTokenListener = {onTokenDone};

struct DisplayCloser {
  void operator()(wl_display* display) const { wl_display_disconnect(display); }
};

}  // namespace

std::optional<std::string> requestActivationToken(const std::string& appId) {
  std::unique_ptr<wl_display, DisplayCloser> display(wl_display_connect(nullptr));
  if (!display) return std::nullopt;
  Globals globals;
  wl_registry* registry = wl_display_get_registry(display.get());
  wl_registry_add_listener(registry, &kRegistryListener, &globals);
  std::optional<std::string> token;
  if (wl_display_roundtrip(display.get()) >= 0 && globals.activation) {
    xdg_activation_token_v1* request = xdg_activation_v1_get_activation_token(globals.activation);
    xdg_activation_token_v1_add_listener(request, &kTokenListener, &token);
    xdg_activation_token_v1_set_app_id(request, appId.c_str());
    xdg_activation_token_v1_commit(request);
    // The compositor answers the commit before the round trip's own answer.
    wl_display_roundtrip(display.get());
    xdg_activation_token_v1_destroy(request);
  }
  if (globals.activation) xdg_activation_v1_destroy(globals.activation);
  wl_registry_destroy(registry);
  if (token && token->empty()) return std::nullopt;
  return token;
}

}  // namespace tov::wayland
