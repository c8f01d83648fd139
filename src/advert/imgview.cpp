#include "advert/imgview.h"

#include <QImage>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QStyle>
#include <algorithm>
#include <limits>
#include <utility>

#include "platform/errors.h"
#include "ui/scaled_copy.h"

namespace tov {

namespace {

QColor toQColor(Color c) { return QColor(redOf(c), greenOf(c), blueOf(c)); }

QRect toQRect(const Rect& r) { return QRect(r.left, r.top, r.width(), r.height()); }

bool contains(const Rect& r, QPoint at) {
  return at.x() >= r.left && at.x() < r.right && at.y() >= r.top && at.y() < r.bottom;
}

constexpr int kGripRidges = 3;
constexpr int kGripSpacing = 3;

}  // namespace

TImgView::TImgView(QWidget* parent) : QWidget(parent) {
  // Every pixel is painted by paintEvent.
  setAttribute(Qt::WA_OpaquePaintEvent);
  QObject::connect(&repeat_, &QTimer::timeout, [this] { repeatStep(); });
}

void TImgView::setColor(Color color) {
  if (color == color_) return;
  color_ = color;
  update();
}

void TImgView::setScrollBarColor(Color color) {
  if (color == barColor_) return;
  barColor_ = color;
  update();
}

void TImgView::setHandleColor(Color color) {
  if (color == handleColor_) return;
  handleColor_ = color;
  update();
}

void TImgView::setShowHandleGrip(bool show) {
  if (show == showHandleGrip_) return;
  showHandleGrip_ = show;
  update();
}

void TImgView::setScrollBarSize(int size) {
  size = std::max(size, 0);
  if (size == barSize_) return;
  barSize_ = size;
  setScrollPosition(scrollX_, scrollY_);  // the viewport changed: keep the range
  update();
}

int TImgView::scrollBarThickness() const {
  if (barSize_ > 0) return barSize_;
  return std::max(0, style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this));
}

void TImgView::loadFromFile(const std::string& fileName) {
  Picture picture;
  picture.loadFromFile(fileName);
  setPicture(picture);
}

void TImgView::setPicture(const Picture& picture) {
  Bitmap converted;
  if (const Graphic* graphic = picture.graphic(); graphic && !graphic->empty()) {
    // Bitmap::setSize refuses sizes beyond its limit before anything is allocated; a row
    // must also fit the int stride the screen's image takes.
    if (graphic->width() > std::numeric_limits<int>::max() / 4) throw EOutOfMemory(ErrorCode::PictureTooLarge);
    converted.setSize(graphic->width(), graphic->height(), PixelFormat::pf32bit);
    Canvas canvas(converted);
    const Rect whole{0, 0, converted.width(), converted.height()};
    if (graphic->transparent()) canvas.fillRect(whole, color_);
    graphic->draw(canvas, whole);
  }
  bitmap_ = std::move(converted);
  recentre();
}

void TImgView::recentre() {
  scrollX_ = horizontalAxis().centredPosition();
  scrollY_ = verticalAxis().centredPosition();
  repaint();
}

void TImgView::setScrollPosition(double x, double y) {
  const double clampedX = horizontalAxis().clamp(x);
  const double clampedY = verticalAxis().clamp(y);
  if (clampedX == scrollX_ && clampedY == scrollY_) return;
  scrollX_ = clampedX;
  scrollY_ = clampedY;
  repaint();
}

void TImgView::setAxisPosition(bool vertical, double position) {
  if (vertical)
    setScrollPosition(scrollX_, position);
  else
    setScrollPosition(position, scrollY_);
}

ViewLayout TImgView::layout() const {
  return layoutView(viewSize().width(), viewSize().height(), scrollBarThickness());
}

ViewAxis TImgView::horizontalAxis() const { return ViewAxis{bitmap_.width(), layout().viewport.width()}; }

ViewAxis TImgView::verticalAxis() const { return ViewAxis{bitmap_.height(), layout().viewport.height()}; }

ScrollBarLayout TImgView::horizontalBar() const {
  const ViewLayout parts = layout();
  return layoutScrollBar(parts.horizontalBar.width(), parts.horizontalBar.height(), horizontalAxis(), scrollX_);
}

