#include "ui/win32/win32_window.h"

#include <windowsx.h>

#include <algorithm>
#include <stdexcept>
#include <system_error>
#include <utility>

#include "platform/win32/message_window.h"
#include "platform/win32/wide_text.h"
#include "ui/win32/win32_cursors.h"
#include "ui/win32/win32_mouse.h"
#include "ui/win32/win32_tooltip.h"

namespace tov::win32 {

namespace {

constexpr wchar_t kWindowClass[] = L"TovaleerWindow";
constexpr UINT_PTR kHintTimer = 1;
// How long the pointer rests before a control's hint shows, as Qt waits on Linux.
constexpr UINT kHintDelayMs = 700;

// What all windows of the layer share; the user-interface thread is the only one that
// touches it.
struct Shared {
  std::vector<Win32Window*> forms;        // in the order they were made
  Win32Window* pointerWindow = nullptr;   // the window last told where the pointer is
};

Shared& shared() {
  static Shared instance;
  return instance;
}

ATOM windowClass(WNDPROC procedure) {
  static const ATOM atom = [procedure] {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    // No CS_DBLCLKS: a second press in quick succession arrives as a press, as the layer wants.
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kWindowClass;
    return RegisterClassExW(&windowClass);
  }();
  return atom;
}

Rect rectOfRECT(const RECT& r) { return Rect{int(r.left), int(r.top), int(r.right), int(r.bottom)}; }

POINT pointOf(LPARAM lParam) { return POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}; }

bool anyButtonHeldNow() {
  return GetKeyState(VK_LBUTTON) < 0 || GetKeyState(VK_RBUTTON) < 0 || GetKeyState(VK_MBUTTON) < 0;
}

void fillBlack(HDC dc, const Rect& area) {
  if (area.width() <= 0 || area.height() <= 0) return;
  const RECT r{area.left, area.top, area.right, area.bottom};
  FillRect(dc, &r, HBRUSH(GetStockObject(BLACK_BRUSH)));
}

// The window of ours that the pointer on handle reports to: the window itself, or for an
// edit box the window it lies in.
Win32Window* reportingWindow(HWND handle) {
  if (!handle) return nullptr;
  if (Win32Window* window = Win32Window::fromHandle(handle)) return window;
  if (GetWindowLongW(handle, GWL_STYLE) & WS_CHILD) return Win32Window::fromHandle(GetParent(handle));
  return nullptr;
}

}  // namespace

void placeInParent(HWND child, const Rect& bounds) {
  if (!child) return;
  const Win32Window* parent = Win32Window::fromHandle(GetParent(child));
  const POINT origin = parent ? parent->origin() : POINT{0, 0};
  SetWindowPos(child, nullptr, origin.x + bounds.left, origin.y + bounds.top, bounds.width(), bounds.height(),
               SWP_NOZORDER | SWP_NOACTIVATE);
}

