#include "advert/imgview_geometry.h"

#include <algorithm>
#include <cmath>

namespace tov {

int roundHalfToEven(double value) {
  const double floor = std::floor(value);
  const double fraction = value - floor;
  double rounded = fraction < 0.5 ? floor : floor + 1.0;
  if (fraction == 0.5) rounded = std::fmod(floor, 2.0) == 0.0 ? floor : floor + 1.0;
  return int(rounded);
}

double ViewAxis::clamp(double position) const { return std::clamp(position, 0.0, maxPosition()); }

double ViewAxis::centredPosition() const { return clamp(double(picture / 2) - viewport / 2.0); }

int ViewAxis::drawingOffset(double position) const {
  if (!scrolls()) return roundHalfToEven((viewport - picture) / 2.0);
  return roundHalfToEven(-clamp(position));
}

ScrollBarLayout layoutScrollBar(int barLength, int thickness, const ViewAxis& axis, double position) {
  ScrollBarLayout bar;
  bar.length = std::max(0, barLength);
  bar.arrow = std::max(0, std::min({thickness - 1, kMaxArrowLength, bar.length / 2}));
  bar.trackLength = bar.length - 2 * bar.arrow;
  bar.active = axis.scrolls();
  if (!bar.active || bar.trackLength <= kMinHandleLength) return bar;

  const double track = bar.trackLength;
  const double clamped = axis.clamp(position);
  bar.hasHandle = true;
  bar.handleLength = roundHalfToEven(track * axis.viewport / axis.picture);
  if (bar.handleLength < kMinHandleLength) {
    // The handle travels over a shorter track; start and drag are measured against that.
    bar.minimumHandle = true;
    bar.handleLength = kMinHandleLength;
    const double travel = track - kMinHandleLength;
    bar.handleStart = bar.arrow + roundHalfToEven(travel * clamped / axis.maxPosition());
    bar.positionPerPixel = axis.maxPosition() / travel;
  } else {
    bar.handleStart = bar.arrow + roundHalfToEven(track * clamped / axis.picture);
    bar.positionPerPixel = axis.picture / track;
  }
  return bar;
}

ViewLayout layoutView(int width, int height, int barThickness) {
  const int t = std::clamp(barThickness, 0, std::min(std::max(width, 0), std::max(height, 0)));
  const int innerWidth = std::max(width, 0) - t;
  const int innerHeight = std::max(height, 0) - t;
  ViewLayout layout;
  layout.viewport = Rect{0, 0, innerWidth, innerHeight};
  layout.horizontalBar = Rect{0, innerHeight, innerWidth, innerHeight + t};
  layout.verticalBar = Rect{innerWidth, 0, innerWidth + t, innerHeight};
  layout.corner = Rect{innerWidth, innerHeight, innerWidth + t, innerHeight + t};
  return layout;
}

}  // namespace tov
