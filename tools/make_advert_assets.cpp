// make_advert_assets ASSETS_DIR: draws the advertisement form's stored pictures and writes
// them to ASSETS_DIR in the stored-picture format (the class name "TPngPicture" behind its
// length byte, then the PNG file): 8-bit RGBA PNGs with a gamma chunk of 45000 and text
// chunks naming the picture.
//   advert_exitbut_from.pic, _to.pic, _down.pic  the exit button at rest, under the pointer
//                                                and pressed, 49 x 49: a round tile with a door
//                                                and an arrow leading out of it
//   advert_image1.pic                            the plate the button sits on, 77 x 68, in the
//                                                cover's colour, with a soft shadow
// The look follows the menu's exit button: paper at rest, sun yellow under the pointer.
// Drawing is deterministic, so running it again gives the same files.

#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/errors.h"
#include "png_writer.h"
#include "suite_paint.h"

namespace tov::suite {
namespace {

enum class Look { Resting, Hover, Pressed };

constexpr int kButtonSize = 49;
constexpr int kPlateWidth = 77;
constexpr int kPlateHeight = 68;
// The button lies at (15, 12) on its plate.
constexpr QPointF kButtonOnPlate{15, 12};
constexpr std::uint32_t kGamma = 45000;

QImage transparentImage(int width, int height) {
  QImage image(width, height, QImage::Format_ARGB32);  // not premultiplied: PNG's own alpha
  image.fill(Qt::transparent);
  return image;
}

void drawDoorAndArrow(QPainter& p, QPointF shift, Look look) {
  // The door frame, and the room beyond it: dark when the door stands open.
  const QRectF doorway = QRectF(11, 11, 16, 27).translated(shift);
  p.setPen(QPen(colour::kCoverDark, 2.2));
  p.setBrush(look == Look::Resting ? QColor(196, 110, 60) : colour::kInk);
  p.drawRect(doorway);
  if (look == Look::Resting) {
    p.setPen(Qt::NoPen);
    p.setBrush(colour::kSun);
    p.drawEllipse(doorway.topLeft() + QPointF(13, 14), 1.6, 1.6);  // the knob
  } else {
    // The door swung inwards, seen edge on.
    QPolygonF door({doorway.topLeft(), doorway.topLeft() + QPointF(7, 3), doorway.bottomLeft() + QPointF(7, -3),
                    doorway.bottomLeft()});
    p.setPen(QPen(colour::kCoverDark, 1.2));
    p.setBrush(QColor(196, 110, 60));
    p.drawPolygon(door);
  }
  // The way out.
  const QColor arrowColour = look == Look::Resting ? colour::kLeaf : colour::kLeaf.darker(115);
  const double y = doorway.center().y();
  const double tail = doorway.center().x() + 2;
  QPolygonF arrow({QPointF(tail, y - 3), QPointF(tail + 10, y - 3), QPointF(tail + 10, y - 8),
                   QPointF(tail + 19, y), QPointF(tail + 10, y + 8), QPointF(tail + 10, y + 3), QPointF(tail, y + 3)});
  p.setPen(QPen(Qt::white, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(arrowColour);
  p.drawPolygon(arrow);
  p.setPen(QPen(arrowColour.darker(150), 1, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(Qt::NoBrush);
  p.drawPolygon(arrow);
}

QImage drawExitButton(Look look) {
  QImage image = transparentImage(kButtonSize, kButtonSize);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  // Pressed, the tile sinks: it moves a pixel down and right and its shadow shrinks.
  const QPointF shift = look == Look::Pressed ? QPointF(1, 1) : QPointF(0, 0);
  const QPointF centre = QPointF(24, 24) + shift;
  QRadialGradient shadow(centre + QPointF(1.5, 2.5), 23);
  shadow.setColorAt(0.8, QColor(40, 15, 0, look == Look::Pressed ? 60 : 110));
  shadow.setColorAt(1.0, QColor(40, 15, 0, 0));
  p.setPen(Qt::NoPen);
  p.setBrush(shadow);
  p.drawEllipse(centre + QPointF(1.5, 2.5), 23, 23);

  QLinearGradient face(centre - QPointF(0, 21), centre + QPointF(0, 21));
  switch (look) {
    case Look::Resting:
      face.setColorAt(0, QColor(255, 252, 240));
      face.setColorAt(1, colour::kPaper);
      p.setPen(QPen(colour::kBorder, 2.5));
      break;
    case Look::Hover:
      face.setColorAt(0, QColor(255, 238, 170));
      face.setColorAt(1, colour::kSun);
      p.setPen(QPen(colour::kCover, 2.5));
      break;
    case Look::Pressed:
      face.setColorAt(0, colour::kSun);
      face.setColorAt(1, QColor(235, 170, 40));
      p.setPen(QPen(colour::kCoverDark, 2.5));
      break;
  }
  p.setBrush(face);
  p.drawEllipse(centre, 21, 21);
  drawDoorAndArrow(p, shift, look);
  p.end();
  return image;
}

QImage drawPlate() {
  QImage image = transparentImage(kPlateWidth, kPlateHeight);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  const QRectF plate(7, 4, 65, 64);
  // A soft shadow that lets the page show through.
  for (int spread = 5; spread >= 1; --spread) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(60, 20, 0, 22));
    p.drawRoundedRect(plate.adjusted(-spread + 2, -spread + 3, spread + 2, spread + 3), 16 + spread, 16 + spread);
  }
  QLinearGradient leather(plate.topLeft(), plate.bottomLeft());
  leather.setColorAt(0, colour::kCover);
  leather.setColorAt(1, colour::kCoverDark);
  p.setBrush(leather);
  p.setPen(QPen(colour::kCoverDark.darker(120), 1.5));
  p.drawRoundedRect(plate, 16, 16);
  // Stitching round the edge, as on the book's cover, and a hollow for the button.
  p.setPen(QPen(QColor(232, 140, 92), 1.5, Qt::DashLine));
  p.setBrush(Qt::NoBrush);
  p.drawRoundedRect(plate.adjusted(4, 4, -4, -4), 12, 12);
  const QPointF hollow = kButtonOnPlate + QPointF(24.5, 24.5);
  QRadialGradient well(hollow, 27);
  well.setColorAt(0.75, QColor(90, 30, 5, 150));
  well.setColorAt(1.0, QColor(90, 30, 5, 0));
  p.setPen(Qt::NoPen);
  p.setBrush(well);
  p.drawEllipse(hollow, 27, 27);
  p.end();
  return image;
}

tools::PngPicture pngOf(const QImage& image, const std::string& title) {
  tools::PngPicture picture;
  picture.width = image.width();
  picture.height = image.height();
  picture.gamma = kGamma;
  picture.texts = {{"Title", title}, {"Software", "Tovaleer make_advert_assets"}};
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) {
      const QRgb c = image.pixel(x, y);
      picture.rgba.insert(picture.rgba.end(), {std::uint8_t(qRed(c)), std::uint8_t(qGreen(c)),
                                               std::uint8_t(qBlue(c)), std::uint8_t(qAlpha(c))});
    }
  return picture;
}

bool writeStoredPng(const std::string& path, const tools::PngPicture& picture) {
  const std::vector<std::uint8_t> png = tools::encodePng(picture);
  const std::string className = "TPngPicture";
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  std::fputc(int(className.size()), file);
  std::fwrite(className.data(), 1, className.size(), file);
  std::fwrite(png.data(), 1, png.size(), file);
  return std::fclose(file) == 0;
}

}  // namespace
}  // namespace tov::suite

int main(int argc, char** argv) {
  using namespace tov::suite;
  if (argc != 2) {
    std::fprintf(stderr, "%s\n", tov::errorText(tov::ErrorCode::AdvertAssetsToolUsage));
    return 2;
  }
  // Only off-screen images are drawn; no display is needed, whatever the environment says.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  const std::string folder = argv[1];
  struct Output {
    const char* fileName;
    QImage image;
    const char* title;
  };
  const Output outputs[] = {
      {"advert_exitbut_from.pic", drawExitButton(Look::Resting), "Exit button"},
      {"advert_exitbut_to.pic", drawExitButton(Look::Hover), "Exit button under the pointer"},
      {"advert_exitbut_down.pic", drawExitButton(Look::Pressed), "Exit button pressed"},
      {"advert_image1.pic", drawPlate(), "Exit button plate"},
  };
  try {
    for (const Output& output : outputs) {
      const std::string path = folder + "/" + output.fileName;
      if (!writeStoredPng(path, pngOf(output.image, output.title))) {
        std::fprintf(stderr, "make_advert_assets: %s\n",
                     tov::formatError(tov::ErrorCode::CannotWriteFile, path).c_str());
        return 1;
      }
    }
  } catch (const tov::Exception& error) {
    std::fprintf(stderr, "make_advert_assets: %s\n", error.what());
    return 1;
  }
  return 0;
}
