#pragma once
// The Win32 window of a window of the layer (form, panel, picture view): a borderless
// WS_POPUP top-level window for a form, a child window for the others. Each paints through a
// 32-bit top-down DIB section of its form pixels: the layer paints into it, WM_PAINT copies
// the dirty part to the screen.
//
// A form's window may be larger than the form (full screen on a monitor larger than the
// form): the form then lies in the middle at its own size, with black bars round it.
// Everything the layer sees stays in form pixels: child windows, edit boxes and pointer
// positions. Forms are never drawn scaled here: on Windows the program sets the display to
// the form's size itself.
//
// A window knows its parent and children only through the system's handles, so a window of
// the layer may outlive its form: the system destroys the child's handle with the form's,
// and the window that is left does nothing from then on.

#include <windows.h>

#include <optional>
#include <vector>

#include "platform/event_loop.h"
#include "ui/backend.h"

namespace tov::win32 {

// Sent to every child of a window whose form pixels moved in its client area (wParam and
// lParam 0): the child places itself again.
constexpr UINT kPlaceAgainMessage = WM_APP + 0x154;
// Sent by a window to an edit box of its own for WM_CTLCOLOREDIT (wParam the device
// context): the box sets its colours there and answers with its background brush.
constexpr UINT kEditColoursMessage = WM_APP + 0x155;

// Places child at bounds in its parent's form pixels.
void placeInParent(HWND child, const Rect& bounds);

class Win32Window final : public ui::NativeWindow {
 public:
  Win32Window(ui::WindowEvents& events, Win32Window* parent, const ui::WindowOptions& options);
  ~Win32Window() override;
  Win32Window(const Win32Window&) = delete;
  Win32Window& operator=(const Win32Window&) = delete;

  // Null once the system has destroyed the window (with its form).
  HWND handle() const { return window_; }
  bool isForm() const { return form_; }
  // The window of the layer behind handle, if it is one of ours and still there.
  static Win32Window* fromHandle(HWND handle);
  // Where the form pixel (0, 0) lies in the window's client area.
  POINT origin() const { return origin_; }

  // The pointer left handle (one of ours, or an edit box in one of ours): its WM_MOUSELEAVE.
  static void pointerLeftHandle(HWND handle);

  void setBounds(const Rect& bounds) override;
  void resize(Size size) override;
  void move(Point topLeft) override;
  Rect screenBounds() const override;
  Size formSize() const override { return content_; }
  void setVisible(bool visible) override;
  bool visible() const override;
  void invalidate(const Rect& area) override;
  void repaintNow(const Rect& area) override;
  void setCursor(TCursor cursor) override;
  int scrollBarExtent() const override;
  void setCaption(const std::string& caption) override;
  void setFullScreen(bool on) override;
  bool fullScreen() const override { return fullScreen_; }
  void minimize() override;
  bool minimized() const override;
  void restore() override;
  void close() override;
  void setModal() override;
  std::uint64_t nativeId() override;

 private:
  struct BackBuffer {
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ previous = nullptr;
    std::uint8_t* bits = nullptr;
    int width = 0, height = 0;
  };

  static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
  Win32Window* parentWindow() const;

  void paint();
  void ensureBackBuffer();
  void releaseBackBuffer();
  void placeForm();
  void updatePresentation();
  RECT toClient(const Rect& area) const;
  Point toForm(POINT client) const;

  void activatedBySystem(WPARAM wParam);
  void mouseMoved(POINT client, WPARAM keys);
  void mouseButton(UINT message, POINT client, WPARAM keys);
  void trackLeave();
  Win32Window* pointerTarget(POINT& client, bool buttonsHeld);
  void pointerHere(Point at, TShiftState shift);
  void pointerGone();
  void showHint();

  void show(int command);
  void hide();
  void notifyHidden();
  void enterModality();
  void leaveModality();

  ui::WindowEvents* events_;
  const bool form_;
  const bool tracksPointer_;
  HWND window_ = nullptr;

  Rect placedBounds_;   // a form's place on the screen when not full screen
  Size ownSize_;        // a form's own size
  Rect childBounds_;    // a child's place in its parent's form pixels
  Size content_;        // the form pixels shown
  POINT origin_{0, 0};
  std::optional<Size> notedSize_;
  bool fullScreen_ = false;
  BackBuffer buffer_;

  TCursor cursor_ = crDefault;
  bool trackingLeave_ = false;
  Point lastPointer_;
  std::optional<Rect> hintArea_;
  HWND focusBeforeDeactivation_ = nullptr;

  bool modal_ = false;
  std::vector<HWND> disabledByModality_;
  LoopContext context_;
};

// Disables every enabled form but keep and returns them, for a modal window or message
// box: the system keeps input from disabled windows.
std::vector<HWND> disableFormsBut(HWND keep);
void enableAgain(const std::vector<HWND>& windows);
// The form a message box belongs to: the active one of ours, else the last shown one.
HWND activeForm();

}  // namespace tov::win32
