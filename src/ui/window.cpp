#include "ui/window.h"

namespace tov {

Window::Window(Window* parent, const ui::WindowOptions& options)
    : parent_(parent), native_(ui::backend().createWindow(*this, parent ? parent->native_.get() : nullptr, options)) {}

Window::~Window() = default;

const Window& Window::topLevel() const {
  const Window* window = this;
  while (window->parent_) window = window->parent_;
  return *window;
}

void Window::setBounds(int left, int top, int width, int height) {
  bounds_ = rectOf(left, top, width, height);
  native_->setBounds(bounds_);
}

Rect Window::BoundsRect() const { return parent_ ? bounds_ : native_->screenBounds(); }

}  // namespace tov