ScrollBarLayout TImgView::verticalBar() const {
  const ViewLayout parts = layout();
  return layoutScrollBar(parts.verticalBar.height(), parts.verticalBar.width(), verticalAxis(), scrollY_);
}

QPoint TImgView::pictureOffset() const {
  return QPoint(horizontalAxis().drawingOffset(scrollX_), verticalAxis().drawingOffset(scrollY_));
}

// ---- mouse ----

int TImgView::alongBar(bool vertical, QPoint at) const {
  const ViewLayout parts = layout();
  return vertical ? at.y() - parts.verticalBar.top : at.x() - parts.horizontalBar.left;
}

TImgView::Part TImgView::partAt(const ScrollBarLayout& bar, int along) const {
  if (along < bar.arrow) return Part::ArrowBack;
  if (along >= bar.length - bar.arrow) return Part::ArrowForward;
  if (!bar.hasHandle) return Part::None;
  if (along < bar.handleStart) return Part::TrackBack;
  if (along >= bar.handleEnd()) return Part::TrackForward;
  return Part::Handle;
}

QPoint TImgView::viewPointAt(QPointF position) const {
  return ControlHost::contentPointAt(position, devicePixelRatioF(), scale_, origin_);
}

void TImgView::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  const QPoint at = viewPointAt(event->position());
  const ViewLayout parts = layout();
  for (const bool vertical : {false, true}) {
    if (!contains(vertical ? parts.verticalBar : parts.horizontalBar, at)) continue;
    const ScrollBarLayout bar = vertical ? verticalBar() : horizontalBar();
    if (!bar.active) return;
    const int along = alongBar(vertical, at);
    press_ = Press{partAt(bar, along), vertical, along, along, vertical ? scrollY_ : scrollX_,
                   bar.positionPerPixel};
    if (press_.part == Part::None || press_.part == Part::Handle) return;
    step();
    repeat_.start(kFirstRepeatMs);
    return;
  }
}

void TImgView::mouseMoveEvent(QMouseEvent* event) {
  if (press_.part == Part::None) return;
  press_.pointerAlong = alongBar(press_.vertical, viewPointAt(event->position()));
  if (press_.part == Part::Handle)
    setAxisPosition(press_.vertical,
                    press_.positionFrom + (press_.pointerAlong - press_.dragFrom) * press_.positionPerPixel);
}

void TImgView::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  repeat_.stop();
  press_ = Press{};
}

void TImgView::hideEvent(QHideEvent* event) {
  // A view hidden under a held button may never see the release.
  repeat_.stop();
  press_ = Press{};
  QWidget::hideEvent(event);
}

void TImgView::repeatStep() {
  repeat_.start(kRepeatMs);
  step();
}

void TImgView::step() {
  const bool vertical = press_.vertical;
  const double position = vertical ? scrollY_ : scrollX_;
  const ScrollBarLayout bar = vertical ? verticalBar() : horizontalBar();
  const int page = (vertical ? verticalAxis() : horizontalAxis()).viewport;
  switch (press_.part) {
    case Part::ArrowBack: setAxisPosition(vertical, position - increment_); break;
    case Part::ArrowForward: setAxisPosition(vertical, position + increment_); break;
    // A track press pages only while the pointer stays on its side of the handle.
    case Part::TrackBack:
      if (bar.hasHandle && press_.pointerAlong < bar.handleStart) setAxisPosition(vertical, position - page);
      break;
    case Part::TrackForward:
      if (bar.hasHandle && press_.pointerAlong >= bar.handleEnd()) setAxisPosition(vertical, position + page);
      break;
    case Part::Handle:
    case Part::None: break;
  }
}

void TImgView::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  // A new viewport narrows or widens the range; the position stays inside it.
  scrollX_ = horizontalAxis().clamp(scrollX_);
  scrollY_ = verticalAxis().clamp(scrollY_);
}

void TImgView::present(QSize size, double scale, QPointF origin) {
  ownSize_ = size;
  scale_ = scale;
  origin_ = origin;
  scrollX_ = horizontalAxis().clamp(scrollX_);
  scrollY_ = verticalAxis().clamp(scrollY_);
  update();
}

// ---- painting ----

