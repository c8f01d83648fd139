#include "ui/win32/win32_edit.h"

#include <algorithm>
#include <system_error>

#include "platform/win32/message_window.h"
#include "platform/win32/wide_text.h"

namespace tov::win32 {

namespace {

bool isHighSurrogate(char32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool isLowSurrogate(char32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// The characters of UTF-16 text, pairs of surrogates joined.
std::u32string charactersOf(const std::wstring& text) {
  std::u32string characters;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char32_t unit = char32_t(text[i]);
    if (isHighSurrogate(unit) && i + 1 < text.size() && isLowSurrogate(char32_t(text[i + 1]))) {
      characters.push_back(0x10000 + ((unit - 0xD800) << 10) + (char32_t(text[i + 1]) - 0xDC00));
      ++i;
    } else {
      characters.push_back(unit);
    }
  }
  return characters;
}

std::wstring utf16Of(char32_t character) {
  if (character < 0x10000) return std::wstring(1, wchar_t(character));
  const char32_t offset = character - 0x10000;
  return std::wstring{wchar_t(0xD800 + (offset >> 10)), wchar_t(0xDC00 + (offset & 0x3FF))};
}

// The layer's key of a character message: Enter is 13 with Ctrl held too (which types a line
// feed) and Backspace 8 (Ctrl+Backspace types DEL). Other control characters below 32 are
// the layer's already (Ctrl+A 1 ... Ctrl+Z 26, Escape 27); the C1 controls are no character
// key: 0.
char32_t layerKeyOf(char32_t typed, LPARAM keyData) {
  const UINT scanCode = (UINT(keyData) >> 16) & 0xFF;
  if (typed == 10 && MapVirtualKeyW(scanCode, MAPVK_VSC_TO_VK) == VK_RETURN) return 13;
  if (typed == 127) return 8;
  if (typed >= 0x80 && typed < 0xA0) return 0;
  return typed;
}

}  // namespace

Win32Edit::Win32Edit(ui::EditEvents& events, Win32Window& parent) : events_(&events) {
  if (!parent.handle()) throw std::logic_error("an edit box inside a form that has gone");
  // No border; ES_AUTOHSCROLL: the text has no length of its own.
  window_ = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL | ES_UPPERCASE,
                            0, 0, 0, 0, parent.handle(), nullptr, GetModuleHandleW(nullptr), nullptr);
  if (!window_) throw std::system_error(int(GetLastError()), std::system_category(), "CreateWindowExW(EDIT)");
  SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  systemProcedure_ = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Win32Edit::procedure)));
}

Win32Edit::~Win32Edit() {
  events_ = nullptr;
  if (window_) {
    SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(systemProcedure_));
    SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
    DestroyWindow(window_);
  }
  if (font_) DeleteObject(font_);
  if (background_) DeleteObject(background_);
}

LRESULT CALLBACK Win32Edit::procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<Win32Edit*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!self) return DefWindowProcW(window, message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    // Destroyed with its form: the box's own procedure ends it, and the layer's box is left
    // without a window.
    const WNDPROC system = self->systemProcedure_;
    SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(system));
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    self->window_ = nullptr;
    return CallWindowProcW(system, window, message, wParam, lParam);
  }
  LRESULT result = 0;
  runInWindowProcedure([&] { result = self->handle(message, wParam, lParam); });
  return result;
}

LRESULT Win32Edit::handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CHAR: return characterTyped(wParam, lParam);
    case WM_PASTE: paste(); return 0;
    case WM_MOUSEMOVE:
      if (!trackingLeave_) {
        TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, window_, 0};
        trackingLeave_ = TrackMouseEvent(&track) != FALSE;
      }
      break;
    case WM_MOUSELEAVE:
      trackingLeave_ = false;
      Win32Window::pointerLeftHandle(window_);
      break;
    case kPlaceAgainMessage: placeInParent(window_, bounds_); return 0;
    case kEditColoursMessage:
      if (!background_) return 0;
      SetBkColor(HDC(wParam), backgroundColour_);
      SetTextColor(HDC(wParam), GetSysColor(COLOR_WINDOWTEXT));
      return reinterpret_cast<LRESULT>(background_);
    default: break;
  }
  return CallWindowProcW(systemProcedure_, window_, message, wParam, lParam);
}

