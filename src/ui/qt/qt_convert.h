#pragma once
// The layer's geometry and mouse in Qt's terms, and back.

#include <QMouseEvent>
#include <QRect>
#include <optional>

#include "ui/geometry.h"
#include "ui/mouse.h"

namespace tov::qt {

inline QRect toQRect(const Rect& r) { return QRect(r.left, r.top, r.width(), r.height()); }
inline Rect toRect(const QRect& r) { return rectOf(r.x(), r.y(), r.width(), r.height()); }
inline Point toPoint(QPoint p) { return Point{p.x(), p.y()}; }
inline PointF toPointF(QPointF p) { return PointF{p.x(), p.y()}; }

// The keys and mouse buttons held during a mouse event, as the controls' events carry them.
TShiftState shiftStateOf(const QMouseEvent& event);

// The layer's button of a press or release; none for the buttons it does not know (back,
// forward, ...).
std::optional<TMouseButton> buttonOf(Qt::MouseButton button);

}  // namespace tov::qt