void TImgView::paintEvent(QPaintEvent* event) {
  if (frame_.size() != viewSize()) frame_ = QImage(viewSize(), QImage::Format_RGB32);
  if (frame_.isNull()) return;
  {
    QPainter painter(&frame_);
    paintView(painter);
  }
  QPainter painter(this);
  const QTransform toWidget =
      QTransform::fromScale(scale_, scale_) * QTransform::fromTranslate(origin_.x(), origin_.y());
  drawNearest(painter, frame_, toWidget, event->rect(), false);
}

void TImgView::paintView(QPainter& painter) const {
  const ViewLayout parts = layout();
  painter.fillRect(toQRect(parts.viewport), toQColor(color_));
  if (!bitmap_.empty()) {
    const QImage image(bitmap_.data(), bitmap_.width(), bitmap_.height(), int(bitmap_.bytesPerLine()),
                       QImage::Format_RGB32);
    painter.save();
    painter.setClipRect(toQRect(parts.viewport));
    painter.drawImage(pictureOffset(), image);
    painter.restore();
  }
  paintBar(painter, parts.horizontalBar, horizontalBar(), false);
  paintBar(painter, parts.verticalBar, verticalBar(), true);
  painter.fillRect(toQRect(parts.corner), toQColor(kButtonFace));
}

void TImgView::paintBar(QPainter& painter, const Rect& area, const ScrollBarLayout& bar, bool vertical) const {
  // A stretch of the bar from start, length long, across its whole thickness.
  const auto stretch = [&](int start, int length) {
    return vertical ? QRect(area.left, area.top + start, area.width(), length)
                    : QRect(area.left + start, area.top, length, area.height());
  };
  const QColor barColour = toQColor(barColor_);
  const QColor handleColour = toQColor(handleColor_);
  painter.fillRect(toQRect(area), barColour);
  if (area.width() <= 0 || area.height() <= 0) return;

  // Arrow buttons: flat, framed, with a triangle that is dimmed while the bar is idle.
  const QColor glyph = bar.active ? handleColour : barColour.lighter(150);
  for (const bool forward : {false, true}) {
    if (bar.arrow <= 0) break;
    const QRect button = stretch(forward ? bar.length - bar.arrow : 0, bar.arrow);
    painter.setPen(barColour.darker(170));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(button.adjusted(0, 0, -1, -1));
    const QPointF centre = QRectF(button).center();
    const double size = std::max(2.0, std::min(button.width(), button.height()) / 3.2);
    const double tip = forward ? size : -size;
    const QPolygonF triangle =
        vertical ? QPolygonF({centre + QPointF(-size, -tip / 2), centre + QPointF(size, -tip / 2),
                              centre + QPointF(0, tip)})
                 : QPolygonF({centre + QPointF(-tip / 2, -size), centre + QPointF(-tip / 2, size),
                              centre + QPointF(tip, 0)});
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(glyph);
    painter.drawPolygon(triangle);
    painter.restore();
  }

  if (!bar.hasHandle) return;
  const QRect handle = stretch(bar.handleStart, bar.handleLength);
  painter.fillRect(handle, handleColour);
  painter.setPen(handleColour.darker(170));
  painter.setBrush(Qt::NoBrush);
  painter.drawRect(handle.adjusted(0, 0, -1, -1));
  if (!showHandleGrip_ || bar.handleLength < kGripRidges * kGripSpacing + 4) return;
  // Ridges across the handle's middle: a dark line with a light one beside it.
  const QPoint middle = handle.center();
  const int reach = std::max(1, (vertical ? handle.width() : handle.height()) / 2 - 4);
  for (int ridge = 0; ridge < kGripRidges; ++ridge) {
    const int offset = (ridge - kGripRidges / 2) * kGripSpacing;
    for (const auto& [shift, colour] : {std::pair{0, handleColour.darker(200)}, std::pair{1, QColor(Qt::white)}}) {
      painter.setPen(colour);
      if (vertical)
        painter.drawLine(middle.x() - reach, middle.y() + offset + shift, middle.x() + reach, middle.y() + offset + shift);
      else
        painter.drawLine(middle.x() + offset + shift, middle.y() - reach, middle.x() + offset + shift, middle.y() + reach);
    }
  }
}

}  // namespace tov