Win32Window::Win32Window(ui::WindowEvents& events, Win32Window* parent, const ui::WindowOptions& options)
    : events_(&events), form_(parent == nullptr), tracksPointer_(options.tracksPointer) {
  if (!windowClass(&Win32Window::procedure))
    throw std::system_error(int(GetLastError()), std::system_category(), "RegisterClassExW");
  if (parent && !parent->window_) throw std::logic_error("a window inside a form that has gone");
  // A child shows with its parent unless hidden; a form waits to be shown. WS_SYSMENU and
  // WS_MINIMIZEBOX draw nothing on a WS_POPUP window, but give its taskbar button the
  // minimise, restore and close of every program.
  const DWORD style = form_ ? WS_POPUP | WS_CLIPCHILDREN | WS_SYSMENU | WS_MINIMIZEBOX
                            : WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_VISIBLE;
  const std::wstring name = toWide(options.name);
  window_ = CreateWindowExW(form_ ? WS_EX_APPWINDOW : 0, kWindowClass, name.c_str(), style, 0, 0, 0, 0,
                            parent ? parent->window_ : nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  if (!window_) throw std::system_error(int(GetLastError()), std::system_category(), "CreateWindowExW");
  // Messages of the creation itself went to DefWindowProcW: the layer's window is still
  // being made then.
  SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  if (form_) shared().forms.push_back(this);
}

Win32Window::~Win32Window() {
  events_ = nullptr;
  Shared& s = shared();
  if (s.pointerWindow == this) s.pointerWindow = nullptr;
  s.forms.erase(std::remove(s.forms.begin(), s.forms.end(), this), s.forms.end());
  leaveModality();
  if (window_) {
    hideToolTip(window_);
    SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
    DestroyWindow(window_);
  }
  releaseBackBuffer();
}

Win32Window* Win32Window::fromHandle(HWND handle) {
  if (!handle || GetClassLongPtrW(handle, GCW_ATOM) != ULONG_PTR(windowClass(&Win32Window::procedure))) return nullptr;
  // Another process's window of the same class is not ours.
  DWORD process = 0;
  GetWindowThreadProcessId(handle, &process);
  if (process != GetCurrentProcessId()) return nullptr;
  return reinterpret_cast<Win32Window*>(GetWindowLongPtrW(handle, GWLP_USERDATA));
}

Win32Window* Win32Window::parentWindow() const {
  return form_ || !window_ ? nullptr : fromHandle(GetParent(window_));
}

LRESULT CALLBACK Win32Window::procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  Win32Window* self = fromHandle(window);
  if (!self) return DefWindowProcW(window, message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    // Destroyed with its form: the layer's window is left without one.
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    self->window_ = nullptr;
    return DefWindowProcW(window, message, wParam, lParam);
  }
  LRESULT result = 0;
  runInWindowProcedure([&] { result = self->handle(message, wParam, lParam); });
  return result;
}

LRESULT Win32Window::handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT: paint(); return 0;
    // Every pixel is painted from the back buffer or as a bar.
    case WM_ERASEBKGND: return 1;
    case WM_SIZE:
      if (wParam == SIZE_MINIMIZED)
        notifyHidden();
      else
        updatePresentation();
      return 0;
    case WM_MOUSEMOVE: mouseMoved(pointOf(lParam), wParam); return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP: mouseButton(message, pointOf(lParam), wParam); return 0;
    case WM_MOUSELEAVE:
      trackingLeave_ = false;
      pointerLeftHandle(window_);
      return 0;
    case WM_SETCURSOR:
      if (LOWORD(lParam) != HTCLIENT) break;
      SetCursor(cursorOf(cursor_));
      return TRUE;
    case WM_TIMER:
      if (wParam != kHintTimer) break;
      KillTimer(window_, kHintTimer);
      showHint();
      return 0;
    case WM_ACTIVATE: activatedBySystem(wParam); return 0;
    // A full-screen form follows its monitor into another display mode.
    case WM_DISPLAYCHANGE:
      if (fullScreen_) placeForm();
      break;
    case WM_CLOSE: close(); return 0;
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
      if (const LRESULT brush = SendMessageW(HWND(lParam), kEditColoursMessage, wParam, 0)) return brush;
      break;
    case kPlaceAgainMessage:
      if (!form_) placeInParent(window_, childBounds_);
      return 0;
    default: break;
  }
  return DefWindowProcW(window_, message, wParam, lParam);
}

// ---- painting ----

