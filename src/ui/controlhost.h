#pragma once
// A window that holds windowless controls. It paints them in creation order into the picture
// its backend hands it, so changing frames or showing and hiding controls never flickers, and
// so that pictures with alpha blend by their own drawing rule; and it gives them the mouse.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "imaging/bitmap.h"
#include "ui/window.h"

namespace tov {

class TControl;

// Something that takes its own share of a window's mouse buttons (a picture button): told of
// every press before the window handles it, of every release after, and asked for tool tips.
class MouseObserver {
 public:
  // True keeps the press from the window: no click can follow it.
  virtual bool beforePress(Point, TMouseButton, TShiftState) { return false; }
  virtual void afterRelease(Point, TMouseButton, TShiftState) {}
  virtual std::optional<ui::ToolTip> toolTipAt(Point) { return std::nullopt; }

 protected:
  ~MouseObserver() = default;
};

class ControlHost : public Window {
 public:
  // A form when parent is null (see TForm), else a window inside parent.
  explicit ControlHost(ControlHost* parent = nullptr, const std::string& name = {});
  ~ControlHost() override;

  const std::vector<TControl*>& controls() const { return controls_; }
  // The topmost visible control at (x, y) of this window, or null.
  TControl* controlAt(int x, int y) const;

  Color color() const { return color_; }
  void setColor(Color color);
  bool DoubleBuffered() const { return doubleBuffered_; }
  void setDoubleBuffered(bool on) { doubleBuffered_ = on; }

  // A control moved, was resized, shown or hidden: the pointer standing still may now be
  // over another one.
  void controlsMoved();

  // Paints the window's controls into target, as the screen will show them.
  void paintControls(Bitmap& target, const Rect& area) const;

  // Observers are told in the order they were added; one that goes away removes itself.
  void addMouseObserver(MouseObserver& observer);
  void removeMouseObserver(MouseObserver& observer);

  void paint(Bitmap& target, const Rect& area) override { paintControls(target, area); }
  void pointerEntered(Point at) override;
  void pointerMoved(Point at, TShiftState shift) override;
  void pointerPressed(Point at, TMouseButton button, TShiftState shift) override;
  void pointerReleased(Point at, TMouseButton button, TShiftState shift) override;
  void pointerLeft() override;
  std::optional<ui::ToolTip> toolTipAt(Point at) override;

 private:
  friend class TControl;
  void addControl(TControl* control) { controls_.push_back(control); }
  void removeControl(TControl* control);
  void pointerAt(Point at);
  bool observing(const MouseObserver* observer) const;

  std::vector<TControl*> controls_;
  std::vector<MouseObserver*> observers_;
  Color color_ = 0xF0F0F0;
  bool doubleBuffered_ = false;
  TControl* pressed_ = nullptr;
  std::optional<Point> pointer_;  // where the pointer is in this window, while it is here
  // Dropped at destruction: a handler that took the window away is noticed.
  std::shared_ptr<const bool> alive_ = std::make_shared<const bool>(true);
};

}  // namespace tov
