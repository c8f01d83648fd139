#include "ui/scaled_copy.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <utility>
#include <vector>

namespace tov {

int formPixelUnder(int n, double scale, double offset) {
  // The nudge settles a centre that lies exactly on an edge the same way however the
  // offset was rounded on its way here.
  return int(std::floor((n + 0.5 - offset) / scale + 1e-9));
}

namespace {

int sourceIndex(int n, double scale, double offset, int size) {
  return std::clamp(formPixelUnder(n, scale, offset), 0, size - 1);
}

}  // namespace

void copyScaledNearest(const QImage& source, const QTransform& toScreen, QImage& target, const QRect& area) {
  const QRect clipped = area.intersected(target.rect());
  if (clipped.isEmpty() || source.isNull()) return;
  const double scaleX = toScreen.m11(), scaleY = toScreen.m22();
  std::vector<int> columns(std::size_t(clipped.width()));
  for (int x = 0; x < clipped.width(); ++x)
    columns[std::size_t(x)] = sourceIndex(clipped.left() + x, scaleX, toScreen.dx(), source.width());
  // Written in place: scanLine() would detach a back store that its painter still shares.
  uchar* const base = const_cast<uchar*>(std::as_const(target).constBits());
  int previousRow = -1;
  quint32* previous = nullptr;
  for (int y = clipped.top(); y <= clipped.bottom(); ++y) {
    auto* out = reinterpret_cast<quint32*>(base + std::ptrdiff_t(y) * target.bytesPerLine()) + clipped.left();
    const int row = sourceIndex(y, scaleY, toScreen.dy(), source.height());
    if (row == previousRow) {
      // Enlarged, a source row covers several screen rows: the first one is copied.
      std::memcpy(out, previous, std::size_t(clipped.width()) * sizeof(quint32));
    } else {
      const auto* in = reinterpret_cast<const quint32*>(source.constScanLine(row));
      for (std::size_t x = 0; x < columns.size(); ++x) out[x] = in[columns[x]];
    }
    previousRow = row;
    previous = out;
  }
}

QRect screenPixelsOf(const QRectF& logical, const QTransform& toScreen) {
  const QRectF screen = toScreen.mapRect(logical);
  // Pixel n's centre n + 0.5 lies in [left, right) when n is in [ceil(left - 0.5), ceil(right - 0.5)).
  const int left = int(std::ceil(screen.left() - 0.5)), right = int(std::ceil(screen.right() - 0.5));
  const int top = int(std::ceil(screen.top() - 0.5)), bottom = int(std::ceil(screen.bottom() - 0.5));
  return QRect(QPoint(left, top), QPoint(right - 1, bottom - 1));
}

}  // namespace tov
