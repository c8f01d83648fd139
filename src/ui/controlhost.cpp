#include "ui/controlhost.h"

#include <algorithm>
#include <utility>

#include "ui/application.h"
#include "ui/control.h"
#include "ui/pointertracker.h"

namespace tov {

ControlHost::ControlHost(ControlHost* parent, const std::string& name) : Window(parent, {name, true}) {}

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
    if ((*it)->Visible() && contains((*it)->bounds(), Point{x, y})) return *it;
  return nullptr;
}

void ControlHost::setColor(Color color) {
  if (color == color_) return;
  color_ = color;
  invalidateRect(Rect{0, 0, formSize().width, formSize().height});
}

void ControlHost::controlsMoved() {
  if (pointer_) PointerTracker::controlsChanged(*this, controlAt(pointer_->x, pointer_->y));
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

void ControlHost::addMouseObserver(MouseObserver& observer) { observers_.push_back(&observer); }

void ControlHost::removeMouseObserver(MouseObserver& observer) {
  observers_.erase(std::remove(observers_.begin(), observers_.end(), &observer), observers_.end());
}

bool ControlHost::observing(const MouseObserver* observer) const {
  return std::find(observers_.begin(), observers_.end(), observer) != observers_.end();
}

void ControlHost::pointerAt(Point at) {
  pointer_ = at;
  PointerTracker::pointerAt(*this, controlAt(at.x, at.y));
}

void ControlHost::pointerEntered(Point at) { pointerAt(at); }

void ControlHost::pointerLeft() {
  pointer_.reset();
  PointerTracker::pointerLeft(*this);
}

void ControlHost::pointerMoved(Point at, TShiftState shift) {
  TControl* under = controlAt(at.x, at.y);
  native().setCursor(under ? under->Cursor() : crDefault);
  if (under && under->OnMouseMove && !(under->ControlStyle() & csNoStdEvents))
    Application::guarded([&] { under->OnMouseMove(under, shift, at.x - under->Left(), at.y - under->Top()); });
  // After the move's own handler, as an enter or leave follows the move that caused it.
  pointerAt(at);
}

// A click is a press and a release of the left button on the same control. Other buttons
// going down and up meanwhile neither make nor cancel it.
void ControlHost::pointerPressed(Point at, TMouseButton button, TShiftState shift) {
  const std::vector<MouseObserver*> observers = observers_;
  for (MouseObserver* observer : observers)
    if (observing(observer) && observer->beforePress(at, button, shift)) return;
  if (button == TMouseButton::mbLeft) pressed_ = controlAt(at.x, at.y);
}

void ControlHost::pointerReleased(Point at, TMouseButton button, TShiftState shift) {
  const std::weak_ptr<const bool> alive = alive_;
  if (button == TMouseButton::mbLeft) {
    TControl* pressed = std::exchange(pressed_, nullptr);
    if (pressed && controlAt(at.x, at.y) == pressed && pressed->OnClick)
      Application::guarded([&] { pressed->OnClick(pressed); });
  }
  // After the window's own handling, so that a click comes before what follows the release.
  if (alive.expired()) return;
  const std::vector<MouseObserver*> observers = observers_;
  for (MouseObserver* observer : observers) {
    if (alive.expired()) return;
    if (observing(observer)) observer->afterRelease(at, button, shift);
  }
}

std::optional<ui::ToolTip> ControlHost::toolTipAt(Point at) {
  for (MouseObserver* observer : observers_)
    if (auto tip = observer->toolTipAt(at)) return tip;
  return std::nullopt;
}

}  // namespace tov
