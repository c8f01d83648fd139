#include "ui/mouse.h"

#include <QMouseEvent>

namespace tov {

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

}  // namespace tov
