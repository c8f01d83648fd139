#include "platform/wayland/compositor_display.h"

namespace tov::wayland {

CompositorDisplay::CompositorDisplay(int presentedWidth, int presentedHeight, int refreshHz) {
  presented_.width = std::uint32_t(presentedWidth);
  presented_.height = std::uint32_t(presentedHeight);
  presented_.bitsPerPel = 32;
  presented_.frequency = std::uint32_t(refreshHz);
  presented_.nativeId = 1;
}

DeviceCaps CompositorDisplay::currentCaps() {
  return {std::int32_t(presented_.frequency), std::int32_t(presented_.width), std::int32_t(presented_.height),
          std::int32_t(presented_.bitsPerPel)};
}

bool CompositorDisplay::currentMode(DisplayMode& mode) {
  mode = presented_;
  return true;
}

bool CompositorDisplay::enumMode(std::uint32_t index, DisplayMode& mode) {
  if (index != 0) return false;
  mode = presented_;
  return true;
}

bool CompositorDisplay::changeMode(const DisplayMode& mode) { return mode == presented_; }

}  // namespace tov::wayland
