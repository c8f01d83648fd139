#pragma once
// A window of the program: a form (no parent) or a window inside one (a panel, a picture
// view). It owns the native window the installed backend made for it and hears its events;
// everything about it is in form pixels.

#include <memory>
#include <string>

#include "ui/backend.h"

namespace tov {

class Window : public ui::WindowEvents {
 public:
  Window(Window* parent, const ui::WindowOptions& options);
  virtual ~Window();
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  Window* parentWindow() const { return parent_; }
  // The form this window lies in (itself, for a form).
  const Window& topLevel() const;
  ui::NativeWindow& native() const { return *native_; }

  // A window inside a form: its place in the parent's form pixels, kept there whatever the
  // form's presentation. A form: see TForm::setBounds.
  virtual void setBounds(int left, int top, int width, int height);
  // A child's place in its parent; a form's window on the screen.
  Rect BoundsRect() const;
  int Left() const { return BoundsRect().left; }
  int Top() const { return BoundsRect().top; }
  int Width() const { return BoundsRect().width(); }
  int Height() const { return BoundsRect().height(); }
  // The form pixels the window shows.
  Size formSize() const { return native_->formSize(); }

  bool Visible() const { return native_->visible(); }
  virtual void setVisible(bool visible) { native_->setVisible(visible); }

  void invalidateRect(const Rect& r) { native_->invalidate(r); }
  // Paints r on the screen now, without waiting for the event loop.
  void repaintRect(const Rect& r) { native_->repaintNow(r); }
  void Repaint() { repaintRect(Rect{0, 0, formSize().width, formSize().height}); }

 private:
  Window* parent_;
  Rect bounds_;
  std::unique_ptr<ui::NativeWindow> native_;
};

}  // namespace tov
