#include "ui/qt/qt_cursors.h"

#include <QImage>
#include <QPixmap>
#include <map>

namespace tov::qt {

namespace {
std::map<TCursor, QCursor>& registry() {
  static std::map<TCursor, QCursor> cursors;
  return cursors;
}
}  // namespace

void registerCursor(TCursor id, const CursorImage& image) { registry()[id] = makeCursor(image); }

QCursor cursorOf(TCursor id) {
  auto found = registry().find(id);
  return found == registry().end() ? QCursor(Qt::ArrowCursor) : found->second;
}

QCursor makeCursor(const CursorImage& image) {
  // A colour picture rather than a bitmap and mask: Qt draws a bitmap cursor on X11 only,
  // and on Wayland falls back to the arrow (after a failed zero-size buffer).
  QImage picture(image.width, image.height, QImage::Format_ARGB32);
  for (int y = 0; y < image.height; ++y)
    for (int x = 0; x < image.width; ++x) {
      const CursorPixel pixel = image.at(x, y);
      picture.setPixel(x, y, pixel == CursorPixel::Transparent ? 0x00000000u
                             : pixel == CursorPixel::Black     ? 0xFF000000u
                                                               : 0xFFFFFFFFu);
    }
  return QCursor(QPixmap::fromImage(picture), image.hotX, image.hotY);
}

}  // namespace tov::qt
