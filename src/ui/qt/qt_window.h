#pragma once
// The Qt widget of a window of the layer (form, panel, picture view): it hands the layer its
// events in form pixels and shows what the layer paints, at the form's own size or scaled.
//
// A form's window may be larger than the form (full screen on a larger output): the form lies
// in the middle with black bars round it, scaled to fill the window one way where forms are
// drawn to fill their windows (a Wayland session), else at its own size. Everything the layer
// sees stays in form pixels: controls, child windows (placed with placeChild, and placed again
// when the form's scale changes) and pointer positions. Drawn scaled, the picture goes to the
// screen nearest-neighbour: each screen pixel shows the form pixel under its centre, and a
// pointer position maps back to exactly the form pixel shown under the hot spot.

#include <QFont>
#include <QHelpEvent>
#include <QPainter>
#include <QPointF>
#include <QRect>
#include <QSize>
#include <QTransform>
#include <QWidget>
#include <optional>

#include "imaging/bitmap.h"
#include "ui/backend.h"

namespace tov::qt {

// A widget inside a form that shows form pixels (a panel, an edit box, a picture view), told
// where they lie each time it is placed: when its form is drawn scaled, it covers its bounds
// scaled, in whole pixels.
class PresentedWindow {
 public:
  // size: the widget's own size in form pixels. Its pixel (x, y) covers the square from
  // origin + scale * (x, y), scale wide, in the widget's coordinates.
  virtual void present(QSize size, double scale, QPointF origin) = 0;

 protected:
  ~PresentedWindow() = default;
};

// font as a form's window shows it at scale.
QFont scaledFont(QFont font, double scale);

// Forms drawn as large as their windows allow; for every form.
void setScaleToWindow(bool on);

class WindowWidget : public QWidget, public PresentedWindow {
 public:
  WindowWidget(ui::WindowEvents& events, WindowWidget* parent, const ui::WindowOptions& options);
  ~WindowWidget() override;

  // The layer's window has gone: no more events reach it.
  void detach() { events_ = nullptr; }

  // Where the form pixels lie in the widget: the whole widget, or the form's own size in
  // the middle of a larger full-screen window (black bars round it), there scaled as large as
  // the window allows where forms fill their windows. Form pixel (x, y) covers the square
  // from contentToWindow() of (x, y), contentScale() wide.
  QSize contentSize() const { return contentSize_.isEmpty() ? size() : contentSize_; }
  double contentScale() const { return scale_; }
  QTransform contentToWindow() const;
  // The form pixel under the hot spot at position (widget coordinates, possibly fractional).
  QPoint contentPointAt(QPointF position) const;

  // Places child, a widget inside a WindowWidget, at bounds in the parent's form pixels, and
  // again wherever the parent's content goes.
  static void placeChild(QWidget& child, const QRect& bounds);
  // A form's own size (its content at scale 1).
  void setOwnSize(QSize size);
  // Moves the content and child widgets; an empty size for the whole widget at scale 1.
  void setPresentation(QSize size, double scale, QPointF origin);
  void present(QSize size, double scale, QPointF origin) override { setPresentation(size, scale, origin); }
  // Paints dirty (widget coordinates) through painter: the layer's pixels into the back
  // buffer, the back buffer onto the painter's device, and the bars round the content.
  void paintWindow(QPainter& painter, const QRect& dirty);

  // Application modal, kept above the window that is active now.
  void becomeModal();

 protected:
  bool event(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  void presentInWindow();
  void noteFormSize();
  bool showToolTip(const QHelpEvent& event);
  void pressed(QMouseEvent& event);

  ui::WindowEvents* events_;
  QSize ownSize_;  // a form's own size; invalid for a child
  QSize contentSize_;
  double scale_ = 1.0;
  QPointF origin_;
  Bitmap backBuffer_;
  std::optional<QSize> notedFormSize_;
};

// The window of the layer, as the layer asks things of it.
class QtWindow final : public ui::NativeWindow {
 public:
  QtWindow(ui::WindowEvents& events, QtWindow* parent, const ui::WindowOptions& options);
  ~QtWindow() override;
  WindowWidget& widget() const { return *widget_; }

  void setBounds(const Rect& bounds) override;
  void resize(Size size) override;
  void move(Point topLeft) override;
  Rect screenBounds() const override;
  Size formSize() const override;
  void setVisible(bool visible) override;
  bool visible() const override;
  void invalidate(const Rect& area) override;
  void repaintNow(const Rect& area) override;
  void setCursor(TCursor cursor) override;
  int scrollBarExtent() const override;
  void setCaption(const std::string& caption) override;
  void setFullScreen(bool on) override;
  bool fullScreen() const override;
  void minimize() override;
  bool minimized() const override;
  void restore() override;
  void close() override;
  void setModal() override;
  std::uint64_t nativeId() override;

 private:
  WindowWidget* widget_;
};

}  // namespace tov::qt
