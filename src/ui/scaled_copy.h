#pragma once
// The back buffer copied to a screen whose pixels are smaller or larger than the form's (a
// form drawn scaled, or the system drawing the whole interface at a scale factor): each
// screen pixel takes the form pixel under its centre; and a pointer on a screen pixel reaches
// the form pixel that pixel shows. Done here rather than through a system's scaled drawing,
// which samples every pixel through its general transform and took four times as long.

#include "imaging/bitmap.h"
#include "ui/geometry.h"

namespace tov {

// Where form pixels lie on a screen: form coordinate x lies at x * scale + dx (y likewise).
struct Placement {
  double scale = 1.0;
  double dx = 0.0, dy = 0.0;
};

// The factor that makes a form of formWidth x formHeight as large as a window of
// windowWidth x windowHeight allows with its aspect kept: it fills the window one way, and
// black bars take the rest the other way. 1 when either size is unknown.
double presentationScale(int windowWidth, int windowHeight, int formWidth, int formHeight);

// The form pixel under the centre of screen pixel n, where the form's pixel 0 starts at
// offset (screen pixels) and a form pixel is scale screen pixels wide. Shared by drawing
// and by the pointer, so that both agree at every edge, rounding included.
int formPixelUnder(int n, double scale, double offset);

// The form pixel under the hot spot at windowPosition (window coordinates, devicePixelRatio
// screen pixels a unit, possibly fractional), the form drawn at scale with its pixel 0 at
// origin (window coordinates): the one whose picture the screen pixel under the hot spot
// shows.
Point formPointAt(PointF windowPosition, double devicePixelRatio, double scale, PointF origin);

// Fills area (screen pixels) of target with source, both 32 bits a pixel, source placed on
// the screen by toScreen: each pixel from the source pixel under the pixel's centre, the
// nearest edge pixel where that lies outside.
void copyScaledNearest(const Bitmap& source, const Placement& toScreen, Bitmap& target, const Rect& area);

// The screen pixels whose centres lie in logical (form coordinates placed by toScreen), so
// that neighbouring areas share no pixel and leave none out.
Rect screenPixelsOf(const RectF& logical, const Placement& toScreen);

}  // namespace tov
