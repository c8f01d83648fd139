#pragma once
// The back buffer copied to a screen whose pixels are smaller or larger than the form's
// (Qt drawing the whole interface at a scale factor): each screen pixel takes the form
// pixel under its centre. Done here rather than through a scaled QPainter, which samples
// every pixel through its general transform and took four times as long.

#include <QImage>
#include <QPainter>
#include <QRect>
#include <QTransform>

namespace tov {

// The factor that makes a form of formWidth x formHeight as large as a window of
// windowWidth x windowHeight allows with its aspect kept: it fills the window one way, and
// black bars take the rest the other way. 1 when either size is unknown.
double presentationScale(int windowWidth, int windowHeight, int formWidth, int formHeight);

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

// Draws content, an RGB32 picture that toWidget (a scale and a translation) places in the
// widget that painter paints, over dirty (the widget's coordinates) as copyScaledNearest
// does: each device pixel shows the content pixel under its centre, the nearest edge pixel
// where that lies outside. Where onlyContent, device pixels whose centres lie outside the
// content are left as they are (the bars round a form).
void drawNearest(QPainter& painter, const QImage& content, const QTransform& toWidget, const QRect& dirty,
                 bool onlyContent);

}  // namespace tov
