#pragma once
// A window that holds windowless controls. It paints them in creation order into one back
// buffer and copies that to the screen, so changing frames or showing and hiding controls
// never flickers, and so that pictures with alpha blend by their own drawing rule.

#include <QFont>
#include <QPainter>
#include <QPoint>
#include <QPointF>
#include <QRect>
#include <QSize>
#include <QTransform>
#include <QWidget>
#include <optional>
#include <vector>

#include "imaging/bitmap.h"

namespace tov {

class TControl;

// A window inside a form that draws form pixels itself (a panel, an edit box, a picture
// view), told where they lie each time it is placed: when its form is drawn scaled, its
// window covers its bounds scaled, in whole pixels.
class PresentedWindow {
 public:
  // size: the window's own size in form pixels. Its pixel (x, y) covers the square from
  // origin + scale * (x, y), scale wide, in the window's coordinates.
  virtual void present(QSize size, double scale, QPointF origin) = 0;

 protected:
  ~PresentedWindow() = default;
};

// font as a form's window shows it at scale.
QFont scaledFont(QFont font, double scale);

class ControlHost : public QWidget, public PresentedWindow {
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
  // Paints dirty (window coordinates) of the window through painter: the controls into the
  // back buffer, the back buffer onto the painter's device, and the bars round the content.
  void paintWindow(QPainter& painter, const QRect& dirty);

  // Where the controls lie in the window: the whole window, or the form's own size in the
  // middle of a full-screen window larger than it (black bars round it), there scaled as
  // large as the window allows where the form is drawn to fill its window. Controls, child
  // windows and pointer positions are all in content coordinates: content pixel (x, y)
  // covers the square from contentToWindow() of (x, y), contentScale() wide.
  QSize contentSize() const { return contentSize_.isEmpty() ? size() : contentSize_; }
  double contentScale() const { return scale_; }
  QTransform contentToWindow() const;
  // Places child, a window inside parent, at bounds in parent's content coordinates, and
  // again wherever the parent's content goes.
  static void placeChild(QWidget& child, const QRect& bounds);
  // The control pixel under the hot spot at position (window coordinates, possibly
  // fractional): the one whose picture the screen pixel under the hot spot shows.
  QPoint contentPointAt(QPointF position) const;
  // The same for a position and a content origin in the coordinates of the top-level
  // window (devicePixelRatio screen pixels a unit), the content drawn at scale.
  static QPoint contentPointAt(QPointF windowPosition, double devicePixelRatio, double scale, QPointF origin);

  void present(QSize size, double scale, QPointF origin) override { setPresentation(size, scale, origin); }

 protected:
  // Moves the controls and child windows with it; an empty size for the whole window at
  // scale 1.
  void setPresentation(QSize size, double scale, QPointF origin);
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
  QSize contentSize_;
  double scale_ = 1.0;
  QPointF origin_;
};

}  // namespace tov
