#include "ui/qt/qt_backend.h"

#include <QApplication>
#include <QScreen>
#include <QWindow>

#include "ui/qt/qt_convert.h"
#include "ui/qt/qt_cursors.h"
#include "ui/qt/qt_edit.h"
#include "ui/qt/qt_message_box.h"
#include "ui/qt/qt_mirrored_buttons.h"
#include "ui/qt/qt_window.h"

namespace tov::qt {

QtBackend::QtBackend() {
  if (!Application::title().empty()) setApplicationTitle(Application::title());
}

QtBackend::~QtBackend() = default;

std::unique_ptr<ui::NativeWindow> QtBackend::createWindow(ui::WindowEvents& events, ui::NativeWindow* parent,
                                                          const ui::WindowOptions& options) {
  return std::make_unique<QtWindow>(events, static_cast<QtWindow*>(parent), options);
}

std::unique_ptr<ui::NativeEdit> QtBackend::createEdit(ui::EditEvents& events, ui::NativeWindow& parent,
                                                      const std::string& name) {
  return std::make_unique<QtEdit>(events, static_cast<QtWindow&>(parent), name);
}

ModalResult QtBackend::showMessage(const Application::MessageRequest& request) { return showMessageBox(request); }

void QtBackend::registerCursor(TCursor id, const CursorImage& image) { qt::registerCursor(id, image); }

void QtBackend::raiseWindow(std::uint64_t nativeId, const std::string& activationToken) {
  for (QWindow* candidate : QGuiApplication::topLevelWindows()) {
    // Only windows that have a native window already: winId() would make one.
    if (!candidate->handle() || candidate->winId() != nativeId) continue;
    if (candidate->windowStates() & Qt::WindowMinimized)
      candidate->setWindowStates(candidate->windowStates() & ~Qt::WindowMinimized);
    // Where the compositor asks for a token, the toolkit takes it from here when it activates.
    if (!activationToken.empty()) qputenv("XDG_ACTIVATION_TOKEN", QByteArray::fromStdString(activationToken));
    candidate->raise();
    candidate->requestActivate();
    return;
  }
}

Rect QtBackend::primaryScreenArea() const {
  const QScreen* screen = QGuiApplication::primaryScreen();
  return screen ? toRect(screen->geometry()) : Rect{};
}

void QtBackend::setScaleToWindow(bool on) { qt::setScaleToWindow(on); }

void QtBackend::setMouseButtonsMirrored(bool mirrored) {
  if (!mirror_) mirror_ = std::make_unique<ButtonMirror>();
  mirror_->setMirrored(mirrored);
}

void QtBackend::setApplicationTitle(const std::string& title) {
  QApplication::setApplicationName(QString::fromStdString(title));
}

void QtBackend::quit() { QCoreApplication::exit(0); }

}  // namespace tov::qt
