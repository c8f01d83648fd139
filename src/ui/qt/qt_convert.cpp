#include "ui/qt/qt_convert.h"

namespace tov::qt {

TShiftState shiftStateOf(const QMouseEvent& event) {
  TShiftState shift = 0;
  if (event.modifiers() & Qt::ShiftModifier) shift |= ssShift;
  if (event.modifiers() & Qt::AltModifier) shift |= ssAlt;
  if (event.modifiers() & Qt::ControlModifier) shift |= ssCtrl;
  if (event.buttons() & Qt::LeftButton) shift |= ssLeft;
  if (event.buttons() & Qt::RightButton) shift |= ssRight;
  if (event.buttons() & Qt::MiddleButton) shift |= ssMiddle;
  return shift;
}

std::optional<TMouseButton> buttonOf(Qt::MouseButton button) {
  switch (button) {
    case Qt::LeftButton: return TMouseButton::mbLeft;
    case Qt::RightButton: return TMouseButton::mbRight;
    case Qt::MiddleButton: return TMouseButton::mbMiddle;
    default: return std::nullopt;
  }
}

}  // namespace tov::qt
