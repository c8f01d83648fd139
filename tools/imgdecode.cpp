// imgdecode [--background RRGGBB] FILE OUT.ppm
// Loads FILE through the picture layer (its kind chosen by the extension), draws it with its
// own drawing at its natural size onto a canvas of that size filled with the background
// colour, and writes the canvas as a binary PPM. A load error prints the error's class name
// and message and exits with 1.

#include <cstdio>
#include <cstring>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "imaging/bitmap.h"
#include "imaging/graphic.h"
#include "imaging/picture.h"
#include "platform/errors.h"

namespace {

struct Arguments {
  tov::Color background = tov::rgb(0, 0, 0);
  std::string input, output;
};

bool parseColour(const std::string& text, tov::Color& colour) {
  if (text.size() != 6 || text.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos) return false;
  const unsigned long value = std::stoul(text, nullptr, 16);
  colour = tov::rgb(std::uint8_t(value >> 16), std::uint8_t(value >> 8), std::uint8_t(value));
  return true;
}

bool parseArguments(int argc, char** argv, Arguments& args) {
  std::vector<std::string> files;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--background") == 0) {
      if (++i >= argc || !parseColour(argv[i], args.background)) return false;
    } else {
      files.push_back(argv[i]);
    }
  }
  if (files.size() != 2) return false;
  args.input = files[0];
  args.output = files[1];
  return true;
}

// The canvas of a 32-bit back buffer, written as RGB.
void writePpm(const tov::Bitmap& canvas, const std::string& fileName) {
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(fileName.c_str(), "wb"), std::fclose);
  if (!file) throw tov::EFCreateError(tov::ErrorCode::CannotWriteFile, fileName);
  std::fprintf(file.get(), "P6\n%d %d\n255\n", canvas.width(), canvas.height());
  std::vector<std::uint8_t> row(std::size_t(canvas.width()) * 3);
  for (int y = 0; y < canvas.height(); ++y) {
    const std::uint8_t* from = canvas.scanLine(y);
    for (int x = 0; x < canvas.width(); ++x) {
      row[3 * x] = from[4 * x + 2];
      row[3 * x + 1] = from[4 * x + 1];
      row[3 * x + 2] = from[4 * x];
    }
    if (std::fwrite(row.data(), 1, row.size(), file.get()) != row.size())
      throw tov::EWriteError(tov::ErrorCode::CannotWriteFile, fileName);
  }
  if (std::fflush(file.get()) != 0) throw tov::EWriteError(tov::ErrorCode::CannotWriteFile, fileName);
}

}  // namespace

int main(int argc, char** argv) {
  Arguments args;
  if (!parseArguments(argc, argv, args)) {
    std::fprintf(stderr, "%s\n", tov::errorText(tov::ErrorCode::ImgDecodeUsage));
    return 2;
  }
  tov::registerBuiltInGraphicKinds();
  try {
    tov::Picture picture;
    picture.loadFromFile(args.input);
    tov::Bitmap canvas(picture.width(), picture.height(), tov::PixelFormat::pf32bit);
    tov::Canvas painter(canvas);
    painter.fillRect({0, 0, canvas.width(), canvas.height()}, args.background);
    if (picture.graphic()) picture.graphic()->draw(painter, {0, 0, canvas.width(), canvas.height()});
    writePpm(canvas, args.output);
  } catch (const tov::Exception& e) {
    std::fprintf(stderr, "%s: %s\n", e.className(), e.message().c_str());
    return 1;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "Exception: %s\n", e.what());
    return 1;
  }
  return 0;
}
