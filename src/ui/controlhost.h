#pragma once
// A window that holds windowless controls. It paints them in creation order into one back
// buffer and copies that to the screen, so changing frames or showing and hiding controls
// never flickers, and so that pictures with alpha blend by their own drawing rule.

#include <QPoint>
#include <QWidget>
#include <optional>
#include <vector>

#include "imaging/bitmap.h"

namespace tov {

class TControl;

class ControlHost : public QWidget {
 public:
  explicit ControlHost(QWidget* parent = nullptr);
  ~ControlHost() override;

  const std::vector<TControl*>& controls() const { return controls_; }
  // The topmost visible control at (x, y) of this window, or null.
  TControl* controlAt(int x, int y) const;

  Color color() const { return color_; }
  void setColor(Color color);
  bool DoubleBuffered() const { return doubleBuffered_; }
  void setDoubleBuffered(bool on) { doubleBuffered_ = on; }

  void invalidateRect(const Rect& r);
  // Paints r on the screen now, without waiting for the event loop.
  void repaintRect(const Rect& r);
  // A control moved, was resized, shown or hidden: the pointer standing still may now be
  // over another one.
  void controlsMoved();

  // Paints the window's controls into target, as the screen will show them.
  void paintControls(Bitmap& target, const Rect& area) const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  friend class TControl;
  void addControl(TControl* control) { controls_.push_back(control); }
  void removeControl(TControl* control);
  void updateCursorAt(int x, int y);
  void pointerAt(QPoint at);

  std::vector<TControl*> controls_;
  Bitmap backBuffer_;
  Color color_ = 0xF0F0F0;
  bool doubleBuffered_ = false;
  TControl* pressed_ = nullptr;
  std::optional<QPoint> pointer_;  // where the pointer is in this window, while it is here
};

}  // namespace tov
