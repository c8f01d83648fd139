// Files from outside the process: the form's mute picture, the imgdecode tool, and the inputs
// the fuzzer once found troublesome.

#include <gtest/gtest.h>

#include <cstdio>
#include <sys/wait.h>
#include <unistd.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "imaging/picture.h"
#include "imaging/pngreader.h"
#include "fuzz/crc_fixup.h"
#include "png_testing.h"

namespace tov {
namespace {

namespace fs = std::filesystem;
using test::Bytes;

Bytes readAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

void writeAll(const fs::path& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// Runs a command, returning its exit status and what it wrote on standard error.
int run(const std::string& command, std::string& errors) {
  const fs::path errorFile = fs::temp_directory_path() / ("imgdecode_errors_" + std::to_string(::getpid()));
  const int status = std::system((command + " 2>" + errorFile.string()).c_str());
  const Bytes text = readAll(errorFile);
  errors.assign(text.begin(), text.end());
  fs::remove(errorFile);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void expectSameDrawing(const TPngPicture& picture, const Bytes& file) {
  const test::ReferenceImage reference = test::decodeWithLibpng(file);
  const auto identity = test::referenceGamma(std::nullopt);
  for (std::array<std::uint8_t, 3> background : {std::array<std::uint8_t, 3>{0, 0, 0}, {255, 128, 0}}) {
    Bitmap target(picture.width(), picture.height(), PixelFormat::pf32bit);
    Canvas canvas(target);
    canvas.fillRect({0, 0, target.width(), target.height()}, rgb(background[0], background[1], background[2]));
    picture.draw(canvas, {0, 0, target.width(), target.height()});
    for (int y = 0; y < target.height(); ++y)
      for (int x = 0; x < target.width(); ++x) {
        const auto want = test::expectedOver(reference.at(x, y), reference.colorType, identity, background);
        ASSERT_EQ(target.pixel(x, y), rgb(want[0], want[1], want[2])) << x << "," << y;
      }
  }
}

TEST(MutePicture, IsAStoredInterlacedPngWithGammaAndProfileThatDrawsAsLibpngDecodesIt) {
  const Bytes stored = readAll(fs::path(TOVALEER_SOURCE_DIR) / "assets" / "mutebtn.pic");
  registerBuiltInGraphicKinds();
  Picture picture;
  picture.loadFromStored(stored);
  const auto* png = dynamic_cast<const TPngPicture*>(picture.graphic());
  ASSERT_NE(png, nullptr);
  EXPECT_EQ(png->width(), 40);
  EXPECT_EQ(png->height(), 40);
  EXPECT_EQ(png->header().interlaceMethod(), 1);
  EXPECT_EQ(png->header().colorType(), 6);
  EXPECT_EQ(png->header().bitDepth(), 8);
  ASSERT_NE(png->findChunk<TChunkgAMA>(), nullptr);
  EXPECT_EQ(png->findChunk<TChunkgAMA>()->gamma(), 45454u);
  EXPECT_TRUE(std::any_of(png->chunks().begin(), png->chunks().end(),
                          [](const auto& c) { return c->nameText() == "iCCP" && !c->data().empty(); }));
  expectSameDrawing(*png, Bytes(stored.begin() + 12, stored.end()));
}

TEST(ImgDecode, DrawsAPngOverTheBackgroundIntoAPpm) {
  test::PicturePlan plan;
  plan.colorType = 6;
  plan.interlaced = true;
  const Bytes file = test::writePng(plan);
  const fs::path dir = fs::temp_directory_path() / ("png_tests_imgdecode_" + std::to_string(::getpid()));
  fs::create_directories(dir);
  writeAll(dir / "picture.Png", file);
  std::string errors;
  ASSERT_EQ(run(std::string(IMGDECODE) + " --background 102030 " + (dir / "picture.Png").string() + " " +
                    (dir / "out.ppm").string(), errors), 0) << errors;

  const Bytes ppm = readAll(dir / "out.ppm");
  const std::string header = "P6\n13 11\n255\n";
  ASSERT_EQ(std::string(ppm.begin(), ppm.begin() + std::ptrdiff_t(header.size())), header);
  const test::ReferenceImage reference = test::decodeWithLibpng(file);
  const auto identity = test::referenceGamma(std::nullopt);
  for (int y = 0; y < 11; ++y)
    for (int x = 0; x < 13; ++x) {
      const auto want = test::expectedOver(reference.at(x, y), 6, identity, {0x10, 0x20, 0x30});
      const std::uint8_t* got = ppm.data() + header.size() + 3 * (std::size_t(y) * 13 + x);
      ASSERT_EQ((std::array{got[0], got[1], got[2]}), want) << x << "," << y;
    }
  fs::remove_all(dir);
}

TEST(ImgDecode, ReportsALoadErrorWithItsClassAndExitsWithOne) {
  const fs::path dir = fs::temp_directory_path() / ("png_tests_imgdecode_bad_" + std::to_string(::getpid()));
  fs::create_directories(dir);
  writeAll(dir / "bad.png", {1, 2, 3, 4, 5, 6, 7, 8, 9});
  std::string errors;
  EXPECT_EQ(run(std::string(IMGDECODE) + " " + (dir / "bad.png").string() + " " + (dir / "out.ppm").string(), errors), 1);
  EXPECT_EQ(errors,
            "EPNGInvalidFileHeader: The file being readed is not a valid \"Portable Network Graphics\" image because "
            "it contains an invalid header. This file may be corruped, try obtaining it again.\n");
  EXPECT_EQ(run(std::string(IMGDECODE) + " --background red x.png y.ppm", errors), 2);
  fs::remove_all(dir);
}

// Every input kept from fuzzing loads or is refused with a PNG error, and draws without harm;
// with its CRCs made right, as the fuzzer ran it, and as it is.
TEST(FuzzRegressions, EveryKeptInputIsHandled) {
  const fs::path dir = fs::path(TOVALEER_SOURCE_DIR) / "tests" / "png" / "fuzz" / "regressions";
  int inputs = 0;
  for (const auto& entry : fs::directory_iterator(dir)) {
    if (!entry.is_regular_file() || entry.path().filename() == "README.md") continue;
    ++inputs;
    Bytes input = readAll(entry.path());
    for (bool fixed : {false, true}) {
      if (fixed) test::fixChunkCrcs(input);
      TPngPicture picture;
      try {
        picture.loadFromMemory(input);
      } catch (const EPngError&) {
        continue;
      }
      Bitmap target(64, 64, PixelFormat::pf32bit);
      Canvas canvas(target);
      picture.draw(canvas, {-3, -2, 61, 62});
      if (std::uint64_t(picture.width()) * std::uint64_t(picture.height()) > (1u << 24)) continue;
      TPngPicture copy;
      copy.assign(picture);
    }
  }
  EXPECT_GT(inputs, 0);
}

}  // namespace
}  // namespace tov
