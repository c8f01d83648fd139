#include "components/imagebutton.h"

#include "ui/application.h"
#include "ui/controlhost.h"

namespace tov {

// Takes the button's share of its window's mouse events, which the window keeps from its
// windowless controls.
class TImageButAdvanced::MouseHook : public MouseObserver {
 public:
  explicit MouseHook(TImageButAdvanced& button) : button_(button) {}

  bool beforePress(Point at, TMouseButton which, TShiftState shift) override {
    if (!isOver(at)) return false;
    // Disabled, it swallows the press: the window records none, so no click can follow.
    if (!button_.Enabled()) return true;
    captured_ = true;
    raise(button_.OnMouseDown, at, which, shift);
    return false;  // the window records the press for its click
  }

  // The window has handled the release first, so a click comes before the mouse-up.
  void afterRelease(Point at, TMouseButton which, TShiftState shift) override {
    if (!captured_) return;
    if (!(shift & kButtonsHeld)) captured_ = false;
    raise(button_.OnMouseUp, at, which, shift);
  }

  std::optional<ui::ToolTip> toolTipAt(Point at) override {
    if (!isOver(at) || !button_.ShowHint() || button_.Hint().empty()) return std::nullopt;
    return ui::ToolTip{button_.Hint(), button_.bounds()};
  }

 private:
  bool isOver(Point at) const { return button_.Visible() && button_.host()->controlAt(at.x, at.y) == &button_; }

  void raise(const MouseEvent& handler, Point at, TMouseButton which, TShiftState shift) {
    if (!handler) return;
    const MouseEvent call = handler;  // the handler may replace itself
    Application::guarded([&] { call(&button_, which, shift, at.x - button_.Left(), at.y - button_.Top()); });
  }

  TImageButAdvanced& button_;
  bool captured_ = false;  // a press on the button: its releases come here
};

TImageButAdvanced::TImageButAdvanced(ControlHost& host, std::string name)
    : TImage(host, std::move(name)), mouseHook_(std::make_unique<MouseHook>(*this)) {
  setVisible(true);
  setAutoSize(false);
  setStretch(false);
  enabled_ = true;
  enableBut_ = enabled_;
  enableButMove_ = true;
  OnMouseDown = [this](TControl* sender, TMouseButton button, TShiftState shift, int x, int y) {
    MouseDownPicture(sender, button, shift, x, y);
  };
  OnMouseUp = [this](TControl* sender, TMouseButton button, TShiftState shift, int x, int y) {
    MouseUpPicture(sender, button, shift, x, y);
  };
  showState(picFrom_);
  host.addMouseObserver(*mouseHook_);
}

TImageButAdvanced::~TImageButAdvanced() {
  if (host()) host()->removeMouseObserver(*mouseHook_);
}

void TImageButAdvanced::setPicFrom(const Picture& picture) {
  picFrom_.assign(picture);
  showState(picFrom_);
}

void TImageButAdvanced::setPicTo(const Picture& picture) { picTo_.assign(picture); }

void TImageButAdvanced::setPicDown(const Picture& picture) { picDown_.assign(picture); }

void TImageButAdvanced::setPicDisabled(const Picture& picture) { picDisabled_.assign(picture); }

void TImageButAdvanced::setEnableBut(bool enable) {
  showState(enable ? picFrom_ : picDisabled_);
  enableBut_ = enable;
  enabled_ = enable;
}

void TImageButAdvanced::mouseEnter() {
  if (enableBut_) showState(picTo_);
}

void TImageButAdvanced::mouseLeave() {
  if (enableBut_) showState(picFrom_);
}

void TImageButAdvanced::MouseDownPicture(TControl*, TMouseButton, TShiftState, int, int) {
  if (enableButMove_ && enableBut_) showState(picDown_);
}

void TImageButAdvanced::MouseUpPicture(TControl*, TMouseButton, TShiftState, int, int) {
  if (enableButMove_ && enableBut_) showState(picTo_);
}

void TImageButAdvanced::showState(const Picture& statePicture) { setPicture(statePicture); }

}  // namespace tov
