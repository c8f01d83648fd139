#pragma once
// The display of a Wayland session. The compositor owns the outputs' modes and lets no
// client change them, so the menu does not switch: its window is made full screen and the
// form draws itself scaled to fill it. To the menu the display therefore runs at the
// size it is presented at, in 32 bits, at the first output's refresh rate; that is the one mode
// there is, and setting it changes nothing.

#include "platform/display.h"

namespace tov::wayland {

class CompositorDisplay : public IDisplay {
 public:
  CompositorDisplay(int presentedWidth, int presentedHeight, int refreshHz);

  DeviceCaps currentCaps() override;
  bool currentMode(DisplayMode& mode) override;
  bool enumMode(std::uint32_t index, DisplayMode& mode) override;
  bool changeMode(const DisplayMode& mode) override;
  void broadcastDisplayChange() override {}
  // Empty: a Wayland client cannot place its window; the compositor puts a full-screen
  // window on its output.
  ScreenArea primaryOutputArea() override { return {}; }

 private:
  DisplayMode presented_;
};

}  // namespace tov::wayland
