#pragma once
// Forms and panels: the windows of the program. A form is a borderless top-level window;
// a panel is a child window that lies above every picture of its form.

#include <QRect>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "ui/controlhost.h"

namespace tov {

class TForm : public ControlHost {
 public:
  TForm();

  const std::string& Caption() const { return caption_; }
  void setCaption(const std::string& caption);

  // Whether forms are drawn as large as their windows allow (where the windowing system
  // keeps its own screen size, as a Wayland compositor does), or at their own size in the
  // middle of a larger window. For every form; off at first.
  static void scaleToWindow(bool on);

  // The form's own size; a full-screen window larger than it shows it centred.
  void setBounds(int left, int top, int width, int height);
  void setDesignSize(int width, int height);
  // The part of the screen, in screen coordinates, that the form centres itself on when
  // first shown. The windowing system may learn of a display change later than the program
  // that made it, so the program says where its screen is.
  void setScreenAreaSource(std::function<QRect()> source) { screenArea_ = std::move(source); }
  // Once placed, the form asks the window manager to show it full screen on the screen it
  // was placed on, so that no panel stays in front of it (EWMH's full-screen state).
  void requestFullScreen();
  bool FullScreen() const { return isFullScreen(); }

  void Close() { close(); }
  void Minimize() { showMinimized(); }
  // Back from the taskbar in the state it was minimised from: full screen stays.
  void Restore();

  // Runs once, when the window first becomes active after being shown.
  std::function<void()> OnActivate;

  // Runs work from the event loop once the window's first paint has gone to the screen, or
  // latestMs after this call should no paint come by then (a window that is not drawn does
  // not hold the work back). Once the window has been painted, work runs at once.
  void afterFirstPaint(std::function<void()> work, int latestMs);

 protected:
  bool event(QEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  void activateOnce();
  void runAfterFirstPaint();
  void centreOnScreen();
  void enterFullScreen();

  std::string caption_;
  QSize ownSize_;
  std::function<QRect()> screenArea_;
  bool fullScreenRequested_ = false;
  bool centred_ = false;
  bool activated_ = false;
  bool painted_ = false;
  std::vector<std::function<void()>> afterFirstPaint_;
};

class TPanel : public ControlHost {
 public:
  TPanel(QWidget& parent, std::string name);
  const std::string& Name() const { return name_; }
  void setBounds(int left, int top, int width, int height) { placeChild(*this, {left, top, width, height}); }
  bool Visible() const { return !isHidden(); }
  void setVisible(bool visible) override { ControlHost::setVisible(visible); }

 private:
  std::string name_;
};

}  // namespace tov
