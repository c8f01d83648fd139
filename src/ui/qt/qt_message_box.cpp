#include "ui/qt/qt_message_box.h"

#include <QApplication>
#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

#include <memory>

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

// A Wayland compositor keeps a full-screen window above every other window until it
// activates another one, and it may activate none: weston does so only for a seat, and
// lowers the full-screen layer for nothing else, so a box in a window of its own stays
// behind the menu, unseen, however it belongs to it. Over a full-screen window there, the
// box is drawn inside that window. An X11 window manager keeps a dialog above the
// full-screen window it belongs to.
bool drawnInside(const QWidget* owner) {
  return owner && owner->isFullScreen() && QGuiApplication::platformName().startsWith("wayland");
}

// Covers the whole of the window a box is drawn inside, and holds the box in its middle
// under the box's caption. It takes every pointer and key event that the box leaves, so
// that the window's controls hear nothing while the box is up, as behind a box of its own.
// When the window goes, it closes the box, as the window's going closes a box of its own.
class BoxInsideWindow final : public QWidget {
 public:
  BoxInsideWindow(QWidget& window, QMessageBox& box) : QWidget(&window), box_(&box) {
    setGeometry(window.rect());
    window.installEventFilter(this);
    auto* frame = new QFrame(this);
    frame->setFrameStyle(QFrame::Panel | QFrame::Raised);
    frame->setAutoFillBackground(true);
    auto* caption = new QLabel(box.windowTitle(), frame);
    QFont bold = box.font();
    bold.setBold(true);
    caption->setFont(bold);
    auto* column = new QVBoxLayout(frame);
    column->addWidget(caption);
    box.setParent(frame, Qt::Widget);
    column->addWidget(&box);
    (new QGridLayout(this))->addWidget(frame, 0, 0, Qt::AlignCenter);
    raise();
    show();
  }
  // The box is the caller's: it goes on its own.
  ~BoxInsideWindow() override {
    if (box_) box_->setParent(nullptr);
  }

 protected:
  bool event(QEvent* event) override {
    switch (event->type()) {
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonRelease:
      case QEvent::MouseButtonDblClick:
      case QEvent::MouseMove:
      case QEvent::Wheel:
      case QEvent::ContextMenu:
      case QEvent::ToolTip:
      case QEvent::KeyPress:
      case QEvent::KeyRelease:
        event->accept();
        return true;
      case QEvent::ParentChange:
        if (!parentWidget() && box_) box_->done(0);
        break;
      default:
        break;
    }
    return QWidget::event(event);
  }

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == parentWidget() && event->type() == QEvent::Resize) setGeometry(parentWidget()->rect());
    return false;
  }

 private:
  QPointer<QMessageBox> box_;
};

}  // namespace

ModalResult showMessageBox(const Application::MessageRequest& request) {
  QWidget* owner = boxOwner();
  // Declared before the box, which it may hold, so that it goes after it.
  std::unique_ptr<BoxInsideWindow> inside;
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
  if (drawnInside(owner)) {
    // The keyboard's place in the window is the box's while it is up, and comes back after.
    const QPointer<QWidget> focused = owner->focusWidget();
    inside = std::make_unique<BoxInsideWindow>(*owner, box);
    box.show();
    if (QPushButton* answer = box.defaultButton()) answer->setFocus(Qt::OtherFocusReason);
    box.exec();
    inside.reset();
    if (focused && focused->isVisible()) focused->setFocus(Qt::OtherFocusReason);
  } else {
    box.exec();
  }
  QAbstractButton* clicked = box.clickedButton();
  if (clicked && clicked == ok) return ModalResult::mrOk;
  if (clicked && clicked == yes) return ModalResult::mrYes;
  if (clicked && clicked == no) return ModalResult::mrNo;
  return ModalResult::mrNone;
}

}  // namespace tov::qt
