#include "platform/wayland/wayland_output.h"

#include <wayland-client.h>

#include <cstring>
#include <memory>

namespace tov::wayland {

namespace {

struct OutputState {
  wl_output* output = nullptr;
  int refreshMilliHz = 0;
  bool haveMode = false;
};

void onGeometry(void*, wl_output*, int32_t, int32_t, int32_t, int32_t, int32_t, const char*, const char*, int32_t) {}

void onMode(void* data, wl_output*, uint32_t flags, int32_t width, int32_t height, int32_t refresh) {
  if (!(flags & WL_OUTPUT_MODE_CURRENT)) return;
  auto* state = static_cast<OutputState*>(data);
  state->refreshMilliHz = refresh;
  state->haveMode = width > 0 && height > 0;
}

void onDone(void*, wl_output*) {}

void onScale(void*, wl_output*, int32_t) {}

void onText(void*, wl_output*, const char*) {}

const wl_output_listener kOutputListener = {onGeometry, onMode, onDone, onScale, onText, onText};

void onGlobal(void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t) {
  auto* state = static_cast<OutputState*>(data);
  // The first output announced is the one the toolkit calls primary.
  if (state->output || std::strcmp(interface, wl_output_interface.name) != 0) return;
  // Version 1 tells the mode, all that is asked for.
  state->output = static_cast<wl_output*>(wl_registry_bind(registry, name, &wl_output_interface, 1));
  wl_output_add_listener(state->output, &kOutputListener, state);
}

void onGlobalRemove(void*, wl_registry*, uint32_t) {}

const wl_registry_listener kRegistryListener = {onGlobal, onGlobalRemove};

struct DisplayCloser {
  void operator()(wl_display* display) const { wl_display_disconnect(display); }
};

}  // namespace

std::optional<OutputRate> firstOutputRate(const char* displayName, std::string* error) {
  std::unique_ptr<wl_display, DisplayCloser> display(wl_display_connect(displayName));
  if (!display) {
    if (error) *error = "Cannot connect to the Wayland compositor";
    return std::nullopt;
  }
  OutputState state;
  wl_registry* registry = wl_display_get_registry(display.get());
  wl_registry_add_listener(registry, &kRegistryListener, &state);
  // The first round trip brings the globals, the second what the bound output tells.
  const bool answered = wl_display_roundtrip(display.get()) >= 0 && wl_display_roundtrip(display.get()) >= 0;
  if (state.output) wl_output_destroy(state.output);
  wl_registry_destroy(registry);
  if (!answered || !state.haveMode) {
    if (error) *error = "The Wayland compositor announces no output";
    return std::nullopt;
  }
  return OutputRate{(state.refreshMilliHz + 500) / 1000};
}

}  // namespace tov::wayland
