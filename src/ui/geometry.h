#pragma once
// The windowing layer's own points and sizes, in whole pixels; rectangles are the picture
// layer's `Rect` (left, top, right, bottom) and points between pixels its `PointF`.

#include "imaging/bitmap.h"

namespace tov {

struct Point {
  int x = 0, y = 0;
  bool operator==(const Point&) const = default;
};

struct Size {
  int width = 0, height = 0;
  bool empty() const { return width <= 0 || height <= 0; }
  bool operator==(const Size&) const = default;
};

// A rectangle between pixel corners (a scaled one).
struct RectF {
  double left = 0.0, top = 0.0, right = 0.0, bottom = 0.0;
};

inline bool contains(const Rect& r, Point p) { return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom; }
inline Rect rectOf(int left, int top, int width, int height) { return Rect{left, top, left + width, top + height}; }

}  // namespace tov
