#pragma once
// The pictures of the main form's morphing buttons, resting and hover, and the morphing
// button's own built-in pictures.

#include <vector>

#include "suite_frames.h"

namespace tov::suite {

// Exit (78 x 82), report (78 x 82), back (56 x 52), left and right hand (47 x 37), each
// resting ("...1.pic") and hover ("...2.pic"); each is to be written as a stored JPEG picture.
std::vector<NamedImage> drawMorphButtonPictures();

// The built-in pictures "B1" and "B2" (120 x 50, sixteen colours) that a morphing button
// shows until it is given its own; each is to be written as a plain JPEG file.
std::vector<NamedImage> drawMorphButtonDefaults();

}  // namespace tov::suite
