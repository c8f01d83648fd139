#include "ui/controlhost.h"

#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QRegion>
#include <QVariant>
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

// Where a child window lies in its parent's content, kept so that it follows the content.
constexpr char kFormBounds[] = "tovFormBounds";

// The whole pixels inside area.
QRect innerPixels(const QRectF& area) {
  return QRect(QPoint(int(std::ceil(area.left())), int(std::ceil(area.top()))),
               QPoint(int(std::floor(area.right())) - 1, int(std::floor(area.bottom())) - 1));
}
}  // namespace

QFont scaledFont(QFont font, double scale) {
  if (scale == 1.0) return font;
  if (font.pixelSize() > 0)
    font.setPixelSize(std::max(1, int(std::lround(font.pixelSize() * scale))));
  else if (font.pointSizeF() > 0)
    font.setPointSizeF(font.pointSizeF() * scale);
  return font;
}

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
  update(contentToWindow().mapRect(QRectF(r.left, r.top, r.width(), r.height())).toAlignedRect());
}

void ControlHost::repaintRect(const Rect& r) {
  repaint(contentToWindow().mapRect(QRectF(r.left, r.top, r.width(), r.height())).toAlignedRect());
}

QTransform ControlHost::contentToWindow() const {
  return QTransform::fromScale(scale_, scale_) * QTransform::fromTranslate(origin_.x(), origin_.y());
}

// The child's window takes the whole pixels whose centres lie on its scaled bounds, and is
// told how far its own pixels lie from that window's corner.
void ControlHost::placeChild(QWidget& child, const QRect& bounds) {
  child.setProperty(kFormBounds, bounds);
  const auto* host = dynamic_cast<const ControlHost*>(child.parentWidget());
  const QTransform toParent = host ? host->contentToWindow() : QTransform();
  const QRect placed = screenPixelsOf(QRectF(bounds), toParent);
  child.setGeometry(placed);
  if (auto* presented = dynamic_cast<PresentedWindow*>(&child))
    presented->present(bounds.size(), toParent.m11(),
                       toParent.map(QPointF(bounds.topLeft())) - QPointF(placed.topLeft()));
}

void ControlHost::setPresentation(QSize size, double scale, QPointF origin) {
  if (size == contentSize_ && scale == scale_ && origin == origin_) return;
  contentSize_ = size;
  scale_ = scale;
  origin_ = origin;
  for (QObject* object : children()) {
    auto* child = qobject_cast<QWidget*>(object);
    const QVariant bounds = child && !child->isWindow() ? child->property(kFormBounds) : QVariant();
    if (bounds.isValid()) placeChild(*child, bounds.toRect());
  }
  update();
}

// The hot spot on screen pixel n arrives as n / devicePixelRatio; that pixel shows the form
// pixel under its centre. Worked out in the top-level window's coordinates, where the
// screen pixels are counted, also for a panel inside it.
QPoint ControlHost::contentPointAt(QPointF position) const {
  const QPointF windowOffset(mapTo(window(), QPoint(0, 0)));
  return contentPointAt(position + windowOffset, devicePixelRatioF(), scale_, windowOffset + origin_);
}

QPoint ControlHost::contentPointAt(QPointF windowPosition, double devicePixelRatio, double scale, QPointF origin) {
  const int x = int(std::floor(windowPosition.x() * devicePixelRatio + 1e-6));
  const int y = int(std::floor(windowPosition.y() * devicePixelRatio + 1e-6));
  const double screenPixelsPerFormPixel = scale * devicePixelRatio;
  return QPoint(formPixelUnder(x, screenPixelsPerFormPixel, origin.x() * devicePixelRatio),
                formPixelUnder(y, screenPixelsPerFormPixel, origin.y() * devicePixelRatio));
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

// A form's window paints the bars round its content: the pixels the content covers in part
// are painted black first, the content then over those whose centres lie on it. A window
// inside a form shows its content to its edges.
void ControlHost::paintWindow(QPainter& painter, const QRect& area) {
  const QSize content = contentSize();
  if (backBuffer_.width() != content.width() || backBuffer_.height() != content.height())
    backBuffer_.setSize(content.width(), content.height(), PixelFormat::pf32bit);
  const QRect dirty = area.intersected(rect());
  if (dirty.isEmpty()) return;
  const QTransform toWindow = contentToWindow();
  if (isWindow())
    for (const QRect& bar : QRegion(dirty) - innerPixels(toWindow.mapRect(QRectF(QPointF(), QSizeF(content)))))
      painter.fillRect(bar, Qt::black);
  const QRect inside = toWindow.inverted().mapRect(QRectF(dirty)).toAlignedRect().intersected(QRect(QPoint(), content));
  if (inside.isEmpty()) return;
  paintControls(backBuffer_, Rect{inside.left(), inside.top(), inside.right() + 1, inside.bottom() + 1});
  const QImage image(backBuffer_.data(), backBuffer_.width(), backBuffer_.height(),
                     int(backBuffer_.bytesPerLine()), QImage::Format_RGB32);
  drawNearest(painter, image, toWindow, dirty, isWindow());
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
