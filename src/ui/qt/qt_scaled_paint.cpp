#include "ui/qt/qt_scaled_paint.h"

#include <QImage>
#include <QPaintEngine>
#include <utility>

#include "ui/scaled_copy.h"

namespace tov::qt {

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

Placement placementOf(const QTransform& transform) { return Placement{transform.m11(), transform.dx(), transform.dy()}; }

RectF rectFOf(const QRectF& r) { return RectF{r.left(), r.top(), r.right(), r.bottom()}; }

}  // namespace

// Scaled, the content goes straight into the back store. Unscaled (a plain copy is fastest
// then), or drawn on something else, the painter copies it.
void drawNearest(QPainter& painter, const Bitmap& content, const QTransform& toWidget, const QRect& dirty,
                 bool onlyContent) {
  const QTransform toScreen = toWidget * painter.deviceTransform();
  QImage* screen = toScreen.type() == QTransform::TxScale ? imageDevice(painter) : nullptr;
  if (!screen) {
    const QImage image(content.data(), content.width(), content.height(), int(content.stride()), QImage::Format_RGB32);
    const QRectF source = toWidget.inverted().mapRect(QRectF(dirty)).intersected(QRectF(image.rect()));
    if (!source.isEmpty()) painter.drawImage(toWidget.mapRect(source), image, source);
    return;
  }
  // Written in place, so kept to what the painter may touch: a window inside another
  // shares its back store. scanLine() would detach a back store that its painter still shares.
  Rect area = screenPixelsOf(rectFOf(QRectF(dirty)), placementOf(painter.deviceTransform()));
  if (onlyContent)
    area = intersect(area, screenPixelsOf(RectF{0, 0, double(content.width()), double(content.height())},
                                          placementOf(toScreen)));
  Bitmap target = Bitmap::view(const_cast<uchar*>(std::as_const(*screen).constBits()), screen->width(),
                               screen->height(), std::size_t(screen->bytesPerLine()), PixelFormat::pf32bit);
  copyScaledNearest(content, placementOf(toScreen), target, area);
}

}  // namespace tov::qt
