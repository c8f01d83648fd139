#pragma once
// Forms and panels: the windows of the program. A form is a borderless top-level window;
// a panel is a child window that lies above every picture of its form.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/event_loop.h"
#include "ui/controlhost.h"

namespace tov {

class TForm : public ControlHost {
 public:
  TForm();
  ~TForm() override;

  const std::string& Caption() const { return caption_; }
  void setCaption(const std::string& caption);

  // Whether forms are drawn as large as their windows allow (where the windowing system
  // keeps its own screen size, as a Wayland compositor does), or at their own size in the
  // middle of a larger window. For every form; off at first.
  static void scaleToWindow(bool on);

  // The form's own size; a full-screen window larger than it shows it centred.
  void setBounds(int left, int top, int width, int height) override;
  void setDesignSize(int width, int height);
  // The part of the screen, in screen coordinates, that the form centres itself on when
  // first shown. The windowing system may learn of a display change later than the program
  // that made it, so the program says where its screen is.
  void setScreenAreaSource(std::function<Rect()> source) { screenArea_ = std::move(source); }
  // Once placed, the form asks the window manager to show it full screen on the screen it
  // was placed on, so that no panel stays in front of it (EWMH's full-screen state).
  void requestFullScreen();
  bool FullScreen() const { return native().fullScreen(); }

  // The form is placed in the middle of its screen area when it is first shown, whatever
  // bounds were set before; on a screen of the form's size that is the top-left corner.
  void Show();
  void setVisible(bool visible) override;
  void Close() { native().close(); }
  void Minimize();
  bool Minimized() const { return native().minimized(); }
  // Back from the taskbar in the state it was minimised from: full screen stays.
  void Restore();
  // Shows the form application-modal, in front of the window active now, and returns when it
  // has closed. A form closed since the last modal showing began returns at once.
  void ShowModal();
  // The system's id of the form's window.
  std::uint64_t NativeId() { return native().nativeId(); }

  // Runs once, when the window first becomes active after being shown.
  std::function<void()> OnActivate;

  // Runs work from the event loop once the window's first paint has gone to the screen, or
  // latestMs after this call should no paint come by then (a window that is not drawn does
  // not hold the work back). Once the window has been painted, work runs at once.
  void afterFirstPaint(std::function<void()> work, int latestMs);

  void paint(Bitmap& target, const Rect& area) override;
  void activated() override;
  void closed() override;

 private:
  void placeOnFirstShow();
  void activateOnce();
  void runAfterFirstPaint();
  void centreOnScreen();

  std::string caption_;
  std::function<Rect()> screenArea_;
  bool fullScreenRequested_ = false;
  bool centred_ = false;
  bool activated_ = false;
  bool painted_ = false;
  bool closed_ = false;              // closed since the last modal showing began
  std::uint64_t modalShowing_ = 0;   // the modal showing under way, 0 for none
  std::vector<std::function<void()>> afterFirstPaint_;
  std::vector<std::unique_ptr<LoopTimer>> paintDeadlines_;
  LoopContext context_;              // work posted for the form, dropped once it has gone
};

class TPanel : public ControlHost {
 public:
  TPanel(ControlHost& parent, std::string name);
  const std::string& Name() const { return name_; }

 private:
  std::string name_;
};

}  // namespace tov
