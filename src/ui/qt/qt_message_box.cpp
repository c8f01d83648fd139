#include "ui/qt/qt_message_box.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

#include "ui/qt/qt_window.h"

namespace tov::qt {

namespace {

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

}  // namespace

ModalResult showMessageBox(const Application::MessageRequest& request) {
  QWidget* owner = boxOwner();
  QMessageBox box(iconOf(request.kind), QString::fromStdString(request.caption),
                  QString::fromStdString(request.text), QMessageBox::NoButton, owner);
  // Over a form drawn scaled, the box's text and buttons grow with it.
  if (const auto* form = dynamic_cast<const WindowWidget*>(owner))
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

}  // namespace tov::qt
