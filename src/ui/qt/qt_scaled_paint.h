#pragma once
// The layer's pixels onto a Qt paint device, scaled by nearest neighbour (see
// ui/scaled_copy.h).

#include <QPainter>
#include <QRect>
#include <QTransform>

#include "imaging/bitmap.h"

namespace tov::qt {

// Draws content, 32-bit pixels that toWidget (a scale and a translation) places in the widget
// that painter paints, over dirty (the widget's coordinates): each device pixel shows the
// content pixel under its centre, the nearest edge pixel where that lies outside. Where
// onlyContent, device pixels whose centres lie outside the content are left as they are (the
// bars round a form).
void drawNearest(QPainter& painter, const Bitmap& content, const QTransform& toWidget, const QRect& dirty,
                 bool onlyContent);

}  // namespace tov::qt
