#pragma once
// The advertisement screen's pictures: the demo folder's advertisement and background in
// both languages, and the places of the form's controls they are drawn around.

#include <QRect>

#include <vector>

#include "suite_frames.h"

namespace tov::suite {

// Where the advertisement form's controls lie, in form pixels.
inline constexpr QRect kAdvertView{77, 64, 642, 475};
inline constexpr QRect kAdvertPlate{723, 534, 77, 68};  // Image1: the exit button's plate
inline constexpr QRect kAdvertExitButton{738, 546, 49, 49};

// The advertisement is narrower than the view and much taller, so that it is centred
// across and scrolls down.
inline constexpr int kAdvertWidth = 600;
inline constexpr int kAdvertHeight = 1650;

// add_A.jpg, addback_A.jpg, add_E.jpg and addback_E.jpg, for the program folder.
std::vector<NamedImage> drawAdvertisementPictures();

}  // namespace tov::suite