void Win32Window::paint() {
  PAINTSTRUCT paintStruct;
  HDC dc = BeginPaint(window_, &paintStruct);
  RECT client;
  GetClientRect(window_, &client);
  const Rect dirty = intersect(rectOfRECT(paintStruct.rcPaint), rectOfRECT(client));
  const Rect content = rectOf(origin_.x, origin_.y, content_.width, content_.height);
  // The bars round a form that is smaller than its window.
  fillBlack(dc, intersect(dirty, Rect{dirty.left, dirty.top, dirty.right, content.top}));
  fillBlack(dc, intersect(dirty, Rect{dirty.left, content.bottom, dirty.right, dirty.bottom}));
  fillBlack(dc, intersect(dirty, Rect{dirty.left, content.top, content.left, content.bottom}));
  fillBlack(dc, intersect(dirty, Rect{content.right, content.top, dirty.right, content.bottom}));
  const Rect shown = intersect(dirty, content);
  if (shown.width() > 0 && shown.height() > 0 && events_) {
    ensureBackBuffer();
    if (buffer_.bits) {
      Bitmap target = Bitmap::view(buffer_.bits, buffer_.width, buffer_.height, std::size_t(buffer_.width) * 4,
                                   PixelFormat::pf32bit);
      const Rect area{shown.left - origin_.x, shown.top - origin_.y, shown.right - origin_.x, shown.bottom - origin_.y};
      // The picture goes to the screen even when the layer's painting failed half-way: what
      // it painted is kept, and the failure reaches the loop.
      runInWindowProcedure([&] { events_->paint(target, area); });
      BitBlt(dc, shown.left, shown.top, shown.width(), shown.height(), buffer_.dc, area.left, area.top, SRCCOPY);
    }
  }
  EndPaint(window_, &paintStruct);
}

void Win32Window::ensureBackBuffer() {
  if (buffer_.bits && buffer_.width == content_.width && buffer_.height == content_.height) return;
  releaseBackBuffer();
  if (content_.empty()) return;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = content_.width;
  info.bmiHeader.biHeight = -content_.height;  // top-down: the layer's rows, top row first
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  buffer_.bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  buffer_.dc = CreateCompatibleDC(nullptr);
  if (!buffer_.bitmap || !buffer_.dc) {
    releaseBackBuffer();
    return;
  }
  buffer_.previous = SelectObject(buffer_.dc, buffer_.bitmap);
  buffer_.bits = static_cast<std::uint8_t*>(bits);
  buffer_.width = content_.width;
  buffer_.height = content_.height;
}

void Win32Window::releaseBackBuffer() {
  if (buffer_.dc) {
    if (buffer_.previous) SelectObject(buffer_.dc, buffer_.previous);
    DeleteDC(buffer_.dc);
  }
  if (buffer_.bitmap) DeleteObject(buffer_.bitmap);
  buffer_ = BackBuffer{};
}

RECT Win32Window::toClient(const Rect& area) const {
  return RECT{area.left + origin_.x, area.top + origin_.y, area.right + origin_.x, area.bottom + origin_.y};
}

Point Win32Window::toForm(POINT client) const { return Point{int(client.x - origin_.x), int(client.y - origin_.y)}; }

void Win32Window::invalidate(const Rect& area) {
  if (!window_) return;
  const RECT r = toClient(area);
  InvalidateRect(window_, &r, FALSE);
}

