#include "ui/edit.h"

#include "ui/application.h"
#include "ui/controlhost.h"

namespace tov {

TEdit::TEdit(ControlHost& parent, std::string name)
    : name_(std::move(name)), native_(ui::backend().createEdit(*this, parent.native(), name_)) {}

TEdit::~TEdit() = default;

void TEdit::setBounds(int left, int top, int width, int height) {
  bounds_ = rectOf(left, top, width, height);
  native_->setBounds(bounds_);
}

char32_t TEdit::keyTyped(char32_t key) {
  if (OnKeyPress) Application::guarded([&] { OnKeyPress(this, key); });
  return key;
}

}  // namespace tov
