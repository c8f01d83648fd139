#include "ui/form.h"

#include <utility>

#include "ui/application.h"
#include "ui/modality.h"

namespace tov {

void TForm::scaleToWindow(bool on) { ui::backend().setScaleToWindow(on); }

TForm::TForm() : ControlHost(nullptr) {}

TForm::~TForm() { Modality::end(modalShowing_); }

void TForm::setCaption(const std::string& caption) {
  caption_ = caption;
  native().setCaption(caption);
}

void TForm::setBounds(int left, int top, int width, int height) { native().setBounds(rectOf(left, top, width, height)); }

void TForm::setDesignSize(int width, int height) { native().resize(Size{width, height}); }

void TForm::centreOnScreen() {
  const Rect area = screenArea_ ? screenArea_() : ui::backend().primaryScreenArea();
  if (area.width() <= 0 || area.height() <= 0) return;
  const Rect window = native().screenBounds();
  native().move(Point{area.left + (area.width() - window.width()) / 2, area.top + (area.height() - window.height()) / 2});
}

void TForm::requestFullScreen() {
  fullScreenRequested_ = true;
  if (centred_) native().setFullScreen(true);
}

// A window manager makes a window full screen on the monitor it lies on, so the state is
// asked for only once the form has its place; asked before the window is mapped, it goes
// out with the map.
void TForm::placeOnFirstShow() {
  if (centred_) return;
  centred_ = true;
  centreOnScreen();
  if (fullScreenRequested_) native().setFullScreen(true);
}

void TForm::Show() {
  placeOnFirstShow();
  native().setVisible(true);
  // Not every platform activates a window that is shown (no window manager, offscreen):
  // the first activation also comes, at the latest, once the show has been handled.
  if (!activated_) context_.post([this] { activateOnce(); });
}

void TForm::setVisible(bool visible) {
  if (visible)
    Show();
  else
    native().setVisible(false);
}

void TForm::Minimize() {
  placeOnFirstShow();
  native().minimize();
}

void TForm::Restore() {
  native().restore();
  if (!activated_) context_.post([this] { activateOnce(); });
}

void TForm::ShowModal() {
  if (!closed_) {
    modalShowing_ = Modality::begin(this);
    native().setModal();
    Show();
    // Closing may already have happened while the form was being shown.
    serveEventsUntil([this] { return closed_ || Application::terminating(); });
    Modality::end(std::exchange(modalShowing_, 0));
  }
  closed_ = false;
}

void TForm::closed() {
  closed_ = true;
  Modality::end(std::exchange(modalShowing_, 0));
}

void TForm::activated() {
  if (Visible()) activateOnce();
}

void TForm::afterFirstPaint(std::function<void()> work, int latestMs) {
  if (painted_) {
    work();
    return;
  }
  afterFirstPaint_.push_back(std::move(work));
  auto deadline = std::make_unique<LoopTimer>();
  deadline->setHandler([this, timer = deadline.get()] {
    timer->stop();
    runAfterFirstPaint();
  });
  deadline->start(std::uint32_t(latestMs));
  paintDeadlines_.push_back(std::move(deadline));
}

void TForm::paint(Bitmap& target, const Rect& area) {
  ControlHost::paint(target, area);
  if (painted_) return;
  painted_ = true;
  // The windowing layer sends the painted picture to the screen once this paint returns.
  context_.post([this] { runAfterFirstPaint(); });
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

TPanel::TPanel(ControlHost& parent, std::string name) : ControlHost(&parent, name), name_(std::move(name)) {}

}  // namespace tov
