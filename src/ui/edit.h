#pragma once
// A single-line edit box whose text is always upper case, with a key-press event that sees
// every character key before the box applies it.

#include <functional>
#include <memory>
#include <string>

#include "ui/backend.h"

namespace tov {

class ControlHost;
using ui::Font;

class TEdit : private ui::EditEvents {
 public:
  TEdit(ControlHost& parent, std::string name);
  ~TEdit();
  TEdit(const TEdit&) = delete;
  TEdit& operator=(const TEdit&) = delete;

  // The font at the form's own size; the box shows it scaled with the form.
  void setFont(const Font& font) { native_->setFont(font); }
  // The colour behind the text (0x00BBGGRR).
  void setColor(Color color) { native_->setColor(color); }

  const std::string& Name() const { return name_; }
  // In UTF-8.
  std::string Text() const { return native_->text(); }
  void setText(const std::string& text) { native_->setText(text); }
  // In the parent's form pixels.
  void setBounds(int left, int top, int width, int height);
  const Rect& BoundsRect() const { return bounds_; }
  bool Visible() const { return native_->visible(); }
  void setVisible(bool visible) { native_->setVisible(visible); }
  void SetFocus() { native_->setFocus(); }
  bool Focused() const { return native_->hasFocus(); }

  // The character of a key (13 Enter, 8 Backspace, 27 Escape, 1 to 26 for Ctrl+A to Ctrl+Z,
  // else the typed character), before the box applies it. Setting it to 0 swallows the key.
  std::function<void(TEdit* sender, char32_t& key)> OnKeyPress;

  // Upper-cases and applies what a key would type; for tests and for pasted text alike.
  void typeText(const std::string& typed) { native_->typeText(typed); }

  // Characters (UTF-8) the box never takes in, typed or pasted.
  void setRejectedCharacters(const std::string& rejected) { native_->setRejectedCharacters(rejected); }

  ui::NativeEdit& native() const { return *native_; }

 private:
  char32_t keyTyped(char32_t key) override;

  std::string name_;
  Rect bounds_;
  std::unique_ptr<ui::NativeEdit> native_;
};

}  // namespace tov
