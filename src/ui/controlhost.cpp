#include "ui/controlhost.h"

#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <utility>

#include "ui/application.h"
#include "ui/control.h"
#include "ui/mouse.h"
#include "ui/pointertracker.h"

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
  update(QRect(r.left, r.top, r.width(), r.height()));
}

void ControlHost::repaintRect(const Rect& r) {
  repaint(QRect(r.left, r.top, r.width(), r.height()));
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
  if (backBuffer_.width() != width() || backBuffer_.height() != height())
    backBuffer_.setSize(width(), height(), PixelFormat::pf32bit);
  const QRect dirty = event->rect().intersected(rect());
  if (dirty.isEmpty()) return;
  paintControls(backBuffer_, Rect{dirty.left(), dirty.top(), dirty.right() + 1, dirty.bottom() + 1});
  const QImage image(backBuffer_.data(), backBuffer_.width(), backBuffer_.height(),
                     int(backBuffer_.bytesPerLine()), QImage::Format_RGB32);
  QPainter painter(this);
  painter.drawImage(dirty, image, dirty);
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
  pointerAt(event->position().toPoint());
}

void ControlHost::leaveEvent(QEvent* event) {
  QWidget::leaveEvent(event);
  pointer_.reset();
  PointerTracker::pointerLeft(*this);
}

void ControlHost::mouseMoveEvent(QMouseEvent* event) {
  const QPoint at = event->position().toPoint();
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
  const QPoint at = event->position().toPoint();
  pressed_ = controlAt(at.x(), at.y());
}

void ControlHost::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  const QPoint at = event->position().toPoint();
  TControl* pressed = std::exchange(pressed_, nullptr);
  if (!pressed || controlAt(at.x(), at.y()) != pressed) return;
  if (pressed->OnClick) Application::guarded([&] { pressed->OnClick(pressed); });
}

}  // namespace tov
