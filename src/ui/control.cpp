#include "ui/control.h"

#include <algorithm>

#include "ui/controlhost.h"
#include "ui/pointertracker.h"

namespace tov {

TControl::TControl(ControlHost& host, std::string name) : host_(&host), name_(std::move(name)) {
  host.addControl(this);
}

TControl::~TControl() {
  PointerTracker::forget(*this);
  if (host_) host_->removeControl(this);
}

void TControl::setBounds(int left, int top, int width, int height) {
  const Rect next{left, top, left + width, top + height};
  if (next == bounds_) return;
  invalidate();
  bounds_ = next;
  invalidate();
  boundsChanged();
  if (host_) host_->controlsMoved();
}

void TControl::setVisible(bool visible) {
  if (visible == visible_) return;
  visible_ = visible;
  invalidate();
  if (host_) host_->controlsMoved();
}

bool TControl::coversOpaquely(const Rect& area) const {
  return (style_ & csOpaque) && bounds_.left <= area.left && bounds_.top <= area.top &&
         bounds_.right >= area.right && bounds_.bottom >= area.bottom;
}

void TControl::repaint() {
  if (host_) host_->repaintRect(bounds_);
}

void TControl::setCursor(TCursor cursor) { cursor_ = cursor; }

void TControl::invalidate() {
  if (host_) host_->invalidateRect(bounds_);
}

void TImage::setPicture(const Picture& picture) {
  picture_.assign(picture);
  pictureChanged();
}

void TImage::loadPicture(const std::string& fileName) {
  picture_.loadFromFile(fileName);
  pictureChanged();
}

void TImage::clearPicture() {
  picture_.clear();
  pictureChanged();
}

void TImage::pictureChanged() {
  if (autoSize_) fitToPicture();
  invalidate();
}

void TImage::setAutoSize(bool autoSize) {
  if (autoSize == autoSize_) return;
  autoSize_ = autoSize;
  if (autoSize_) fitToPicture();
}

void TImage::setStretch(bool stretch) {
  if (stretch == stretch_) return;
  stretch_ = stretch;
  invalidate();
}

void TImage::fitToPicture() {
  if (picture_.width() > 0 && picture_.height() > 0)
    setBounds(Left(), Top(), picture_.width(), picture_.height());
}

Rect TImage::drawnRect() const {
  const Graphic* graphic = picture_.graphic();
  return stretch_ ? bounds() : Rect{Left(), Top(), Left() + graphic->width(), Top() + graphic->height()};
}

bool TImage::coversOpaquely(const Rect& area) const {
  const Graphic* graphic = picture_.graphic();
  if (!graphic || graphic->empty() || graphic->transparent()) return false;
  const Rect drawn = drawnRect();
  const Rect& b = bounds();
  return std::max(drawn.left, b.left) <= area.left && std::max(drawn.top, b.top) <= area.top &&
         std::min(drawn.right, b.right) >= area.right && std::min(drawn.bottom, b.bottom) >= area.bottom;
}

void TImage::paint(Canvas& canvas) const {
  const Graphic* graphic = picture_.graphic();
  if (!graphic || graphic->empty()) return;
  // The picture never spills out of the control.
  Rect clip = canvas.clip();
  clip.left = std::max(clip.left, Left());
  clip.top = std::max(clip.top, Top());
  clip.right = std::min(clip.right, bounds().right);
  clip.bottom = std::min(clip.bottom, bounds().bottom);
  if (clip.width() <= 0 || clip.height() <= 0) return;
  canvas.setClip(clip);
  graphic->draw(canvas, drawnRect());
}

}  // namespace tov