// Every character key is offered to the layer first, except a rejected one, which the box
// never sees. The layer's answer is what the box applies: 0 swallows the key.
LRESULT Win32Edit::characterTyped(WPARAM unit, LPARAM keyData) {
  char32_t typed = char32_t(unit & 0xFFFF);
  if (isHighSurrogate(typed)) {
    pendingHighSurrogate_ = wchar_t(typed);
    return 0;
  }
  if (isLowSurrogate(typed)) {
    if (!pendingHighSurrogate_) return 0;
    typed = 0x10000 + ((char32_t(pendingHighSurrogate_) - 0xD800) << 10) + (typed - 0xDC00);
  }
  pendingHighSurrogate_ = 0;
  char32_t key = layerKeyOf(typed, keyData);
  if (key == 0) return CallWindowProcW(systemProcedure_, window_, WM_CHAR, unit, keyData);
  if (key >= 32 && normalised(utf16Of(key)).empty()) return 0;
  if (events_) key = events_->keyTyped(key);
  if (key == 0 || !window_) return 0;
  return applyKey(key, keyData);
}

LRESULT Win32Edit::applyKey(char32_t key, LPARAM keyData) {
  if (key >= 32) {
    replaceSelection(normalised(utf16Of(key)));
    return 0;
  }
  // Ctrl+A selects the whole text, as in the boxes of other systems.
  if (key == 1) {
    SendMessageW(window_, EM_SETSEL, 0, -1);
    return 0;
  }
  return CallWindowProcW(systemProcedure_, window_, WM_CHAR, WPARAM(key), keyData);
}

// The clipboard's text up to its first line break, as a single-line box takes it.
void Win32Edit::paste() {
  if (!IsClipboardFormatAvailable(CF_UNICODETEXT) || !OpenClipboard(window_)) return;
  std::wstring text;
  if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    if (const auto* chars = static_cast<const wchar_t*>(GlobalLock(data))) {
      text = chars;
      GlobalUnlock(data);
    }
  }
  CloseClipboard();
  text.resize(std::min(text.size(), text.find_first_of(L"\r\n")));
  replaceSelection(normalised(text));
}

void Win32Edit::replaceSelection(const std::wstring& text) {
  if (window_) SendMessageW(window_, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
}

std::wstring Win32Edit::normalised(std::wstring text) const {
  if (!text.empty()) CharUpperBuffW(text.data(), DWORD(text.size()));
  if (rejected_.empty()) return text;
  std::wstring kept;
  for (const char32_t character : charactersOf(text))
    if (rejected_.find(character) == std::u32string::npos) kept += utf16Of(character);
  return kept;
}

void Win32Edit::setBounds(const Rect& bounds) {
  bounds_ = bounds;
  placeInParent(window_, bounds);
}

void Win32Edit::setVisible(bool visible) {
  if (!window_) return;
  // A hidden box keeps no keyboard focus: keys typed after would change its text unseen.
  if (!visible && GetFocus() == window_) SetFocus(GetParent(window_));
  ShowWindow(window_, visible ? SW_SHOWNA : SW_HIDE);
}

bool Win32Edit::visible() const { return window_ && (GetWindowLongW(window_, GWL_STYLE) & WS_VISIBLE); }

void Win32Edit::setFocus() {
  if (window_) SetFocus(window_);
}

bool Win32Edit::hasFocus() const { return window_ && GetFocus() == window_; }

std::string Win32Edit::text() const {
  if (!window_) return {};
  std::wstring text(std::size_t(GetWindowTextLengthW(window_)) + 1, L'\0');
  text.resize(std::size_t(GetWindowTextW(window_, text.data(), int(text.size()))));
  return toUtf8(text);
}

// The cursor goes to the end, where typing goes on, as in the boxes of other systems.
void Win32Edit::setText(const std::string& text) {
  if (!window_) return;
  SetWindowTextW(window_, normalised(toWide(text)).c_str());
  const LPARAM end = LPARAM(GetWindowTextLengthW(window_));
  SendMessageW(window_, EM_SETSEL, WPARAM(end), end);
}

void Win32Edit::typeText(const std::string& text) { replaceSelection(normalised(toWide(text))); }

void Win32Edit::setFont(const ui::Font& font) {
  if (!window_) return;
  HFONT made = CreateFontW(-font.pixelSize, 0, 0, 0, font.bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE,
                           DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                           DEFAULT_PITCH | FF_DONTCARE, toWide(font.family).c_str());
  if (!made) return;
  SendMessageW(window_, WM_SETFONT, reinterpret_cast<WPARAM>(made), TRUE);
  if (font_) DeleteObject(font_);
  font_ = made;
}

// Colour values are 0x00BBGGRR, as COLORREF is.
void Win32Edit::setColor(Color background) {
  HBRUSH made = CreateSolidBrush(COLORREF(background));
  if (!made) return;
  if (background_) DeleteObject(background_);
  background_ = made;
  backgroundColour_ = COLORREF(background);
  if (window_) InvalidateRect(window_, nullptr, TRUE);
}

void Win32Edit::setRejectedCharacters(const std::string& characters) { rejected_ = charactersOf(toWide(characters)); }

}  // namespace tov::win32
