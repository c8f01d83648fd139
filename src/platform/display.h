#pragma once
// Display modes of the primary screen: what the menu reads before and after it switches
// to 800 x 600, the switch itself, and where the primary output lies on the screen.

#include <cstdint>

namespace tov {

// One mode of the primary display, kept whole as the system gave it, so that the saved
// mode can be set again exactly.
struct DisplayMode {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::uint32_t bitsPerPel = 0;
  std::uint32_t frequency = 0;    // hertz, rounded
  std::int32_t orientation = 0;   // 0: not rotated
  std::uint64_t nativeId = 0;     // the implementation's own identity of the mode
  bool operator==(const DisplayMode&) const = default;
};

// What the screen runs at now, as a drawing surface reports it.
struct DeviceCaps {
  std::int32_t refresh = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::int32_t bitsPerPixel = 0;
  bool operator==(const DeviceCaps&) const = default;
};

// A rectangle of the screen in the screen's own pixel coordinates: an output beside or
// above another starts away from the origin.
struct ScreenArea {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;
  bool operator==(const ScreenArea&) const = default;
};

class IDisplay {
 public:
  virtual ~IDisplay() = default;
  virtual DeviceCaps currentCaps() = 0;
  // The mode in force; false when it cannot be read.
  virtual bool currentMode(DisplayMode& mode) = 0;
  // Mode number index (from 0) in the system's own order; false past the last one. Mode 0
  // reads the system's list; the later numbers may answer from that reading.
  virtual bool enumMode(std::uint32_t index, DisplayMode& mode) = 0;
  // Switches to mode; false when the system refused.
  virtual bool changeMode(const DisplayMode& mode) = 0;
  // Tells every top-level window that the display changed, and returns once they know.
  virtual void broadcastDisplayChange() = 0;
  // Where the primary output shows the screen now, as the system has it (a switch made
  // a moment ago included); the whole screen when no output can be told apart.
  virtual ScreenArea primaryOutputArea() = 0;
};

}  // namespace tov
