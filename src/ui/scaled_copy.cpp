#include "ui/scaled_copy.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace tov {

double presentationScale(int windowWidth, int windowHeight, int formWidth, int formHeight) {
  if (windowWidth <= 0 || windowHeight <= 0 || formWidth <= 0 || formHeight <= 0) return 1.0;
  return std::min(double(windowWidth) / formWidth, double(windowHeight) / formHeight);
}

int formPixelUnder(int n, double scale, double offset) {
  // The nudge settles a centre that lies exactly on an edge the same way however the
  // offset was rounded on its way here.
  return int(std::floor((n + 0.5 - offset) / scale + 1e-9));
}

// The hot spot on screen pixel n arrives as n / devicePixelRatio; that pixel shows the form
// pixel under its centre.
Point formPointAt(PointF windowPosition, double devicePixelRatio, double scale, PointF origin) {
  const int x = int(std::floor(windowPosition.x * devicePixelRatio + 1e-6));
  const int y = int(std::floor(windowPosition.y * devicePixelRatio + 1e-6));
  const double screenPixelsPerFormPixel = scale * devicePixelRatio;
  return Point{formPixelUnder(x, screenPixelsPerFormPixel, origin.x * devicePixelRatio),
               formPixelUnder(y, screenPixelsPerFormPixel, origin.y * devicePixelRatio)};
}

namespace {

int sourceIndex(int n, double scale, double offset, int size) {
  return std::clamp(formPixelUnder(n, scale, offset), 0, size - 1);
}

// An enlarged row: each source pixel written Widest times, the next one starting as many
// screen pixels later as it covers, so that its writes replace the excess. Writing more
// than needed and moving on by the count beats looking every screen pixel up. Near the
// row's end, where the excess would spill past it, each pixel is written exactly.
template <int Widest>
void enlargeRow(const std::uint32_t* in, const std::vector<int>& covers, std::uint32_t* out, std::uint32_t* end) {
  std::size_t i = 0;
  for (; i < covers.size() && out + Widest <= end; ++i) {
    const std::uint32_t pixel = in[i];
    for (int k = 0; k < Widest; ++k) out[k] = pixel;
    out += covers[i];
  }
  for (; i < covers.size(); ++i) {
    std::fill_n(out, covers[i], in[i]);
    out += covers[i];
  }
}

std::uint32_t* pixelsOf(Bitmap& bitmap, int y) { return reinterpret_cast<std::uint32_t*>(bitmap.scanLine(y)); }

const std::uint32_t* pixelsOf(const Bitmap& bitmap, int y) {
  return reinterpret_cast<const std::uint32_t*>(bitmap.scanLine(y));
}

}  // namespace

void copyScaledNearest(const Bitmap& source, const Placement& toScreen, Bitmap& target, const Rect& area) {
  const Rect clipped = intersect(area, Rect{0, 0, target.width(), target.height()});
  if (clipped.width() <= 0 || clipped.height() <= 0 || source.empty()) return;
  const std::size_t width = std::size_t(clipped.width());
  std::vector<int> columns(width);
  for (std::size_t x = 0; x < width; ++x)
    columns[x] = sourceIndex(clipped.left + int(x), toScreen.scale, toScreen.dx, source.width());
  // The screen pixels each source pixel of the row covers, from the first one shown on.
  const int firstColumn = columns.front();
  std::vector<int> covers(std::size_t(columns.back() - firstColumn + 1), 0);
  for (int column : columns) ++covers[std::size_t(column - firstColumn)];
  const int widest = *std::max_element(covers.begin(), covers.end());
  int previousRow = -1;
  const std::uint32_t* previous = nullptr;
  for (int y = clipped.top; y < clipped.bottom; ++y) {
    std::uint32_t* out = pixelsOf(target, y) + clipped.left;
    const int row = sourceIndex(y, toScreen.scale, toScreen.dy, source.height());
    const std::uint32_t* in = pixelsOf(source, row);
    if (row == previousRow) {
      // Enlarged, a source row covers several screen rows: the first one is copied.
      std::memcpy(out, previous, width * sizeof(std::uint32_t));
    } else if (widest <= 4) {
      std::uint32_t* end = out + width;
      widest == 1   ? enlargeRow<1>(in + firstColumn, covers, out, end)
      : widest == 2 ? enlargeRow<2>(in + firstColumn, covers, out, end)
                    : enlargeRow<4>(in + firstColumn, covers, out, end);
    } else {
      for (std::size_t x = 0; x < width; ++x) out[x] = in[columns[x]];
    }
    previousRow = row;
    previous = out;
  }
}

Rect screenPixelsOf(const RectF& logical, const Placement& toScreen) {
  const double left = logical.left * toScreen.scale + toScreen.dx;
  const double right = logical.right * toScreen.scale + toScreen.dx;
  const double top = logical.top * toScreen.scale + toScreen.dy;
  const double bottom = logical.bottom * toScreen.scale + toScreen.dy;
  // Pixel n's centre n + 0.5 lies in [left, right) when n is in [ceil(left - 0.5), ceil(right - 0.5)).
  return Rect{int(std::ceil(left - 0.5)), int(std::ceil(top - 0.5)), int(std::ceil(right - 0.5)),
              int(std::ceil(bottom - 0.5))};
}

}  // namespace tov
