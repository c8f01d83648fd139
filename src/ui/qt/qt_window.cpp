#include "ui/qt/qt_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QRegion>
#include <QStyle>
#include <QToolTip>
#include <QVariant>
#include <QWindow>
#include <algorithm>
#include <cmath>

#include "ui/qt/qt_convert.h"
#include "ui/qt/qt_cursors.h"
#include "ui/qt/qt_scaled_paint.h"
#include "ui/scaled_copy.h"

namespace tov::qt {

namespace {
bool g_scaleToWindow = false;

// Where a child widget lies in its parent's content, kept so that it follows the content.
constexpr char kFormBounds[] = "tovFormBounds";

// The whole pixels inside area.
QRect innerPixels(const QRectF& area) {
  return QRect(QPoint(int(std::ceil(area.left())), int(std::ceil(area.top()))),
               QPoint(int(std::floor(area.right())) - 1, int(std::floor(area.bottom())) - 1));
}

// The screen pixels whose centres lie in bounds (form pixels) placed by toParent.
QRect screenPixelsIn(const QRect& bounds, const QTransform& toParent) {
  const Rect pixels = screenPixelsOf(RectF{double(bounds.left()), double(bounds.top()), double(bounds.right() + 1),
                                           double(bounds.bottom() + 1)},
                                     Placement{toParent.m11(), toParent.dx(), toParent.dy()});
  return toQRect(pixels);
}
}  // namespace

void setScaleToWindow(bool on) { g_scaleToWindow = on; }

QFont scaledFont(QFont font, double scale) {
  if (scale == 1.0) return font;
  if (font.pixelSize() > 0)
    font.setPixelSize(std::max(1, int(std::lround(font.pixelSize() * scale))));
  else if (font.pointSizeF() > 0)
    font.setPointSizeF(font.pointSizeF() * scale);
  return font;
}

WindowWidget::WindowWidget(ui::WindowEvents& events, WindowWidget* parent, const ui::WindowOptions& options)
    : QWidget(parent), events_(&events) {
  if (!parent) {
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    setAttribute(Qt::WA_DeleteOnClose, false);
  }
  setObjectName(QString::fromStdString(options.name));
  setMouseTracking(options.tracksPointer);
  // Every pixel is painted from the back buffer; Qt need not clear first.
  setAttribute(Qt::WA_OpaquePaintEvent);
}

WindowWidget::~WindowWidget() {
  events_ = nullptr;
  // The widgets inside belong to windows of the layer, which take them away themselves.
  for (QObject* object : children())
    if (auto* child = qobject_cast<QWidget*>(object)) child->setParent(nullptr);
}

QTransform WindowWidget::contentToWindow() const {
  return QTransform::fromScale(scale_, scale_) * QTransform::fromTranslate(origin_.x(), origin_.y());
}

// The child takes the whole pixels whose centres lie on its scaled bounds, and is told how
// far its own pixels lie from its corner.
void WindowWidget::placeChild(QWidget& child, const QRect& bounds) {
  child.setProperty(kFormBounds, bounds);
  const auto* host = dynamic_cast<const WindowWidget*>(child.parentWidget());
  const QTransform toParent = host ? host->contentToWindow() : QTransform();
  const QRect placed = screenPixelsIn(bounds, toParent);
  child.setGeometry(placed);
  if (auto* presented = dynamic_cast<PresentedWindow*>(&child))
    presented->present(bounds.size(), toParent.m11(),
                       toParent.map(QPointF(bounds.topLeft())) - QPointF(placed.topLeft()));
}

void WindowWidget::setOwnSize(QSize size) {
  ownSize_ = size;
  presentInWindow();
}

void WindowWidget::setPresentation(QSize size, double scale, QPointF origin) {
  if (size != contentSize_ || scale != scale_ || origin != origin_) {
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
  noteFormSize();
}

// Given another size than its own (full screen on an output of another size, where a
// Wayland compositor keeps its own mode, or made as large as the output by a kiosk
// compositor), a form lies in the middle, with black bars round it: scaled to fill the
// window one way where forms are, else at its own size where the window is larger. The
// size is the one the windowing system gives the window, on whichever output it is.
void WindowWidget::presentInWindow() {
  const bool larger = width() >= ownSize_.width() && height() >= ownSize_.height();
  if (!ownSize_.isValid() || size() == ownSize_ || (!g_scaleToWindow && !larger)) {
    setPresentation({}, 1.0, {});
    return;
  }
  const double scale =
      g_scaleToWindow ? presentationScale(width(), height(), ownSize_.width(), ownSize_.height()) : 1.0;
  const QSize shown(int(std::lround(ownSize_.width() * scale)), int(std::lround(ownSize_.height() * scale)));
  setPresentation(ownSize_, scale, QPointF((width() - shown.width()) / 2, (height() - shown.height()) / 2));
}

// Told once for each new number of form pixels, also while the widget is hidden (Qt resizes
// a hidden widget without an event until it is shown).
void WindowWidget::noteFormSize() {
  const QSize now = contentSize();
  if (notedFormSize_ == now) return;
  notedFormSize_ = now;
  if (events_) events_->resized(Size{now.width(), now.height()});
}

void WindowWidget::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  if (isWindow()) presentInWindow();
  noteFormSize();
}

// The hot spot on screen pixel n arrives as n / devicePixelRatio; that pixel shows the form
// pixel under its centre. Worked out in the top-level window's coordinates, where the
// screen pixels are counted, also for a widget inside it.
QPoint WindowWidget::contentPointAt(QPointF position) const {
  const QPointF windowOffset(mapTo(window(), QPoint(0, 0)));
  const Point at = formPointAt(toPointF(position + windowOffset), devicePixelRatioF(), scale_,
                               toPointF(windowOffset + origin_));
  return QPoint(at.x, at.y);
}

void WindowWidget::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  paintWindow(painter, event->rect());
}

