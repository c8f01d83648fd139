// make_suite: draws the demo program folder's menu frames, or the pictures stored with the
// main form.
//   make_suite SUITE_DIR             writes SUITE_DIR/menu/m1.jpg ... m13.jpg and the
//                                    advertisement pictures SUITE_DIR/add_A.jpg,
//                                    addback_A.jpg, add_E.jpg and addback_E.jpg
//   make_suite --assets ASSETS_DIR   writes bground.pic, greenled.pic, yellowled.pic,
//                                    overlay_afr.pic, overlay_eng.pic, the morphing buttons'
//                                    morph_*1.pic and morph_*2.pic, and the morphing
//                                    button's built-in morph_b1.jpg and morph_b2.jpg
// Drawing is deterministic, so running it again gives the same files.

#include <QGuiApplication>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/errors.h"
#include "suite_advert.h"
#include "suite_buttons.h"
#include "suite_frames.h"
#include "suite_jpeg.h"

namespace tov::suite {
namespace {

TOV_DECLARE_ERROR(EFCreateError, Exception);

// Quality 85 keeps the lettering crisp while every frame stays well below 120 KB.
constexpr int kJpegQuality = 85;
// The small button pictures are stretched on screen, which shows JPEG's blocks more.
constexpr int kButtonJpegQuality = 92;

void ensureFolder(const std::filesystem::path& folder) {
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  if (error || !std::filesystem::is_directory(folder))
    throw EFCreateError(ErrorCode::CannotCreateFolder, folder.string());
}

void writeFile(const std::filesystem::path& file, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) throw EFCreateError(ErrorCode::CannotWriteFile, file.string());
}

void writeMenuFrames(const std::filesystem::path& suiteFolder) {
  const std::filesystem::path menuFolder = suiteFolder / "menu";
  ensureFolder(menuFolder);
  for (const NamedImage& frame : drawMenuFrames())
    writeFile(menuFolder / frame.fileName.toStdString(), encodeJpeg(frame.image, kJpegQuality));
}

void writeAdvertisementPictures(const std::filesystem::path& suiteFolder) {
  ensureFolder(suiteFolder);
  for (const NamedImage& picture : drawAdvertisementPictures())
    writeFile(suiteFolder / picture.fileName.toStdString(), encodeJpeg(picture.image, kJpegQuality));
}

void writeFormPictures(const std::filesystem::path& assetsFolder) {
  ensureFolder(assetsFolder);
  for (const NamedImage& picture : drawFormPictures())
    writeFile(assetsFolder / picture.fileName.toStdString(),
              storedJpeg(encodeJpeg(picture.image, kJpegQuality)));
  for (const NamedImage& picture : drawMorphButtonPictures())
    writeFile(assetsFolder / picture.fileName.toStdString(),
              storedJpeg(encodeJpeg(picture.image, kButtonJpegQuality)));
  for (const NamedImage& picture : drawMorphButtonDefaults())
    writeFile(assetsFolder / picture.fileName.toStdString(), encodeJpeg(picture.image, kButtonJpegQuality));
}

int run(const std::vector<std::string>& args) {
  if (args.size() == 1 && !args[0].starts_with("-")) {
    writeMenuFrames(args[0]);
    writeAdvertisementPictures(args[0]);
    return 0;
  }
  if (args.size() == 2 && args[0] == "--assets") {
    writeFormPictures(args[1]);
    return 0;
  }
  std::fprintf(stderr, "%s\n", errorText(ErrorCode::SuiteToolUsage));
  return 2;
}

}  // namespace
}  // namespace tov::suite

int main(int argc, char** argv) {
  // Only off-screen images are drawn; no display is needed, whatever the environment says.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication application(argc, argv);
  const std::vector<std::string> args(argv + 1, argv + argc);
  try {
    return tov::suite::run(args);
  } catch (const tov::Exception& error) {
    std::fprintf(stderr, "make_suite: %s\n", error.what());
    return 1;
  }
}
