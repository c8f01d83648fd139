#pragma once
// The arithmetic of the scrollable picture view, apart from any window, so that every rule
// of placement, clamping and scroll-bar layout can be checked by itself.
//
// The picture is shown at scale 1. Along each axis a picture shorter than the viewport is
// centred; a longer one is shifted by the scroll position, a real number kept between 0 and
// (picture - viewport). Drawing offsets and handle places are rounded half to even, so a
// picture centred by half a pixel and a handle at x.5 land where they always have.

#include "imaging/bitmap.h"

namespace tov {

// Rounds to the nearest integer, a half to the even neighbour (2.5 -> 2, -187.5 -> -188).
int roundHalfToEven(double value);

// The handle never gets shorter than this, so that it can still be taken with the mouse.
inline constexpr int kMinHandleLength = 17;
// The arrow buttons are never longer than this along their bar.
inline constexpr int kMaxArrowLength = 32;

// One axis of the view: the picture's length and the viewport's along it.
struct ViewAxis {
  int picture = 0;
  int viewport = 0;

  bool scrolls() const { return picture > viewport; }
  double maxPosition() const { return scrolls() ? double(picture - viewport) : 0.0; }
  double clamp(double position) const;
  // The middle of the picture in the middle of the viewport, clamped.
  double centredPosition() const;
  // Where the picture's first pixel is drawn, relative to the viewport's.
  int drawingOffset(double position) const;
};

// One scroll bar, measured along it from its start (left or top end).
struct ScrollBarLayout {
  int length = 0;       // the whole bar
  int arrow = 0;        // each arrow button
  int trackLength = 0;  // between the two arrow buttons
  bool active = false;  // the picture is longer than the viewport: the bar takes the mouse
  bool hasHandle = false;
  bool minimumHandle = false;  // the handle is held at kMinHandleLength
  int handleStart = 0;         // from the bar's start (the first arrow included)
  int handleLength = 0;
  // Scroll position moved per pixel of handle drag.
  double positionPerPixel = 0.0;

  int trackStart() const { return arrow; }
  int handleEnd() const { return handleStart + handleLength; }
};

ScrollBarLayout layoutScrollBar(int barLength, int thickness, const ViewAxis& axis, double position);

// The parts of the view: the viewport, the horizontal bar along the bottom, the vertical one
// along the right, and the square where they meet.
struct ViewLayout {
  Rect viewport;
  Rect horizontalBar;
  Rect verticalBar;
  Rect corner;
};

ViewLayout layoutView(int width, int height, int barThickness);

}  // namespace tov
