#pragma once
// The back buffer copied to a screen whose pixels are smaller or larger than the form's
// (Qt drawing the whole interface at a scale factor): each screen pixel takes the form
// pixel under its centre. Done here rather than through a scaled QPainter, which samples
// every pixel through its general transform and took four times as long.

#include <QImage>
#include <QRect>
#include <QTransform>

namespace tov {

// The form pixel under the centre of screen pixel n, where the form's pixel 0 starts at
// offset (screen pixels) and a form pixel is scale screen pixels wide. Shared by drawing
// and by the pointer, so that both agree at every edge, rounding included.
int formPixelUnder(int n, double scale, double offset);

// Fills area (screen pixels, inside target) of target with source, an RGB32 picture that
// toScreen (a scale and a translation) places on the screen: each pixel from the source
// pixel under the pixel's centre, the nearest edge pixel where that lies outside.
void copyScaledNearest(const QImage& source, const QTransform& toScreen, QImage& target, const QRect& area);

// The screen pixels whose centres lie in logical (a rectangle that toScreen maps to the
// screen), so that neighbouring areas share no pixel and leave none out.
QRect screenPixelsOf(const QRectF& logical, const QTransform& toScreen);

}  // namespace tov
