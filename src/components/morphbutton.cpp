#include "components/morphbutton.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <utility>

#include "components/resources.h"
#include "imaging/jpeg.h"
#include "platform/event_loop.h"
#include "ui/cursorresource.h"
#include "ui/cursors.h"

namespace tov {

namespace {

constexpr int kMinRate = 1;
constexpr int kMaxRate = 255;
constexpr int kDefaultWidth = 120;
constexpr int kDefaultHeight = 50;

void registerHandCursor() {
  using namespace component_resources;
  const CursorImage hand = parseCursorResource(embeddedFile(kHandCursor));
  Screen::registerCursor(crHand, hand);
}

Picture builtInPicture(std::string_view name) {
  auto graphic = std::make_unique<TJPEGImage>();
  graphic->loadFromMemory(component_resources::embeddedFile(name));
  Picture picture;
  picture.setGraphic(std::move(graphic));
  return picture;
}

}  // namespace

TMorphButton::TMorphButton(ControlHost& host, std::string name) : TControl(host, std::move(name)) {
  registerHandCursor();
  setCursor(crHand);
  setControlStyle(ControlStyle() | csOpaque | csNoStdEvents);
  pic1_ = builtInPicture(component_resources::kMorphPicture1);
  pic2_ = builtInPicture(component_resources::kMorphPicture2);
  display_.fillColor = color1_;
  target_.fillColor = color2_;
  // A change of bounds prepares the buffers, so the button is ready once it has its size.
  setBounds(Left(), Top(), kDefaultWidth, kDefaultHeight);
}

void TMorphButton::setMorphPic1(const Picture& picture) {
  pic1_.assign(picture);
  morphPicChanged();
}

void TMorphButton::setMorphPic2(const Picture& picture) {
  pic2_.assign(picture);
  morphPicChanged();
}

void TMorphButton::morphPicChanged() {
  if (swapped_) return;
  prepare();
  invalidate();
}

void TMorphButton::setMorphColor1(Color color) {
  if (color == color1_) return;
  color1_ = color;
  display_.fillColor = color;
  prepare();
  invalidate();
}

void TMorphButton::setMorphColor2(Color color) {
  if (color == color2_) return;
  color2_ = color;
  target_.fillColor = color;
  prepare();
  invalidate();
}

void TMorphButton::setMorphRate(int rate) { rate_ = std::clamp(rate, kMinRate, kMaxRate); }

void TMorphButton::setStretchToFit(bool stretch) {
  if (stretch == stretchToFit_) return;
  stretchToFit_ = stretch;
  prepare();
  invalidate();
}

void TMorphButton::boundsChanged() {
  prepare();
  invalidate();
}

void TMorphButton::paint(Canvas& canvas) const {
  // The display buffer, unscaled at the control's corner, never outside the control.
  const Rect& clip = canvas.clip();
  const int left = std::max(clip.left, Left());
  const int top = std::max(clip.top, Top());
  const int right = std::min({clip.right, bounds().right, Left() + display_.width()});
  const int bottom = std::min({clip.bottom, bounds().bottom, Top() + display_.height()});
  if (right <= left || bottom <= top) return;
  Bitmap& target = canvas.target();
  const int targetBytes = target.bytesPerPixel();
  for (int y = top; y < bottom; ++y) {
    const std::uint8_t* from = display_.row(y - Top()) + std::size_t(left - Left()) * 3;
    std::uint8_t* to = target.scanLine(y) + std::size_t(left) * targetBytes;
    if (targetBytes == 3) {
      std::memcpy(to, from, std::size_t(right - left) * 3);
      continue;
    }
    for (int x = left; x < right; ++x, from += 3, to += 4) {
      std::memcpy(to, from, 3);
      to[3] = 0xFF;
    }
  }
}

void TMorphButton::mouseEnter() { forwardMorph(); }

void TMorphButton::mouseLeave() { backwardMorph(); }

void TMorphButton::forwardMorph() {
  prepare();
  if (rate_ < kMinRate) throw EMorphButton(ErrorCode::MorphRateOutOfRange);
  work_.copyFrom(display_);
  runFrames();
}

void TMorphButton::backwardMorph() {
  // Stretching keeps a natural-size button at its present size while its pictures are
  // exchanged; the last preparation gives the natural size back.
  savedStretch_ = stretchToFit_;
  stretchToFit_ = true;
  display_.fillColor = color2_;
  target_.fillColor = color1_;
  std::swap(color1_, color2_);
  exchangePictures();
  prepare();
  swapped_ = true;
  work_.copyFrom(display_);
  runFrames();
  prepare();
}

void TMorphButton::runFrames() {
  const int rate = rate_;
  for (int frame = 0; frame <= rate; ++frame) {
    const int weight = morphFrameWeight(frame, rate);
    // Every preparation leaves the three buffers of one size; one that failed half-way
    // (a picture too large) may not have, and then there is nothing to blend.
    const std::size_t bytes = display_.byteCount();
    if (work_.byteCount() == bytes && target_.byteCount() == bytes)
      blendMorphFrame(display_.bits(), work_.bits(), target_.bits(), bytes, weight);
    showMorphFrame(weight);
  }
}

void TMorphButton::showMorphFrame(int) {
  repaint();
  if (processMsgs_) eventLoop().processEvents(false);
}

void TMorphButton::prepare() {
  if (swapped_) undoExchange();
  if (stretchToFit_) {
    renderStretched(display_, pic1_);
    renderStretched(target_, pic2_);
  } else {
    prepareNaturalSize();
  }
  work_.setSize(display_.width(), display_.height());
  invalidate();
}

void TMorphButton::undoExchange() {
  std::swap(color1_, color2_);
  exchangePictures();  // the swapped flag is still set: the picture-change rule stays quiet
  display_.fillColor = color1_;
  target_.fillColor = color2_;
  swapped_ = false;
  stretchToFit_ = savedStretch_;
}

void TMorphButton::exchangePictures() {
  const Picture temporary(pic1_);
  pic1_.assign(pic2_);
  morphPicChanged();
  pic2_.assign(temporary);
  morphPicChanged();
}

void TMorphButton::prepareNaturalSize() {
  const bool has1 = !pic1_.empty();
  const bool has2 = !pic2_.empty();
  if (has1) {
    setNaturalSize(pic1_);
    display_.setSize(Width(), Height());
    renderUnscaled(display_, pic1_);
    if (has2) {
      renderStretched(target_, pic2_);
    } else {
      target_.setSize(Width(), Height());
      target_.fill();
    }
  } else if (has2) {
    setNaturalSize(pic2_);
    target_.setSize(Width(), Height());
    renderUnscaled(target_, pic2_);
    display_.setSize(Width(), Height());
    display_.fill();
  } else {
    display_.setSize(Width(), Height());
    display_.fill();
    target_.setSize(Width(), Height());
    target_.fill();
  }
}

void TMorphButton::setNaturalSize(const Picture& picture) {
  // Width first, then height: each is a change of bounds that prepares the buffers again.
  setBounds(Left(), Top(), picture.width(), Height());
  setBounds(Left(), Top(), Width(), picture.height());
}

void TMorphButton::renderStretched(MorphBuffer& buffer, const Picture& picture) {
  buffer.setSize(Width(), Height());
  if (picture.empty()) {
    buffer.fill();
    return;
  }
  const Graphic& graphic = *picture.graphic();
  buffer.paint([&](Canvas& canvas) {
    const Rect whole{0, 0, buffer.width(), buffer.height()};
    // A graphic that lets its background through is drawn over the fill colour; an opaque
    // one covers the whole buffer by itself.
    if (graphic.transparent()) canvas.fillRect(whole, buffer.fillColor);
    graphic.draw(canvas, whole);
  });
}

void TMorphButton::renderUnscaled(MorphBuffer& buffer, const Picture& picture) {
  const Graphic& graphic = *picture.graphic();
  buffer.paint([&](Canvas& canvas) {
    if (graphic.transparent()) canvas.fillRect(Rect{0, 0, buffer.width(), buffer.height()}, buffer.fillColor);
    graphic.draw(canvas, Rect{0, 0, graphic.width(), graphic.height()});
  });
}

}  // namespace tov