void Win32Window::repaintNow(const Rect& area) {
  if (!window_) return;
  const RECT r = toClient(area);
  RedrawWindow(window_, &r, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
}

// ---- place and size ----

// A form's own size lies in the middle of a larger window (full screen on a larger monitor);
// a smaller window, or a child, shows as many form pixels as it has.
void Win32Window::updatePresentation() {
  if (!window_ || IsIconic(window_)) return;
  RECT client;
  GetClientRect(window_, &client);
  const Size clientSize{int(client.right), int(client.bottom)};
  Size content = clientSize;
  POINT origin{0, 0};
  if (form_ && !ownSize_.empty() && clientSize.width >= ownSize_.width && clientSize.height >= ownSize_.height) {
    content = ownSize_;
    origin = POINT{(clientSize.width - ownSize_.width) / 2, (clientSize.height - ownSize_.height) / 2};
  }
  if (origin.x != origin_.x || origin.y != origin_.y || content != content_) {
    origin_ = origin;
    content_ = content;
    for (HWND child = GetWindow(window_, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
      SendMessageW(child, kPlaceAgainMessage, 0, 0);
    InvalidateRect(window_, nullptr, FALSE);
  }
  // Told once for each new number of form pixels, also while the window is hidden.
  if (notedSize_ == content_) return;
  notedSize_ = content_;
  if (events_) events_->resized(content_);
}

void Win32Window::placeForm() {
  Rect place = placedBounds_;
  if (fullScreen_) {
    const RECT wanted{placedBounds_.left, placedBounds_.top, placedBounds_.right, placedBounds_.bottom};
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (GetMonitorInfoW(MonitorFromRect(&wanted, MONITOR_DEFAULTTOPRIMARY), &monitor))
      place = rectOfRECT(monitor.rcMonitor);
  }
  SetWindowPos(window_, nullptr, place.left, place.top, place.width(), place.height(), SWP_NOZORDER | SWP_NOACTIVATE);
  updatePresentation();
}

void Win32Window::setBounds(const Rect& bounds) {
  if (!window_) return;
  if (!form_) {
    childBounds_ = bounds;
    placeInParent(window_, bounds);
    return;
  }
  placedBounds_ = bounds;
  ownSize_ = Size{bounds.width(), bounds.height()};
  placeForm();
}

void Win32Window::resize(Size size) {
  if (!window_) return;
  if (!form_) {
    setBounds(rectOf(childBounds_.left, childBounds_.top, size.width, size.height));
    return;
  }
  placedBounds_ = rectOf(placedBounds_.left, placedBounds_.top, size.width, size.height);
  ownSize_ = size;
  placeForm();
}

void Win32Window::move(Point topLeft) {
  if (!window_) return;
  if (!form_) {
    setBounds(rectOf(topLeft.x, topLeft.y, childBounds_.width(), childBounds_.height()));
    return;
  }
  placedBounds_ = rectOf(topLeft.x, topLeft.y, placedBounds_.width(), placedBounds_.height());
  placeForm();
}

Rect Win32Window::screenBounds() const {
  RECT r{};
  if (window_) GetWindowRect(window_, &r);
  return rectOfRECT(r);
}

// The window covers the monitor the form was placed on, which makes it full screen to the
// system (the taskbar goes behind it); the form lies in its middle.
void Win32Window::setFullScreen(bool on) {
  if (!form_ || on == fullScreen_ || !window_) return;
  fullScreen_ = on;
  placeForm();
  if (on) SetWindowPos(window_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

int Win32Window::scrollBarExtent() const { return std::max(0, GetSystemMetrics(SM_CYHSCROLL)); }

void Win32Window::setCaption(const std::string& caption) {
  if (window_) SetWindowTextW(window_, toWide(caption).c_str());
}

std::uint64_t Win32Window::nativeId() { return std::uint64_t(reinterpret_cast<std::uintptr_t>(window_)); }

// ---- showing, hiding, closing ----

bool Win32Window::visible() const { return window_ && (GetWindowLongW(window_, GWL_STYLE) & WS_VISIBLE); }

void Win32Window::setVisible(bool visible) {
  if (visible)
    show(form_ ? SW_SHOW : SW_SHOWNA);
  else
    hide();
}

void Win32Window::show(int command) {
  if (!window_) return;
  // The others are disabled first, so that the system activates this one and nothing else.
  if (modal_) enterModality();
  ShowWindow(window_, command);
}

void Win32Window::hide() {
  if (!visible()) return;
  // Enabled again before this one goes, so that the system hands activation back to them.
  leaveModality();
  ShowWindow(window_, SW_HIDE);
  notifyHidden();
}

void Win32Window::notifyHidden() {
  if (!window_) return;
  KillTimer(window_, kHintTimer);
  hideToolTip(window_);
  if (shared().pointerWindow == this) pointerGone();
  if (events_) events_->hidden();
  for (HWND child = GetWindow(window_, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
    if (Win32Window* window = fromHandle(child); window && window->visible()) window->notifyHidden();
}

void Win32Window::minimize() {
  if (window_) ShowWindow(window_, SW_MINIMIZE);
}

bool Win32Window::minimized() const { return window_ && IsIconic(window_); }

void Win32Window::restore() { show(minimized() ? SW_RESTORE : SW_SHOW); }

void Win32Window::close() {
  hide();
  if (events_) events_->closed();
}

// ---- modality ----

// Owned by the window active now, the system keeps this one above it, also above a form
// that covers its monitor.
void Win32Window::setModal() {
  if (!form_ || !window_) return;
  modal_ = true;
  HWND active = GetActiveWindow();
  if (active && active != window_ && fromHandle(active))
    SetWindowLongPtrW(window_, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(active));
  if (visible()) enterModality();
}

void Win32Window::enterModality() {
  if (disabledByModality_.empty()) disabledByModality_ = disableFormsBut(window_);
}

void Win32Window::leaveModality() { enableAgain(std::exchange(disabledByModality_, {})); }

std::vector<HWND> disableFormsBut(HWND keep) {
  std::vector<HWND> disabled;
  for (Win32Window* form : shared().forms) {
    HWND window = form->handle();
    if (!window || window == keep || !IsWindowEnabled(window)) continue;
    EnableWindow(window, FALSE);
    disabled.push_back(window);
  }
  return disabled;
}

void enableAgain(const std::vector<HWND>& windows) {
  for (HWND window : windows)
    if (Win32Window::fromHandle(window)) EnableWindow(window, TRUE);
}

HWND activeForm() {
  HWND active = GetActiveWindow();
  if (active && Win32Window::fromHandle(active)) return active;
  const std::vector<Win32Window*>& forms = shared().forms;
  for (auto it = forms.rbegin(); it != forms.rend(); ++it)
    if ((*it)->visible() && !(*it)->minimized() && IsWindowEnabled((*it)->handle())) return (*it)->handle();
  return nullptr;
}

// The first activation reaches the layer from the loop, as on other systems: showing a form
// activates it inside ShowWindow, in the middle of the layer's own Show. The keyboard focus
// goes back to the control that had it.
void Win32Window::activatedBySystem(WPARAM wParam) {
  if (LOWORD(wParam) == WA_INACTIVE) {
    HWND focus = GetFocus();
    focusBeforeDeactivation_ = focus && IsChild(window_, focus) ? focus : nullptr;
    return;
  }
  if (HIWORD(wParam)) return;  // activated while minimised
  if (focusBeforeDeactivation_ && IsWindow(focusBeforeDeactivation_) && IsChild(window_, focusBeforeDeactivation_))
    SetFocus(focusBeforeDeactivation_);
  else
    SetFocus(window_);
  context_.post([this] {
    if (events_) events_->activated();
  });
}

// ---- the pointer ----
//
// One window at a time is told where the pointer is: the window under it, or, for a window
// that takes no pointer moves without a button held (WindowOptions::tracksPointer), the
// window it lies in, in that one's form pixels. A window told of the pointer for the first
// time hears pointerEntered; the window told before hears pointerLeft. WM_MOUSELEAVE
// (TrackMouseEvent) ends it where the pointer went to no window of ours, or to one that
// reports to another window; passing between a window and a child that reports to it, or
// onto an edit box inside it, is no leave. While a button is held the pressed window keeps
// the pointer (SetCapture), so that the release comes where the press was.

Win32Window* Win32Window::pointerTarget(POINT& client, bool buttonsHeld) {
  Win32Window* target = this;
  while (!buttonsHeld && !target->tracksPointer_) {
    Win32Window* parent = target->parentWindow();
    if (!parent) break;
    MapWindowPoints(target->window_, parent->window_, &client, 1);
    target = parent;
  }
  return target;
}

void Win32Window::trackLeave() {
  if (trackingLeave_) return;
  TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, window_, 0};
  trackingLeave_ = TrackMouseEvent(&track) != FALSE;
}

void Win32Window::mouseMoved(POINT client, WPARAM keys) {
  trackLeave();
  Win32Window* target = pointerTarget(client, anyButtonHeld(keys));
  target->pointerHere(target->toForm(client), shiftStateOf(keys));
}

void Win32Window::pointerHere(Point at, TShiftState shift) {
  Shared& s = shared();
  if (s.pointerWindow != this) {
    if (s.pointerWindow) s.pointerWindow->pointerGone();
    s.pointerWindow = this;
    if (events_) events_->pointerEntered(at);
  }
  lastPointer_ = at;
  if (hintArea_ && !contains(*hintArea_, at)) {
    hintArea_.reset();
    hideToolTip(window_);
  }
  if (!showsToolTip(window_) && window_) SetTimer(window_, kHintTimer, kHintDelayMs, nullptr);
  if (events_) events_->pointerMoved(at, shift);
}

void Win32Window::pointerGone() {
  Shared& s = shared();
  if (s.pointerWindow == this) s.pointerWindow = nullptr;
  if (window_) {
    KillTimer(window_, kHintTimer);
    hideToolTip(window_);
  }
  hintArea_.reset();
  if (events_) events_->pointerLeft();
}

void Win32Window::pointerLeftHandle(HWND handle) {
  Win32Window* reported = shared().pointerWindow;
  Win32Window* left = reportingWindow(handle);
  if (!reported || !left || GetCapture() == handle) return;
  const bool held = anyButtonHeldNow();
  POINT unused{0, 0};
  if (left->pointerTarget(unused, held) != reported) return;  // another window has it already
  POINT cursor;
  GetCursorPos(&cursor);
  Win32Window* under = reportingWindow(WindowFromPoint(cursor));
  if (under && under->pointerTarget(unused, held) == reported) return;
  reported->pointerGone();
}

void Win32Window::mouseButton(UINT message, POINT client, WPARAM keys) {
  const std::optional<TMouseButton> button = buttonOf(message);
  if (!button) return;
  const bool press = message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN || message == WM_MBUTTONDOWN;
  const Point at = toForm(client);
  if (press) {
    if (GetCapture() != window_) SetCapture(window_);
    KillTimer(window_, kHintTimer);
    hideToolTip(window_);
    if (events_) events_->pointerPressed(at, *button, shiftStateOf(keys));
    return;
  }
  // Given back before the layer hears the release: its click may open a form modally, and the
  // system would send every press made on that form here, to a window then disabled.
  const bool capturing = window_ && !anyButtonHeld(keys) && GetCapture() == window_;
  if (capturing) ReleaseCapture();
  if (events_) events_->pointerReleased(at, *button, shiftStateOf(keys));
  if (capturing && window_) {
    // Tracked again: a pointer released outside this window hears its leave now.
    trackingLeave_ = false;
    trackLeave();
  }
}

void Win32Window::showHint() {
  if (!events_ || shared().pointerWindow != this) return;
  const std::optional<ui::ToolTip> tip = events_->toolTipAt(lastPointer_);
  if (!tip) return;
  hintArea_ = tip->area;
  POINT cursor;
  GetCursorPos(&cursor);
  // Below the pointer's picture, as the system places its own hints.
  showToolTip(window_, toWide(tip->text), POINT{cursor.x, cursor.y + GetSystemMetrics(SM_CYCURSOR) / 2});
}

void Win32Window::setCursor(TCursor cursor) {
  cursor_ = cursor;
  if (!window_) return;
  POINT at;
  if (GetCursorPos(&at) && WindowFromPoint(at) == window_) SetCursor(cursorOf(cursor));
}

}  // namespace tov::win32
