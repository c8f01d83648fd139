#pragma once
// The keys and mouse buttons held during a Qt mouse event, as the controls' events carry them.

#include "ui/control.h"

class QMouseEvent;

namespace tov {

TShiftState shiftStateOf(const QMouseEvent& event);

}  // namespace tov
