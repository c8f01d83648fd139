#include "ui/application.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QWindow>

#include "platform/errors.h"
#include "ui/controlhost.h"

namespace tov::Application {

namespace {
std::string g_title;
MessageHandler g_handler;

const char* captionOf(MsgDlgType kind) {
  switch (kind) {
    case MsgDlgType::mtWarning: return "Warning";
    case MsgDlgType::mtError: return "Error";
    case MsgDlgType::mtInformation: return "Information";
    case MsgDlgType::mtConfirmation: return "Confirm";
    case MsgDlgType::mtCustom: break;
  }
  return nullptr;
}

QMessageBox::Icon iconOf(MsgDlgType kind) {
  switch (kind) {
    case MsgDlgType::mtWarning: return QMessageBox::Warning;
    case MsgDlgType::mtError: return QMessageBox::Critical;
    case MsgDlgType::mtInformation: return QMessageBox::Information;
    case MsgDlgType::mtConfirmation: return QMessageBox::Question;
    case MsgDlgType::mtCustom: break;
  }
  return QMessageBox::NoIcon;
}

// The window a box belongs to, so that the windowing system shows it in front of that
// window: a compositor gives the keyboard to no window of ours before the pupil has
// touched one, and a box that belongs to none may open behind a full-screen menu.
QWidget* boxOwner() {
  if (QWidget* modal = QApplication::activeModalWidget()) return modal;
  if (QWidget* active = QApplication::activeWindow()) return active;
  const QWidgetList windows = QApplication::topLevelWidgets();
  for (auto it = windows.rbegin(); it != windows.rend(); ++it)
    if ((*it)->isVisible() && (*it)->isWindow() && !(*it)->windowFlags().testFlag(Qt::Popup)) return *it;
  return nullptr;
}

ModalResult showQtBox(const MessageRequest& request) {
  QWidget* owner = boxOwner();
  QMessageBox box(iconOf(request.kind), QString::fromStdString(request.caption),
                  QString::fromStdString(request.text), QMessageBox::NoButton, owner);
  // Over a form drawn scaled, the box's text and buttons grow with it.
  if (const auto* form = dynamic_cast<const ControlHost*>(owner))
    box.setFont(scaledFont(box.font(), form->contentScale()));
  // The buttons carry their accelerators, so Alt+Y and Alt+N answer the box.
  QPushButton* ok = request.buttons & mbOK ? box.addButton("OK", QMessageBox::AcceptRole) : nullptr;
  QPushButton* yes = request.buttons & mbYes ? box.addButton("&Yes", QMessageBox::YesRole) : nullptr;
  QPushButton* no = request.buttons & mbNo ? box.addButton("&No", QMessageBox::NoRole) : nullptr;
  // Enter answers Yes (else OK) on every desktop. Left to itself Qt makes the first button
  // of the theme's order the default, and GNOME's theme puts No first.
  if (QPushButton* answer = yes ? yes : ok) box.setDefaultButton(answer);
  box.exec();
  QAbstractButton* clicked = box.clickedButton();
  if (clicked && clicked == ok) return ModalResult::mrOk;
  if (clicked && clicked == yes) return ModalResult::mrYes;
  if (clicked && clicked == no) return ModalResult::mrNo;
  return ModalResult::mrNone;
}
}  // namespace

void setTitle(const std::string& title) {
  g_title = title;
  if (qApp) QApplication::setApplicationName(QString::fromStdString(title));
}

const std::string& title() { return g_title; }

ModalResult messageDlg(const std::string& text, MsgDlgType kind, unsigned buttons) {
  const char* caption = captionOf(kind);
  MessageRequest request{caption ? caption : g_title, text, kind, buttons};
  if (g_handler) return g_handler(request);
  return showQtBox(request);
}

void handleException(const std::exception& error) {
  // The report of an unhandled error carries the title, like any box without a kind.
  MessageRequest request{g_title, error.what(), MsgDlgType::mtError, mbOK};
  if (g_handler) {
    g_handler(request);
    return;
  }
  showQtBox(request);
}

void raiseWindow(std::uint64_t window, const std::string& activationToken) {
  for (QWindow* candidate : QGuiApplication::topLevelWindows()) {
    // Only windows that have a native window already: winId() would make one.
    if (!candidate->handle() || candidate->winId() != window) continue;
    if (candidate->windowStates() & Qt::WindowMinimized)
      candidate->setWindowStates(candidate->windowStates() & ~Qt::WindowMinimized);
    // Where the compositor asks for a token, the toolkit takes it from here when it activates.
    if (!activationToken.empty()) qputenv("XDG_ACTIVATION_TOKEN", QByteArray::fromStdString(activationToken));
    candidate->raise();
    candidate->requestActivate();
    return;
  }
}

void guarded(const std::function<void()>& work) {
  try {
    work();
  } catch (const std::exception& error) {
    handleException(error);
  } catch (...) {
    // Nothing may leave a handler: Qt's event delivery does not carry exceptions.
    handleException(Exception(ErrorCode::UnknownError));
  }
}

MessageHandler setMessageHandler(MessageHandler handler) {
  std::swap(handler, g_handler);
  return handler;
}

}  // namespace tov::Application

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

namespace tov::Application {

std::int64_t tickCount() {
  static QElapsedTimer clock = [] {
    QElapsedTimer started;
    started.start();
    return started;
  }();
  return clock.elapsed();
}

void waitDispatching(std::int64_t startMs, std::int64_t ms) {
  const std::int64_t remaining = startMs + ms - tickCount();
  if (remaining <= 0) return;
  QEventLoop loop;
  QTimer::singleShot(int(remaining), Qt::PreciseTimer, &loop, &QEventLoop::quit);
  loop.exec();
}

}  // namespace tov::Application