// A form's window paints the bars round its content: the pixels the content covers in part
// are painted black first, the content then over those whose centres lie on it. A window
// inside a form shows its content to its edges.
void WindowWidget::paintWindow(QPainter& painter, const QRect& area) {
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
  if (events_) events_->paint(backBuffer_, toRect(inside));
  drawNearest(painter, backBuffer_, toWindow, dirty, isWindow());
}

bool WindowWidget::event(QEvent* event) {
  if (event->type() == QEvent::WindowActivate && events_) events_->activated();
  if (event->type() == QEvent::ToolTip && showToolTip(static_cast<QHelpEvent&>(*event))) return true;
  return QWidget::event(event);
}

bool WindowWidget::showToolTip(const QHelpEvent& event) {
  if (!events_) return false;
  const std::optional<ui::ToolTip> tip = events_->toolTipAt(toPoint(contentPointAt(event.pos())));
  if (!tip) return false;
  const QRect area = contentToWindow().mapRect(QRectF(toQRect(tip->area))).toAlignedRect();
  QToolTip::showText(event.globalPos(), QString::fromStdString(tip->text), this, area);
  return true;
}

void WindowWidget::enterEvent(QEnterEvent* event) {
  QWidget::enterEvent(event);
  if (events_) events_->pointerEntered(toPoint(contentPointAt(event->position())));
}

void WindowWidget::leaveEvent(QEvent* event) {
  QWidget::leaveEvent(event);
  if (events_) events_->pointerLeft();
}

void WindowWidget::mouseMoveEvent(QMouseEvent* event) {
  if (events_) events_->pointerMoved(toPoint(contentPointAt(event->position())), shiftStateOf(*event));
}

void WindowWidget::pressed(QMouseEvent& event) {
  const std::optional<TMouseButton> button = buttonOf(event.button());
  if (events_ && button)
    events_->pointerPressed(toPoint(contentPointAt(event.position())), *button, shiftStateOf(event));
}

