#include "components/morphbutton.h"

#include <QImage>
#include <QMouseEvent>
#include <QPainter>

#include "ui/application.h"

namespace tov {

TMorphButton::TMorphButton(QWidget& parent, std::string name) : QWidget(&parent), name_(std::move(name)) {
  setObjectName(QString::fromStdString(name_));
}

void TMorphButton::setStretchToFit(bool stretch) {
  if (stretch == stretchToFit_) return;
  stretchToFit_ = stretch;
  update();
}

void TMorphButton::setCursorId(TCursor cursor) { setCursor(Screen::cursor(cursor)); }

void TMorphButton::paintEvent(QPaintEvent*) {
  Bitmap buffer(width(), height(), PixelFormat::pf32bit);
  Canvas canvas(buffer);
  canvas.fillRect(Rect{0, 0, width(), height()}, 0xFFFFFF);
  if (const Graphic* graphic = picture1_.graphic(); graphic && !graphic->empty()) {
    const Rect dest = stretchToFit_ ? Rect{0, 0, width(), height()}
                                    : Rect{0, 0, graphic->width(), graphic->height()};
    graphic->draw(canvas, dest);
  }
  const QImage image(buffer.data(), buffer.width(), buffer.height(), int(buffer.bytesPerLine()),
                     QImage::Format_RGB32);
  QPainter(this).drawImage(0, 0, image);
}

void TMorphButton::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) && OnClick)
    Application::guarded([this] { OnClick(this); });
}

}  // namespace tov
