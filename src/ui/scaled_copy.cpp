#include "ui/scaled_copy.h"

#include <QPaintEngine>
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <utility>
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

namespace {

int sourceIndex(int n, double scale, double offset, int size) {
  return std::clamp(formPixelUnder(n, scale, offset), 0, size - 1);
}

}  // namespace

namespace {

// An enlarged row: each source pixel written Widest times, the next one starting as many
// screen pixels later as it covers, so that its writes replace the excess. Writing more
// than needed and moving on by the count beats looking every screen pixel up. Near the
// row's end, where the excess would spill past it, each pixel is written exactly.
template <int Widest>
void enlargeRow(const quint32* in, const std::vector<int>& covers, quint32* out, quint32* end) {
  std::size_t i = 0;
  for (; i < covers.size() && out + Widest <= end; ++i) {
    const quint32 pixel = in[i];
    for (int k = 0; k < Widest; ++k) out[k] = pixel;
    out += covers[i];
  }
  for (; i < covers.size(); ++i) {
    std::fill_n(out, covers[i], in[i]);
    out += covers[i];
  }
}

}  // namespace

void copyScaledNearest(const QImage& source, const QTransform& toScreen, QImage& target, const QRect& area) {
  const QRect clipped = area.intersected(target.rect());
  if (clipped.isEmpty() || source.isNull()) return;
  const double scaleX = toScreen.m11(), scaleY = toScreen.m22();
  const std::size_t width = std::size_t(clipped.width());
  std::vector<int> columns(width);
  for (std::size_t x = 0; x < width; ++x)
    columns[x] = sourceIndex(clipped.left() + int(x), scaleX, toScreen.dx(), source.width());
  // The screen pixels each source pixel of the row covers, from the first one shown on.
  const int firstColumn = columns.front();
  std::vector<int> covers(std::size_t(columns.back() - firstColumn + 1), 0);
  for (int column : columns) ++covers[std::size_t(column - firstColumn)];
  const int widest = *std::max_element(covers.begin(), covers.end());
  // Written in place: scanLine() would detach a back store that its painter still shares.
  uchar* const base = const_cast<uchar*>(std::as_const(target).constBits());
  int previousRow = -1;
  quint32* previous = nullptr;
  for (int y = clipped.top(); y <= clipped.bottom(); ++y) {
    auto* out = reinterpret_cast<quint32*>(base + std::ptrdiff_t(y) * target.bytesPerLine()) + clipped.left();
    const int row = sourceIndex(y, scaleY, toScreen.dy(), source.height());
    const auto* in = reinterpret_cast<const quint32*>(source.constScanLine(row));
    if (row == previousRow) {
      // Enlarged, a source row covers several screen rows: the first one is copied.
      std::memcpy(out, previous, width * sizeof(quint32));
    } else if (widest <= 4) {
      quint32* end = out + width;
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

QRect screenPixelsOf(const QRectF& logical, const QTransform& toScreen) {
  const QRectF screen = toScreen.mapRect(logical);
  // Pixel n's centre n + 0.5 lies in [left, right) when n is in [ceil(left - 0.5), ceil(right - 0.5)).
  const int left = int(std::ceil(screen.left() - 0.5)), right = int(std::ceil(screen.right() - 0.5));
  const int top = int(std::ceil(screen.top() - 0.5)), bottom = int(std::ceil(screen.bottom() - 0.5));
  return QRect(QPoint(left, top), QPoint(right - 1, bottom - 1));
}

namespace {
// The image a painter draws on, when it is one of 32 bits a pixel (Qt's back store of a
// window drawn in software).
QImage* imageDevice(QPainter& painter) {
  QPaintEngine* engine = painter.paintEngine();
  QPaintDevice* device = engine ? engine->paintDevice() : nullptr;
  if (!device || device->devType() != QInternal::Image) return nullptr;
  auto* image = static_cast<QImage*>(device);
  const QImage::Format format = image->format();
  const bool fits = format == QImage::Format_RGB32 || format == QImage::Format_ARGB32 ||
                    format == QImage::Format_ARGB32_Premultiplied;
  return fits ? image : nullptr;
}
}  // namespace

// Scaled, the content goes straight into the back store. Unscaled (a plain copy is fastest
// then), or drawn on something else, the painter copies it.
void drawNearest(QPainter& painter, const QImage& content, const QTransform& toWidget, const QRect& dirty,
                 bool onlyContent) {
  const QTransform toScreen = toWidget * painter.deviceTransform();
  QImage* screen = toScreen.type() == QTransform::TxScale ? imageDevice(painter) : nullptr;
  if (!screen) {
    const QRectF source = toWidget.inverted().mapRect(QRectF(dirty)).intersected(QRectF(content.rect()));
    if (!source.isEmpty()) painter.drawImage(toWidget.mapRect(source), content, source);
    return;
  }
  // Written in place, so kept to what the painter may touch: a window inside another
  // shares its back store.
  QRect area = screenPixelsOf(QRectF(dirty), painter.deviceTransform());
  if (onlyContent) area &= screenPixelsOf(QRectF(content.rect()), toScreen);
  copyScaledNearest(content, toScreen, *screen, area);
}

}  // namespace tov
