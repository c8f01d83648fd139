#pragma once
// Display modes through XRandR, on the primary output: the one the server calls primary,
// else the first connected output that drives a CRTC.

#include "platform/display.h"
#include "platform/guardian/undo_recorder.h"
#include "platform/x11/x11_connection.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace tov::x11 {

// The vertical refresh of a mode's timings in hertz, rounded to the nearest whole number;
// 0 for timings that give no rate.
std::uint32_t refreshRate(std::uint64_t dotClock, std::uint32_t hTotal, std::uint32_t vTotal,
                          bool interlaced, bool doubleScan);

// A mode's size on the screen once rotated: quarter turns swap width and height.
struct ScreenSize {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  bool operator==(const ScreenSize&) const = default;
};
ScreenSize rotatedSize(std::uint32_t width, std::uint32_t height, std::int32_t orientation);

// The physical size that keeps the screen's dots per millimetre when it changes to pixels.
std::uint32_t proportionalMillimetres(std::uint32_t pixels, std::uint32_t referencePixels,
                                      std::uint32_t referenceMillimetres);

class XRandrDisplay : public IDisplay {
 public:
  // guardian, when given, learns how the CRTC stood before the first switch (before the
  // switch is made) and when it stands so again.
  explicit XRandrDisplay(Connection& connection, guardian::IUndoRecorder* guardian = nullptr);

  DeviceCaps currentCaps() override;
  bool currentMode(DisplayMode& mode) override;
  bool enumMode(std::uint32_t index, DisplayMode& mode) override;
  bool changeMode(const DisplayMode& mode) override;
  void broadcastDisplayChange() override;
  ScreenArea primaryOutputArea() override;

 private:
  void recordSwitchStarting(const guardian::SavedCrtc& before, const guardian::SavedCrtc& after);
  void recordSwitchMade(const guardian::SavedCrtc& now);

  Connection& connection_;
  guardian::IUndoRecorder* guardian_;
  // The primary output's modes as enumMode(0) read them; later indices answer from here.
  std::vector<DisplayMode> enumerated_;
  // How the CRTC stood before the first switch, while it stands otherwise.
  std::optional<guardian::SavedCrtc> savedForGuardian_;
  bool hasRandr_ = false;
  std::uint32_t bitsPerPixel_ = 0;
  // The screen's size as the server announced it when we connected; every size we set
  // keeps this ratio of pixels to millimetres, so going back restores it exactly.
  std::uint32_t referenceWidth_ = 0, referenceHeight_ = 0;
  std::uint32_t referenceWidthMm_ = 0, referenceHeightMm_ = 0;
};

}  // namespace tov::x11
