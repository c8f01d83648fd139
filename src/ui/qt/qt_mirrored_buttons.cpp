#include "ui/qt/qt_mirrored_buttons.h"

#include <QApplication>
#include <QMouseEvent>
#include <QWidget>

namespace tov::qt {

namespace {

Qt::MouseButton exchanged(Qt::MouseButton button) {
  if (button == Qt::LeftButton) return Qt::RightButton;
  if (button == Qt::RightButton) return Qt::LeftButton;
  return button;
}

Qt::MouseButtons exchanged(Qt::MouseButtons buttons) {
  Qt::MouseButtons result = buttons & ~(Qt::LeftButton | Qt::RightButton);
  if (buttons & Qt::LeftButton) result |= Qt::RightButton;
  if (buttons & Qt::RightButton) result |= Qt::LeftButton;
  return result;
}

bool isMouseButtonEvent(QEvent::Type type) {
  return type == QEvent::MouseButtonPress || type == QEvent::MouseButtonRelease ||
         type == QEvent::MouseButtonDblClick || type == QEvent::MouseMove;
}

}  // namespace

ButtonMirror::ButtonMirror() { qApp->installEventFilter(this); }

ButtonMirror::~ButtonMirror() {
  if (qApp) qApp->removeEventFilter(this);
}

// Only widgets' events: the window above them hands each event on to its widget, and that
// one is exchanged, once.
bool ButtonMirror::eventFilter(QObject* watched, QEvent* event) {
  if (!mirrored_ || forwarding_ || !isMouseButtonEvent(event->type()) || !watched->isWidgetType())
    return QObject::eventFilter(watched, event);
  const auto* mouse = static_cast<QMouseEvent*>(event);
  QMouseEvent mirrored(mouse->type(), mouse->position(), mouse->scenePosition(), mouse->globalPosition(),
                       exchanged(mouse->button()), exchanged(mouse->buttons()), mouse->modifiers(),
                       mouse->pointingDevice());
  forwarding_ = true;
  QApplication::sendEvent(watched, &mirrored);
  forwarding_ = false;
  event->setAccepted(mirrored.isAccepted());
  return true;
}

}  // namespace tov::qt
