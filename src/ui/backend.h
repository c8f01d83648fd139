#pragma once
// The windowing layer's contract with the system that shows its windows (its backend): one
// object per system, installed by the program's entry, in the manner of SDL's per-system
// function tables. Each window of the layer (form, panel, picture view) owns a native window
// and each edit box a native edit box, made by the backend. The backend tells the layer what
// happens to them through WindowEvents and EditEvents, in form pixels, and does what the layer
// asks; the layer paints the windowless controls itself, and the backend shows what it painted
// (scaled where a form is presented larger than itself, with black bars round it). The Qt
// backend lives in ui/qt/; a Win32 one would stand beside it.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "imaging/bitmap.h"
#include "ui/application.h"
#include "ui/cursors.h"
#include "ui/geometry.h"
#include "ui/mouse.h"

namespace tov::ui {

// A tool tip: its text, shown while the pointer rests on area (form pixels).
struct ToolTip {
  std::string text;
  Rect area;
};

// What happens to a window, as its backend tells the layer: positions and areas in the
// window's form pixels, whatever its presentation on the screen. Called on the user-interface
// thread, from the event loop or at once from a request that causes them (a repaint).
class WindowEvents {
 public:
  // Paint area of target, a picture of the window's form pixels: every pixel of area.
  virtual void paint(Bitmap& target, const Rect& area) = 0;
  virtual void pointerEntered(Point) {}
  // shift: the keys and buttons held.
  virtual void pointerMoved(Point, TShiftState) {}
  // A press of button (a second one in quick succession too); shift holds the buttons held
  // with it.
  virtual void pointerPressed(Point, TMouseButton, TShiftState) {}
  // shift: the buttons still held after the release.
  virtual void pointerReleased(Point, TMouseButton, TShiftState) {}
  virtual void pointerLeft() {}
  // The form's window became the active one.
  virtual void activated() {}
  // The form's window was closed, by the program or by the user; it is hidden now.
  virtual void closed() {}
  // The window was hidden, by itself or with the window it lies in.
  virtual void hidden() {}
  // The window shows another number of form pixels (placed anew, or presented anew).
  virtual void resized(Size) {}
  // What the pointer resting at a point should show, if anything.
  virtual std::optional<ToolTip> toolTipAt(Point) { return std::nullopt; }

 protected:
  ~WindowEvents() = default;
};

// What the layer asks of a window. A child window lies in its parent's form pixels and shows
// its own at the parent's scale; a form's window lies on the screen.
class NativeWindow {
 public:
  virtual ~NativeWindow() = default;

  // A child: its place in the parent's form pixels. A form: its place on the screen, and its
  // own size, which a larger full-screen window shows in the middle (scaled where forms fill
  // their windows).
  virtual void setBounds(const Rect& bounds) = 0;
  // A form: another own size, at the same place.
  virtual void resize(Size size) = 0;
  virtual void move(Point topLeft) = 0;
  // A form's window on the screen (the screen's size, full screen).
  virtual Rect screenBounds() const = 0;
  // The form pixels the window shows.
  virtual Size formSize() const = 0;
  virtual void setVisible(bool visible) = 0;
  // Not hidden: a child that is not hidden shows with its parent.
  virtual bool visible() const = 0;
  // Paints area (form pixels) when the event loop next paints, or at once.
  virtual void invalidate(const Rect& area) = 0;
  virtual void repaintNow(const Rect& area) = 0;
  virtual void setCursor(TCursor cursor) = 0;
  // The system's thickness of a scroll bar, in form pixels.
  virtual int scrollBarExtent() const = 0;

  // Forms only.
  virtual void setCaption(const std::string& caption) = 0;
  virtual void setFullScreen(bool on) = 0;
  virtual bool fullScreen() const = 0;
  virtual void minimize() = 0;
  virtual bool minimized() const = 0;
  // Out of the taskbar in the state it was minimised from, and shown.
  virtual void restore() = 0;
  // Hides the window as the user's closing does; closed() follows.
  virtual void close() = 0;
  // Application modal from now on, and kept above the window that is active now.
  virtual void setModal() = 0;
  // The system's id of the window (made now if there is none yet).
  virtual std::uint64_t nativeId() = 0;
};

// The font of an edit box, its size in form pixels.
struct Font {
  std::string family;
  int pixelSize = 0;
  bool bold = false;
};

class EditEvents {
 public:
  // A character key before the box applies it: 13 Enter, 8 Backspace, 27 Escape, 1 to 26 for
  // Ctrl+A to Ctrl+Z, else the typed character (never a rejected one). Returns the key the box
  // applies: 0 for none.
  virtual char32_t keyTyped(char32_t key) = 0;

 protected:
  ~EditEvents() = default;
};

// A single-line edit box whose text is always upper case: what is typed or put in any other
// way is upper-cased, and the rejected characters never get in. Text in UTF-8.
class NativeEdit {
 public:
  virtual ~NativeEdit() = default;
  // In the parent's form pixels; the box and its font scale with the parent.
  virtual void setBounds(const Rect& bounds) = 0;
  virtual void setVisible(bool visible) = 0;
  virtual bool visible() const = 0;
  virtual void setFocus() = 0;
  virtual bool hasFocus() const = 0;
  virtual std::string text() const = 0;
  virtual void setText(const std::string& text) = 0;
  // As typed at the cursor: upper-cased, without the rejected characters.
  virtual void typeText(const std::string& text) = 0;
  virtual void setFont(const Font& font) = 0;
  virtual void setColor(Color background) = 0;
  virtual void setRejectedCharacters(const std::string& characters) = 0;
};

struct WindowOptions {
  std::string name;
  // Pointer moves come with no button held too; without, they go to the window beneath.
  bool tracksPointer = true;
};

class Backend {
 public:
  virtual ~Backend() = default;
  // A form when parent is null, else a child window of parent.
  virtual std::unique_ptr<NativeWindow> createWindow(WindowEvents& events, NativeWindow* parent,
                                                     const WindowOptions& options) = 0;
  virtual std::unique_ptr<NativeEdit> createEdit(EditEvents& events, NativeWindow& parent,
                                                 const std::string& name) = 0;
  // A modal message box over the active window; mrNone when closed without a button.
  virtual ModalResult showMessage(const Application::MessageRequest& request) = 0;
  virtual void registerCursor(TCursor id, const CursorImage& image) = 0;
  virtual void raiseWindow(std::uint64_t nativeId, const std::string& activationToken) = 0;
  // The primary output's area on the screen.
  virtual Rect primaryScreenArea() const = 0;
  // Forms drawn as large as their windows allow (see TForm::scaleToWindow).
  virtual void setScaleToWindow(bool on) = 0;
  // The left and right buttons exchanged for the program's own windows.
  virtual void setMouseButtonsMirrored(bool mirrored) = 0;
  virtual void setApplicationTitle(const std::string& title) = 0;
  // Ends the program's event loop once the event at hand has been handled.
  virtual void quit() = 0;
};

// The backend of this process; installing null takes it away again.
void installBackend(Backend* backend);
Backend& backend();
bool hasBackend();

}  // namespace tov::ui
