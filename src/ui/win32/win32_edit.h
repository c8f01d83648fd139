#pragma once
// The layer's edit box on Win32: a borderless single-line EDIT control with ES_UPPERCASE,
// subclassed so that every character key (WM_CHAR) reaches the layer before the box applies
// it, the rejected characters never get in (typed, pasted or set), and the box takes its
// background colour from its parent's WM_CTLCOLOREDIT.

#include <windows.h>

#include <string>

#include "ui/backend.h"
#include "ui/win32/win32_window.h"

namespace tov::win32 {

class Win32Edit final : public ui::NativeEdit {
 public:
  Win32Edit(ui::EditEvents& events, Win32Window& parent);
  ~Win32Edit() override;
  Win32Edit(const Win32Edit&) = delete;
  Win32Edit& operator=(const Win32Edit&) = delete;

  // Null once the system has destroyed the box (with its form).
  HWND handle() const { return window_; }

  void setBounds(const Rect& bounds) override;
  void setVisible(bool visible) override;
  bool visible() const override;
  void setFocus() override;
  bool hasFocus() const override;
  std::string text() const override;
  void setText(const std::string& text) override;
  void typeText(const std::string& text) override;
  void setFont(const ui::Font& font) override;
  void setColor(Color background) override;
  void setRejectedCharacters(const std::string& characters) override;

 private:
  static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT characterTyped(WPARAM unit, LPARAM keyData);
  LRESULT applyKey(char32_t key, LPARAM keyData);
  void paste();
  void replaceSelection(const std::wstring& text);
  std::wstring normalised(std::wstring text) const;

  ui::EditEvents* events_;
  HWND window_ = nullptr;
  WNDPROC systemProcedure_ = nullptr;
  Rect bounds_;
  HFONT font_ = nullptr;
  HBRUSH background_ = nullptr;
  COLORREF backgroundColour_ = 0;
  std::u32string rejected_;
  wchar_t pendingHighSurrogate_ = 0;  // the first half of a character outside the BMP
  bool trackingLeave_ = false;
};

}  // namespace tov::win32
