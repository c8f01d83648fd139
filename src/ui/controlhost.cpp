#include "ui/controlhost.h"

#include <QImage>
#include <QMouseEvent>
#include <QPaintEngine>
#include <QPainter>
#include <QRegion>
#include <algorithm>
#include <cmath>
#include <utility>

#include "ui/application.h"
#include "ui/control.h"
#include "ui/mouse.h"
#include "ui/pointertracker.h"
#include "ui/scaled_copy.h"

namespace tov {

namespace {
bool contains(const Rect& r, int x, int y) {
  return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}
}  // namespace

ControlHost::ControlHost(QWidget* parent) : QWidget(parent) {
  setMouseTracking(true);
  // Every pixel is painted from the back buffer; Qt need not clear first.
  setAttribute(Qt::WA_OpaquePaintEvent);
}

ControlHost::~ControlHost() {
  PointerTracker::forget(*this);
  // Controls outliving their window must not call back into it.
  for (TControl* control : controls_) control->detachFromHost();
}

void ControlHost::removeControl(TControl* control) {
  controls_.erase(std::remove(controls_.begin(), controls_.end(), control), controls_.end());
  if (pressed_ == control) pressed_ = nullptr;
}

TControl* ControlHost::controlAt(int x, int y) const {
  for (auto it = controls_.rbegin(); it != controls_.rend(); ++it)
    if ((*it)->Visible() && contains((*it)->bounds(), x, y)) return *it;
  return nullptr;
}

void ControlHost::setColor(Color color) {
  if (color == color_) return;
  color_ = color;
  update();
}

void ControlHost::invalidateRect(const Rect& r) {
  update(QRect(r.left, r.top, r.width(), r.height()).translated(contentRect().topLeft()));
}

void ControlHost::repaintRect(const Rect& r) {
  repaint(QRect(r.left, r.top, r.width(), r.height()).translated(contentRect().topLeft()));
}

void ControlHost::placeChild(QWidget& child, const QRect& bounds) {
  const auto* host = dynamic_cast<const ControlHost*>(child.parentWidget());
  child.setGeometry(host ? bounds.translated(host->contentRect().topLeft()) : bounds);
}

void ControlHost::setContentRect(const QRect& content) {
  const QPoint moved = (content.isEmpty() ? rect() : content).topLeft() - contentRect().topLeft();
  content_ = content;
  if (!moved.isNull())
    for (QObject* object : children())
      if (auto* child = qobject_cast<QWidget*>(object); child && !child->isWindow()) child->move(child->pos() + moved);
  update();
}

// Scaled, the hot spot on screen pixel n arrives as n / scale; that pixel shows the form
// pixel under its centre. Worked out in the top-level window's coordinates, where the
// screen pixels are counted, also for a panel inside it.
QPoint ControlHost::contentPointAt(QPointF position) const {
  const QPointF windowOffset(mapTo(window(), QPoint(0, 0)));
  return contentPointAt(position + windowOffset, devicePixelRatioF(), windowOffset + QPointF(contentRect().topLeft()));
}

QPoint ControlHost::contentPointAt(QPointF windowPosition, double scale, QPointF origin) {
  const int x = int(std::floor(windowPosition.x() * scale + 1e-6));
  const int y = int(std::floor(windowPosition.y() * scale + 1e-6));
  return QPoint(formPixelUnder(x, scale, origin.x() * scale), formPixelUnder(y, scale, origin.y() * scale));
}

void ControlHost::controlsMoved() {
  if (pointer_) PointerTracker::controlsChanged(*this, controlAt(pointer_->x(), pointer_->y()));
}

void ControlHost::paintControls(Bitmap& target, const Rect& area) const {
  // Painting starts at the last control that hides everything before it in area (a frame
  // over the whole window), so a frame is not drawn over a cleared buffer every time.
  auto first = controls_.end();
  for (auto it = controls_.begin(); it != controls_.end(); ++it)
    if ((*it)->Visible() && (*it)->coversOpaquely(area)) first = it;
  if (first == controls_.end()) {
    Canvas canvas(target);
    canvas.setClip(area);
    canvas.fillRect(area, color_);
    first = controls_.begin();
  }
  for (auto it = first; it != controls_.end(); ++it) {
    if (!(*it)->Visible()) continue;
    Canvas inner(target);
    inner.setClip(area);
    (*it)->paint(inner);
  }
}

void ControlHost::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  paintWindow(painter, event->rect());
}

