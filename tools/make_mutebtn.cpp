// make_mutebtn ASSETS_DIR: draws the main form's mute picture, a loudspeaker with sound waves
// on a transparent ground with soft (antialiased) edges, and writes it as ASSETS_DIR/mutebtn.pic
// in the stored-picture format: a 40 x 40 interlaced truecolour-with-alpha PNG with a gamma
// chunk of 45454 and an embedded colour profile, as the form stores it.

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <cstdio>
#include <string>

#include "platform/errors.h"
#include "png_writer.h"

namespace {

QImage drawLoudspeaker() {
  QImage image(40, 40, QImage::Format_ARGB32);  // not premultiplied: PNG's own alpha
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  // A soft round ground, so the picture reads on any frame behind it.
  QRadialGradient ground(QPointF(20, 20), 19);
  ground.setColorAt(0.0, QColor(255, 255, 255, 200));
  ground.setColorAt(0.8, QColor(220, 232, 250, 150));
  ground.setColorAt(1.0, QColor(220, 232, 250, 0));
  p.setPen(Qt::NoPen);
  p.setBrush(ground);
  p.drawEllipse(QPointF(20, 20), 19, 19);
  // The speaker: a box and its cone.
  QPainterPath speaker;
  speaker.moveTo(8, 15);
  speaker.lineTo(14, 15);
  speaker.lineTo(22, 8);
  speaker.lineTo(22, 32);
  speaker.lineTo(14, 25);
  speaker.lineTo(8, 25);
  speaker.closeSubpath();
  p.setBrush(QColor(40, 52, 90));
  p.setPen(QPen(QColor(15, 20, 40), 1.2));
  p.drawPath(speaker);
  // Sound waves.
  p.setBrush(Qt::NoBrush);
  for (int k = 0; k < 3; ++k) {
    p.setPen(QPen(QColor(30, 110, 200, 255 - 60 * k), 2.2, Qt::SolidLine, Qt::RoundCap));
    const double r = 5 + 4.5 * k;
    p.drawArc(QRectF(22 - r, 20 - r, 2 * r, 2 * r), -45 * 16, 90 * 16);
  }
  p.end();
  return image;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "%s\n", tov::errorText(tov::ErrorCode::MuteButtonToolUsage));
    return 2;
  }
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  const QImage image = drawLoudspeaker();
  tov::tools::PngPicture picture;
  picture.width = image.width();
  picture.height = image.height();
  picture.interlaced = true;
  picture.gamma = 45454;
  picture.profileName = "ICC Profile";
  picture.profile = tov::tools::srgbLikeIccProfile();
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) {
      const QRgb c = image.pixel(x, y);
      picture.rgba.insert(picture.rgba.end(), {std::uint8_t(qRed(c)), std::uint8_t(qGreen(c)),
                                               std::uint8_t(qBlue(c)), std::uint8_t(qAlpha(c))});
    }
  const std::vector<std::uint8_t> png = tov::tools::encodePng(picture);
  const std::string className = "TPngPicture";
  const std::string path = std::string(argv[1]) + "/mutebtn.pic";
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) {
    std::fprintf(stderr, "make_mutebtn: %s\n", tov::formatError(tov::ErrorCode::CannotWriteFile, path).c_str());
    return 1;
  }
  std::fputc(int(className.size()), file);
  std::fwrite(className.data(), 1, className.size(), file);
  std::fwrite(png.data(), 1, png.size(), file);
  if (std::fclose(file) != 0) {
    std::fprintf(stderr, "make_mutebtn: %s\n", tov::formatError(tov::ErrorCode::CannotWriteFile, path).c_str());
    return 1;
  }
  return 0;
}
