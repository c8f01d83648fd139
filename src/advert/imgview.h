#pragma once
// TImgView: a window that shows one picture unscaled, centred where it is smaller than the
// viewport and scrolled by two always-present scroll bars where it is larger.
//
// The bars are drawn by the view itself (flat arrow buttons with a one-pixel frame, the
// track in the bar colour, the handle in the handle colour with grip ridges), because their
// geometry is part of what the view promises: see imgview_geometry.h. Only the left mouse
// button works them. A press on an arrow moves by Increment, a press on the track by one
// viewport towards the press; both repeat while the button is held: once at the press, again
// after kFirstRepeatMs, then every kRepeatMs. Dragging the handle moves the position in
// proportion. Every change of position is painted at once. A window of the layer: where its
// form is drawn scaled, the view is shown scaled with it, as the form's controls are; its
// geometry and pointer positions stay in its own pixels.

#include <string>

#include "advert/imgview_geometry.h"
#include "imaging/bitmap.h"
#include "imaging/picture.h"
#include "platform/event_loop.h"
#include "ui/window.h"

namespace tov {

class TImgView : public Window {
 public:
  static constexpr int kFirstRepeatMs = 600;
  static constexpr int kRepeatMs = 100;
  // The system's button face, which fills the square where the two bars meet.
  static constexpr Color kButtonFace = 0xF0F0F0;

  // A window inside parent; without one, a window of its own.
  explicit TImgView(Window* parent = nullptr);

  // Background of the viewport where the picture leaves room (0x00BBGGRR).
  Color color() const { return color_; }
  void setColor(Color color);
  Color scrollBarColor() const { return barColor_; }
  void setScrollBarColor(Color color);
  Color handleColor() const { return handleColor_; }
  void setHandleColor(Color color);
  bool showHandleGrip() const { return showHandleGrip_; }
  void setShowHandleGrip(bool show);
  // The bars' thickness; 0 takes the system's (the style's scroll-bar extent).
  int scrollBarSize() const { return barSize_; }
  void setScrollBarSize(int size);
  int scrollBarThickness() const;
  // Pixels moved by one press of an arrow button.
  int increment() const { return increment_; }
  void setIncrement(int increment) { increment_ = increment; }

  // Reads the file through the picture layer (its kind by the extension), converts it to
  // 32-bit pixels and shows it centred. A file that cannot be read or decoded throws the
  // picture layer's error and leaves the view as it was.
  void loadFromFile(const std::string& fileName);
  // Shows the picture's graphic, converted to 32-bit pixels, centred.
  void setPicture(const Picture& picture);
  const Bitmap& bitmap() const { return bitmap_; }

  double scrollX() const { return scrollX_; }
  double scrollY() const { return scrollY_; }
  // Sets the scroll position, each coordinate clamped to its range.
  void setScrollPosition(double x, double y);
  // Moves the scroll position by (dx, dy), clamped.
  void scroll(double dx, double dy) { setScrollPosition(scrollX_ + dx, scrollY_ + dy); }

  ViewLayout layout() const;
  ViewAxis horizontalAxis() const;
  ViewAxis verticalAxis() const;
  ScrollBarLayout horizontalBar() const;
  ScrollBarLayout verticalBar() const;
  // Where the picture's top-left pixel is drawn, in view coordinates.
  Point pictureOffset() const;
  // The view's own size, in its pixels.
  Size viewSize() const { return formSize(); }

  void paint(Bitmap& target, const Rect& area) override;
  void pointerPressed(Point at, TMouseButton button, TShiftState shift) override;
  void pointerMoved(Point at, TShiftState shift) override;
  void pointerReleased(Point at, TMouseButton button, TShiftState shift) override;
  void resized(Size size) override;
  void hidden() override;

 private:
  enum class Part { None, ArrowBack, ArrowForward, TrackBack, TrackForward, Handle };
  struct Press {
    Part part = Part::None;
    bool vertical = false;
    int pointerAlong = 0;  // where the pointer is now, along the pressed bar
    int dragFrom = 0;      // where a handle drag began, along the bar
    double positionFrom = 0.0;
    double positionPerPixel = 0.0;
  };

  void recentre();
  void setAxisPosition(bool vertical, double position);
  int alongBar(bool vertical, Point at) const;
  Part partAt(const ScrollBarLayout& bar, int along) const;
  void step();
  void repeatStep();
  void invalidateAll() { invalidateRect(Rect{0, 0, viewSize().width, viewSize().height}); }
  void paintBar(Canvas& canvas, const Rect& area, const ScrollBarLayout& bar, bool vertical) const;
  void paintArrows(Canvas& canvas, const Rect& area, const ScrollBarLayout& bar, bool vertical) const;
  void paintHandle(Canvas& canvas, const Rect& handle, bool vertical) const;

  Bitmap bitmap_;  // 32 bits, what the view shows
  double scrollX_ = 0.0;
  double scrollY_ = 0.0;
  Color color_ = 0xFFFFFF;
  Color barColor_ = 0x008000;
  Color handleColor_ = 0x00FFFF;
  bool showHandleGrip_ = true;
  int barSize_ = 0;
  int increment_ = 8;
  Press press_;
  LoopTimer repeat_;
};

}  // namespace tov
