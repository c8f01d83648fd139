#pragma once
// The pictures of the demo program folder's menu frames and the pictures stored with the
// main form, drawn to fit the controls that lie over them.

#include <QImage>
#include <QString>

#include <array>
#include <vector>

namespace tov::suite {

struct NamedImage {
  QString fileName;  // without folder, e.g. "m6a.jpg" or "greenled.pic"
  QImage image;
};

// Every frame the menu reads: neutral 1 to 5 and 13, Afrikaans and English 6 to 12.
std::vector<NamedImage> drawMenuFrames();

// The form's stored pictures: bground, the green and yellow lamps and the two language
// highlights; each is to be written as a stored JPEG picture.
std::vector<NamedImage> drawFormPictures();

// The nine activities' names as the menu frames letter them, in option order; the stand-in
// programs show the same words.
const std::array<QString, 9>& activityNames(bool afrikaans);

}  // namespace tov::suite
