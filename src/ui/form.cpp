#include "ui/form.h"

#include <QGuiApplication>
#include <QResizeEvent>
#include <QScreen>
#include <QShowEvent>
#include <QTimer>

#include "ui/application.h"

namespace tov {

TForm::TForm() : ControlHost(nullptr) {
  setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
  setAttribute(Qt::WA_DeleteOnClose, false);
}

void TForm::setCaption(const std::string& caption) {
  caption_ = caption;
  setWindowTitle(QString::fromStdString(caption));
}

void TForm::setBounds(int left, int top, int width, int height) {
  ownSize_ = QSize(width, height);
  setGeometry(left, top, width, height);
}

void TForm::setDesignSize(int width, int height) {
  ownSize_ = QSize(width, height);
  resize(width, height);
}

// Given more room than its own size (full screen on an output larger than the form, where
// a Wayland compositor keeps its own mode, or made as large as the output by a kiosk
// compositor), the form keeps its size in the middle, with black bars round it.
void TForm::resizeEvent(QResizeEvent* event) {
  ControlHost::resizeEvent(event);
  if (ownSize_.isValid() && size() != ownSize_ && width() >= ownSize_.width() && height() >= ownSize_.height())
    setContentRect(QRect(QPoint((width() - ownSize_.width()) / 2, (height() - ownSize_.height()) / 2), ownSize_));
  else
    setContentRect({});
}

void TForm::centreOnScreen() {
  QRect area;
  if (screenArea_) {
    area = screenArea_();
  } else if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    area = screen->geometry();
  }
  if (area.isEmpty()) return;
  move(area.left() + (area.width() - width()) / 2, area.top() + (area.height() - height()) / 2);
}

void TForm::requestFullScreen() {
  fullScreenRequested_ = true;
  if (centred_) enterFullScreen();
}

// A window manager makes a window full screen on the monitor it lies on, so the state is
// asked for only once the form has its place; asked before the window is mapped, it goes
// out with the map.
void TForm::enterFullScreen() { setWindowState(windowState() | Qt::WindowFullScreen); }

void TForm::Restore() {
  setWindowState(windowState() & ~Qt::WindowMinimized);
  show();
}

void TForm::showEvent(QShowEvent* event) {
  // The form is placed in the middle of the screen when it is first shown, whatever bounds
  // were set before; on a screen of the form's size that is the top-left corner.
  if (!centred_) {
    centred_ = true;
    centreOnScreen();
    if (fullScreenRequested_) enterFullScreen();
  }
  ControlHost::showEvent(event);
  // Not every platform activates a window that is shown (no window manager, offscreen):
  // the first activation also comes, at the latest, once the show has been handled.
  if (!activated_) QTimer::singleShot(0, this, [this] { activateOnce(); });
}

bool TForm::event(QEvent* event) {
  if (event->type() == QEvent::WindowActivate && isVisible()) activateOnce();
  return ControlHost::event(event);
}

void TForm::activateOnce() {
  if (activated_) return;
  activated_ = true;
  if (OnActivate) Application::guarded(OnActivate);
}

TPanel::TPanel(QWidget& parent, std::string name) : ControlHost(&parent), name_(std::move(name)) {
  setObjectName(QString::fromStdString(name_));
}

}  // namespace tov
