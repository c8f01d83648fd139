#include "ui/form.h"

#include <QGuiApplication>
#include <QResizeEvent>
#include <QScreen>
#include <QShowEvent>
#include <QTimer>

#include <cmath>

#include "ui/application.h"
#include "ui/scaled_copy.h"

namespace tov {

namespace {
bool g_scaleToWindow = false;
}  // namespace

void TForm::scaleToWindow(bool on) { g_scaleToWindow = on; }

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

// Given another size than its own (full screen on an output of another size, where a
// Wayland compositor keeps its own mode, or made as large as the output by a kiosk
// compositor), the form lies in the middle, with black bars round it: scaled to fill the
// window one way where forms are, else at its own size where the window is larger. The
// size is the one the windowing system gives the window, on whichever output it is.
void TForm::resizeEvent(QResizeEvent* event) {
  ControlHost::resizeEvent(event);
  const bool larger = width() >= ownSize_.width() && height() >= ownSize_.height();
  if (!ownSize_.isValid() || size() == ownSize_ || (!g_scaleToWindow && !larger)) {
    setPresentation({}, 1.0, {});
    return;
  }
  const double scale =
      g_scaleToWindow ? presentationScale(width(), height(), ownSize_.width(), ownSize_.height()) : 1.0;
  const QSize shown(int(std::lround(ownSize_.width() * scale)), int(std::lround(ownSize_.height() * scale)));
  setPresentation(ownSize_, scale, QPointF((width() - shown.width()) / 2, (height() - shown.height()) / 2));
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

void TForm::afterFirstPaint(std::function<void()> work, int latestMs) {
  if (painted_) {
    work();
    return;
  }
  afterFirstPaint_.push_back(std::move(work));
  QTimer::singleShot(latestMs, this, [this] { runAfterFirstPaint(); });
}

void TForm::paintEvent(QPaintEvent* event) {
  ControlHost::paintEvent(event);
  if (painted_) return;
  painted_ = true;
  // The windowing layer sends the painted picture to the screen once this event returns.
  QTimer::singleShot(0, this, [this] { runAfterFirstPaint(); });
}

void TForm::runAfterFirstPaint() {
  const std::vector<std::function<void()>> work = std::move(afterFirstPaint_);
  afterFirstPaint_.clear();
  for (const auto& piece : work) piece();
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
