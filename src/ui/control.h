#pragma once
// Windowless controls: drawn by the window that holds them, in creation order, each later
// one over the earlier ones, and given the mouse by that window's hit test.

#include <functional>
#include <string>

#include "imaging/bitmap.h"
#include "imaging/picture.h"
#include "ui/cursors.h"
#include "ui/mouse.h"

namespace tov {

class ControlHost;

// What a control tells its window about itself.
enum ControlStyleFlag : unsigned {
  csOpaque = 1,       // paints every pixel of its rectangle: nothing beneath it need be drawn
  csNoStdEvents = 2,  // gets no OnMouseMove from its window; clicks still come
};

class TControl {
 public:
  using NotifyEvent = std::function<void(TControl* sender)>;
  using MouseMoveEvent = std::function<void(TControl* sender, TShiftState shift, int x, int y)>;

  // The control joins host's list at construction: creation order is drawing order.
  TControl(ControlHost& host, std::string name);
  virtual ~TControl();
  TControl(const TControl&) = delete;
  TControl& operator=(const TControl&) = delete;

  const std::string& Name() const { return name_; }
  ControlHost* host() const { return host_; }

  int Left() const { return bounds_.left; }
  int Top() const { return bounds_.top; }
  int Width() const { return bounds_.width(); }
  int Height() const { return bounds_.height(); }
  const Rect& bounds() const { return bounds_; }
  void setBounds(int left, int top, int width, int height);

  bool Visible() const { return visible_; }
  void setVisible(bool visible);
  int Tag() const { return tag_; }
  void setTag(int tag) { tag_ = tag; }
  TCursor Cursor() const { return cursor_; }
  void setCursor(TCursor cursor);
  unsigned ControlStyle() const { return style_; }

  virtual void paint(Canvas& canvas) const = 0;
  // Whether painting this control fills every pixel of area with opaque colour, so that
  // nothing drawn before it there can show. An opaque control covers its whole rectangle.
  virtual bool coversOpaquely(const Rect& area) const;
  // Asks the window to paint the control's rectangle when it next paints.
  void invalidate();
  // Paints the control's rectangle on the window now, with whatever lies above it.
  void repaint();

  // The pointer came over the control, or left it (PointerTracker decides when).
  virtual void mouseEnter() {}
  virtual void mouseLeave() {}

  NotifyEvent OnClick;
  MouseMoveEvent OnMouseMove;

 protected:
  void setControlStyle(unsigned style) { style_ = style; }
  // After every change of position or size, once the new bounds are in place.
  virtual void boundsChanged() {}

 private:
  friend class ControlHost;
  void detachFromHost() { host_ = nullptr; }

  ControlHost* host_;
  std::string name_;
  Rect bounds_;
  bool visible_ = true;
  int tag_ = 0;
  TCursor cursor_ = crDefault;
  unsigned style_ = 0;
};

// A picture control: shows its picture at its top-left corner, or stretched to its size.
class TImage : public TControl {
 public:
  TImage(ControlHost& host, std::string name) : TControl(host, std::move(name)) {}

  // The picture; call pictureChanged() after changing it in place.
  Picture& picture() { return picture_; }
  const Picture& picture() const { return picture_; }
  void setPicture(const Picture& picture);
  void loadPicture(const std::string& fileName);  // picture().loadFromFile, then pictureChanged
  void clearPicture();
  void pictureChanged();

  bool AutoSize() const { return autoSize_; }
  void setAutoSize(bool autoSize);
  bool Stretch() const { return stretch_; }
  void setStretch(bool stretch);

  void paint(Canvas& canvas) const override;
  bool coversOpaquely(const Rect& area) const override;

 private:
  Rect drawnRect() const;
  void fitToPicture();

  Picture picture_;
  bool autoSize_ = false;
  bool stretch_ = false;
};

}  // namespace tov