void WindowWidget::mousePressEvent(QMouseEvent* event) { pressed(*event); }

// A second press in quick succession is a press too.
void WindowWidget::mouseDoubleClickEvent(QMouseEvent* event) { pressed(*event); }

void WindowWidget::mouseReleaseEvent(QMouseEvent* event) {
  const std::optional<TMouseButton> button = buttonOf(event->button());
  if (events_ && button)
    events_->pointerReleased(toPoint(contentPointAt(event->position())), *button, shiftStateOf(*event));
}

void WindowWidget::closeEvent(QCloseEvent* event) {
  QWidget::closeEvent(event);
  if (event->isAccepted() && events_) events_->closed();
}

void WindowWidget::hideEvent(QHideEvent* event) {
  QWidget::hideEvent(event);
  if (events_) events_->hidden();
}

void WindowWidget::becomeModal() {
  setWindowModality(Qt::ApplicationModal);
  // Kept above the window it was opened from, which may be full screen.
  QWidget* active = QApplication::activeWindow();
  if (!active || active == this) return;
  winId();
  if (QWindow* own = windowHandle(); own && active->windowHandle()) own->setTransientParent(active->windowHandle());
}

QtWindow::QtWindow(ui::WindowEvents& events, QtWindow* parent, const ui::WindowOptions& options)
    : widget_(new WindowWidget(events, parent ? parent->widget_ : nullptr, options)) {}

QtWindow::~QtWindow() {
  widget_->detach();
  delete widget_;
}

void QtWindow::setBounds(const Rect& bounds) {
  if (!widget_->isWindow()) {
    WindowWidget::placeChild(*widget_, toQRect(bounds));
    return;
  }
  widget_->setGeometry(toQRect(bounds));
  widget_->setOwnSize(QSize(bounds.width(), bounds.height()));
}

void QtWindow::resize(Size size) {
  widget_->QWidget::resize(size.width, size.height);
  widget_->setOwnSize(QSize(size.width, size.height));
}

void QtWindow::move(Point topLeft) { widget_->QWidget::move(topLeft.x, topLeft.y); }

Rect QtWindow::screenBounds() const { return toRect(widget_->geometry()); }

Size QtWindow::formSize() const { return Size{widget_->contentSize().width(), widget_->contentSize().height()}; }

void QtWindow::setVisible(bool visible) { widget_->setVisible(visible); }

bool QtWindow::visible() const { return !widget_->isHidden(); }

void QtWindow::invalidate(const Rect& area) {
  widget_->update(widget_->contentToWindow().mapRect(QRectF(toQRect(area))).toAlignedRect());
}

void QtWindow::repaintNow(const Rect& area) {
  widget_->repaint(widget_->contentToWindow().mapRect(QRectF(toQRect(area))).toAlignedRect());
}

void QtWindow::setCursor(TCursor cursor) { widget_->setCursor(cursorOf(cursor)); }

int QtWindow::scrollBarExtent() const {
  return std::max(0, widget_->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, widget_));
}

void QtWindow::setCaption(const std::string& caption) { widget_->setWindowTitle(QString::fromStdString(caption)); }

// Asked before the window is mapped, the state goes out with the map.
void QtWindow::setFullScreen(bool on) {
  const Qt::WindowStates state = widget_->windowState();
  widget_->setWindowState(on ? state | Qt::WindowFullScreen : state & ~Qt::WindowFullScreen);
}

bool QtWindow::fullScreen() const { return widget_->isFullScreen(); }

void QtWindow::minimize() { widget_->showMinimized(); }

bool QtWindow::minimized() const { return widget_->isMinimized(); }

void QtWindow::restore() {
  widget_->setWindowState(widget_->windowState() & ~Qt::WindowMinimized);
  widget_->show();
}

void QtWindow::close() { widget_->close(); }

void QtWindow::setModal() { widget_->becomeModal(); }

std::uint64_t QtWindow::nativeId() { return std::uint64_t(widget_->winId()); }

}  // namespace tov::qt
