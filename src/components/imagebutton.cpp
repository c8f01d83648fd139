#include "components/imagebutton.h"

#include <QCoreApplication>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QToolTip>

#include "ui/application.h"
#include "ui/controlhost.h"
#include "ui/mouse.h"

namespace tov {

namespace {

TMouseButton buttonOf(Qt::MouseButton button) {
  if (button == Qt::RightButton) return TMouseButton::mbRight;
  if (button == Qt::MiddleButton) return TMouseButton::mbMiddle;
  return TMouseButton::mbLeft;
}

}  // namespace

// Watches the button's window for the mouse events the windowing layer keeps to itself.
class TImageButAdvanced::MouseHook : public QObject {
 public:
  explicit MouseHook(TImageButAdvanced& button) : button_(button) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (forwarding_ || watched != button_.host()) return false;
    switch (event->type()) {
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonDblClick:  // a second press in quick succession is a press too
        return press(static_cast<QMouseEvent&>(*event));
      case QEvent::MouseButtonRelease:
        return captured_ && release(watched, static_cast<QMouseEvent&>(*event));
      case QEvent::ToolTip:
        return toolTip(static_cast<QHelpEvent&>(*event));
      default:
        return false;
    }
  }

 private:
  bool isOver(QPoint at) const {
    return button_.Visible() && button_.host()->controlAt(at.x(), at.y()) == &button_;
  }

  bool press(QMouseEvent& event) {
    if (!isOver(event.position().toPoint())) return false;
    if (!button_.Enabled()) {
      // Swallowed: the window records no press, so no click can follow.
      event.accept();
      return true;
    }
    captured_ = true;
    raise(button_.OnMouseDown, event);
    return false;  // the window records the press for its click
  }

  bool release(QObject* watched, QMouseEvent& event) {
    if (event.buttons() == Qt::NoButton) captured_ = false;
    // The window handles the release first, so a click comes before the mouse-up.
    const QPointer<MouseHook> alive(this);
    forwarding_ = true;
    QCoreApplication::sendEvent(watched, &event);
    if (!alive) return true;  // the click handler freed the button
    forwarding_ = false;
    raise(button_.OnMouseUp, event);
    event.accept();
    return true;
  }

  bool toolTip(QHelpEvent& event) {
    if (!isOver(event.pos()) || !button_.ShowHint() || button_.Hint().empty()) return false;
    const Rect& b = button_.bounds();
    QToolTip::showText(event.globalPos(), QString::fromStdString(button_.Hint()), button_.host(),
                       QRect(b.left, b.top, b.width(), b.height()));
    return true;
  }

  void raise(const MouseEvent& handler, const QMouseEvent& event) {
    if (!handler) return;
    const MouseEvent call = handler;  // the handler may replace itself
    const QPoint at = event.position().toPoint();
    const TMouseButton which = buttonOf(event.button());
    const TShiftState shift = shiftStateOf(event);
    Application::guarded([&] { call(&button_, which, shift, at.x() - button_.Left(), at.y() - button_.Top()); });
  }

  TImageButAdvanced& button_;
  bool captured_ = false;    // a press on the button: its releases come here
  bool forwarding_ = false;  // the window is handling a release we handed back
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
  host.installEventFilter(mouseHook_.get());
}

// The hook is a QObject: deleting it takes it off the window's filters.
TImageButAdvanced::~TImageButAdvanced() = default;

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