void ControlHost::paintWindow(QPainter& painter, const QRect& area) {
  const QRect content = contentRect();
  if (backBuffer_.width() != content.width() || backBuffer_.height() != content.height())
    backBuffer_.setSize(content.width(), content.height(), PixelFormat::pf32bit);
  const QRect dirty = area.intersected(rect());
  if (dirty.isEmpty()) return;
  for (const QRect& bar : QRegion(dirty) - content) painter.fillRect(bar, Qt::black);
  const QRect inside = dirty.intersected(content).translated(-content.topLeft());
  if (inside.isEmpty()) return;
  paintControls(backBuffer_, Rect{inside.left(), inside.top(), inside.right() + 1, inside.bottom() + 1});
  const QImage image(backBuffer_.data(), backBuffer_.width(), backBuffer_.height(),
                     int(backBuffer_.bytesPerLine()), QImage::Format_RGB32);
  if (!copyScaled(painter, image, inside)) painter.drawImage(inside.translated(content.topLeft()), image, inside);
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

// Scaled, the back buffer goes straight into the back store; false where the painter is
// not scaled (a plain copy is fastest then) or draws on something else.
bool ControlHost::copyScaled(QPainter& painter, const QImage& image, const QRect& inside) {
  const QTransform toScreen = painter.deviceTransform();
  if (toScreen.type() != QTransform::TxScale) return false;
  QImage* screen = imageDevice(painter);
  if (!screen) return false;
  const QPoint origin = contentRect().topLeft();
  const QTransform contentToScreen = QTransform::fromTranslate(origin.x(), origin.y()) * toScreen;
  copyScaledNearest(image, contentToScreen, *screen, screenPixelsOf(QRectF(inside), contentToScreen));
  return true;
}

void ControlHost::updateCursorAt(int x, int y) {
  TControl* under = controlAt(x, y);
  setCursor(Screen::cursor(under ? under->Cursor() : crDefault));
}

void ControlHost::pointerAt(QPoint at) {
  pointer_ = at;
  PointerTracker::pointerAt(*this, controlAt(at.x(), at.y()));
}

void ControlHost::enterEvent(QEnterEvent* event) {
  QWidget::enterEvent(event);
  pointerAt(contentPointAt(event->position()));
}

void ControlHost::leaveEvent(QEvent* event) {
  QWidget::leaveEvent(event);
  pointer_.reset();
  PointerTracker::pointerLeft(*this);
}

void ControlHost::mouseMoveEvent(QMouseEvent* event) {
  const QPoint at = contentPointAt(event->position());
  updateCursorAt(at.x(), at.y());
  TControl* under = controlAt(at.x(), at.y());
  if (under && under->OnMouseMove && !(under->ControlStyle() & csNoStdEvents)) {
    const TShiftState shift = shiftStateOf(*event);
    Application::guarded([&] { under->OnMouseMove(under, shift, at.x() - under->Left(), at.y() - under->Top()); });
  }
  // After the move's own handler, as an enter or leave follows the move that caused it.
  pointerAt(at);
}

// A click is a press and a release of the left button on the same control. Other buttons
// going down and up meanwhile neither make nor cancel it.
void ControlHost::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  const QPoint at = contentPointAt(event->position());
  pressed_ = controlAt(at.x(), at.y());
}

void ControlHost::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  const QPoint at = contentPointAt(event->position());
  TControl* pressed = std::exchange(pressed_, nullptr);
  if (!pressed || controlAt(at.x(), at.y()) != pressed) return;
  if (pressed->OnClick) Application::guarded([&] { pressed->OnClick(pressed); });
}

}  // namespace tov
