#include "advert/imgview.h"

#include <algorithm>
#include <limits>
#include <utility>

#include "advert/shades.h"
#include "platform/errors.h"

namespace tov {

namespace {

constexpr int kGripRidges = 3;
constexpr int kGripSpacing = 3;
constexpr Color kWhite = 0xFFFFFF;

// The one-pixel frame just inside r.
void frame(Canvas& canvas, const Rect& r, Color colour) {
  canvas.fillRect(Rect{r.left, r.top, r.right, r.top + 1}, colour);
  canvas.fillRect(Rect{r.left, r.bottom - 1, r.right, r.bottom}, colour);
  canvas.fillRect(Rect{r.left, r.top, r.left + 1, r.bottom}, colour);
  canvas.fillRect(Rect{r.right - 1, r.top, r.right, r.bottom}, colour);
}

}  // namespace

TImgView::TImgView(Window* parent) : Window(parent, ui::WindowOptions{"", false}) {
  repeat_.setHandler([this] { repeatStep(); });
}

void TImgView::setColor(Color color) {
  if (color == color_) return;
  color_ = color;
  invalidateAll();
}

void TImgView::setScrollBarColor(Color color) {
  if (color == barColor_) return;
  barColor_ = color;
  invalidateAll();
}

void TImgView::setHandleColor(Color color) {
  if (color == handleColor_) return;
  handleColor_ = color;
  invalidateAll();
}

void TImgView::setShowHandleGrip(bool show) {
  if (show == showHandleGrip_) return;
  showHandleGrip_ = show;
  invalidateAll();
}

void TImgView::setScrollBarSize(int size) {
  size = std::max(size, 0);
  if (size == barSize_) return;
  barSize_ = size;
  setScrollPosition(scrollX_, scrollY_);  // the viewport changed: keep the range
  invalidateAll();
}

int TImgView::scrollBarThickness() const {
  if (barSize_ > 0) return barSize_;
  return native().scrollBarExtent();
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
  Repaint();
}

void TImgView::setScrollPosition(double x, double y) {
  const double clampedX = horizontalAxis().clamp(x);
  const double clampedY = verticalAxis().clamp(y);
  if (clampedX == scrollX_ && clampedY == scrollY_) return;
  scrollX_ = clampedX;
  scrollY_ = clampedY;
  Repaint();
}

void TImgView::setAxisPosition(bool vertical, double position) {
  if (vertical)
    setScrollPosition(scrollX_, position);
  else
    setScrollPosition(position, scrollY_);
}

ViewLayout TImgView::layout() const {
  return layoutView(viewSize().width, viewSize().height, scrollBarThickness());
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

Point TImgView::pictureOffset() const {
  return Point{horizontalAxis().drawingOffset(scrollX_), verticalAxis().drawingOffset(scrollY_)};
}

// ---- mouse ----

int TImgView::alongBar(bool vertical, Point at) const {
  const ViewLayout parts = layout();
  return vertical ? at.y - parts.verticalBar.top : at.x - parts.horizontalBar.left;
}

TImgView::Part TImgView::partAt(const ScrollBarLayout& bar, int along) const {
  if (along < bar.arrow) return Part::ArrowBack;
  if (along >= bar.length - bar.arrow) return Part::ArrowForward;
  if (!bar.hasHandle) return Part::None;
  if (along < bar.handleStart) return Part::TrackBack;
  if (along >= bar.handleEnd()) return Part::TrackForward;
  return Part::Handle;
}

void TImgView::pointerPressed(Point at, TMouseButton button, TShiftState) {
  if (button != TMouseButton::mbLeft) return;
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

void TImgView::pointerMoved(Point at, TShiftState) {
  if (press_.part == Part::None) return;
  press_.pointerAlong = alongBar(press_.vertical, at);
  if (press_.part == Part::Handle)
    setAxisPosition(press_.vertical,
                    press_.positionFrom + (press_.pointerAlong - press_.dragFrom) * press_.positionPerPixel);
}

void TImgView::pointerReleased(Point, TMouseButton button, TShiftState) {
  if (button != TMouseButton::mbLeft) return;
  repeat_.stop();
  press_ = Press{};
}

void TImgView::hidden() {
  // A view hidden under a held button may never see the release.
  repeat_.stop();
  press_ = Press{};
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

// A new viewport narrows or widens the range; the position stays inside it.
void TImgView::resized(Size) {
  scrollX_ = horizontalAxis().clamp(scrollX_);
  scrollY_ = verticalAxis().clamp(scrollY_);
  invalidateAll();
}

// ---- painting ----

void TImgView::paint(Bitmap& target, const Rect& area) {
  const ViewLayout parts = layout();
  Canvas canvas(target);
  canvas.setClip(intersect(area, parts.viewport));
  canvas.fillRect(parts.viewport, color_);
  if (!bitmap_.empty()) canvas.copyBitmap(pictureOffset().x, pictureOffset().y, bitmap_);
  canvas.setClip(area);
  paintBar(canvas, parts.horizontalBar, horizontalBar(), false);
  paintBar(canvas, parts.verticalBar, verticalBar(), true);
  canvas.fillRect(parts.corner, kButtonFace);
}

void TImgView::paintBar(Canvas& canvas, const Rect& area, const ScrollBarLayout& bar, bool vertical) const {
  canvas.fillRect(area, barColor_);
  if (area.width() <= 0 || area.height() <= 0) return;
  paintArrows(canvas, area, bar, vertical);
  if (!bar.hasHandle) return;
  paintHandle(canvas, vertical ? rectOf(area.left, area.top + bar.handleStart, area.width(), bar.handleLength)
                               : rectOf(area.left + bar.handleStart, area.top, bar.handleLength, area.height()),
              vertical);
}

// Arrow buttons: flat, framed, with a triangle that is dimmed while the bar is idle.
void TImgView::paintArrows(Canvas& canvas, const Rect& area, const ScrollBarLayout& bar, bool vertical) const {
  const Color glyph = bar.active ? handleColor_ : lighterShade(barColor_, 150);
  for (const bool forward : {false, true}) {
    if (bar.arrow <= 0) break;
    const int start = forward ? bar.length - bar.arrow : 0;
    const Rect button = vertical ? rectOf(area.left, area.top + start, area.width(), bar.arrow)
                                 : rectOf(area.left + start, area.top, bar.arrow, area.height());
    frame(canvas, button, darkerShade(barColor_, 170));
    const PointF centre{(button.left + button.right) / 2.0, (button.top + button.bottom) / 2.0};
    const double size = std::max(2.0, std::min(button.width(), button.height()) / 3.2);
    const double tip = forward ? size : -size;
    const auto at = [&](double along, double across) {
      return vertical ? PointF{centre.x + across, centre.y + along} : PointF{centre.x + along, centre.y + across};
    };
    canvas.fillTriangle({at(-tip / 2, -size), at(-tip / 2, size), at(tip, 0)}, glyph);
  }
}

// The handle, framed, with ridges across its middle: a dark line with a light one beside it.
void TImgView::paintHandle(Canvas& canvas, const Rect& handle, bool vertical) const {
  canvas.fillRect(handle, handleColor_);
  frame(canvas, handle, darkerShade(handleColor_, 170));
  const int length = vertical ? handle.height() : handle.width();
  if (!showHandleGrip_ || length < kGripRidges * kGripSpacing + 4) return;
  const Point middle{(handle.left + handle.right - 1) / 2, (handle.top + handle.bottom - 1) / 2};
  const int reach = std::max(1, (vertical ? handle.width() : handle.height()) / 2 - 4);
  for (int ridge = 0; ridge < kGripRidges; ++ridge) {
    const int offset = (ridge - kGripRidges / 2) * kGripSpacing;
    for (const auto& [shift, colour] : {std::pair{0, darkerShade(handleColor_, 200)}, std::pair{1, kWhite}}) {
      const int across = offset + shift;
      canvas.fillRect(vertical ? Rect{middle.x - reach, middle.y + across, middle.x + reach + 1, middle.y + across + 1}
                               : Rect{middle.x + across, middle.y - reach, middle.x + across + 1, middle.y + reach + 1},
                      colour);
    }
  }
}

}  // namespace tov
