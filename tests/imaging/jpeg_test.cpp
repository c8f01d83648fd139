#include <gtest/gtest.h>

#include <algorithm>

#include "imaging/jpeg.h"
#include "jpeg_samples.h"

namespace tov {
namespace {

using test::JpegKind;
using test::nearColour;
using test::solidJpeg;

constexpr Color kOrange = rgb(250, 140, 20);
constexpr Color kTeal = rgb(0, 128, 128);

TEST(TJPEGImage, DecodesEveryColourSpaceToBgr) {
  struct Case {
    const char* name;
    JpegKind kind;
    Color color, expected;
  };
  const Case cases[] = {
      {"colour", JpegKind::colour, kOrange, kOrange},
      {"grey", JpegKind::grey, rgb(0, 90, 0), rgb(90, 90, 90)},
      {"Adobe CMYK", JpegKind::adobeCmyk, kOrange, kOrange},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto file = solidJpeg(19, 11, c.color, c.kind);
    ASSERT_FALSE(file.empty());
    TJPEGImage image;
    image.loadFromMemory(file);
    ASSERT_EQ(image.width(), 19);
    ASSERT_EQ(image.height(), 11);
    EXPECT_EQ(image.bitmap().format(), PixelFormat::pf24bit);
    EXPECT_EQ(image.fileData(), file);
    for (auto [x, y] : {std::pair{0, 0}, {18, 10}, {9, 5}})
      EXPECT_TRUE(nearColour(image.bitmap().pixel(x, y), c.expected))
          << std::hex << image.bitmap().pixel(x, y);
  }
}

TEST(TJPEGImage, RefusedFilesKeepTheImageAndGiveLibjpegsMessage) {
  const auto good = solidJpeg(8, 8, kTeal);
  auto huge = solidJpeg(8, 8, kTeal);
  // The frame header's height and width (after marker, length and precision) claim 65000 a
  // side: 12 GB of pixels, past the bitmap limit.
  const std::uint8_t sofMarker[] = {0xFF, 0xC0};
  const auto sof = std::search(huge.begin(), huge.end(), std::begin(sofMarker), std::end(sofMarker));
  ASSERT_NE(sof, huge.end());
  for (int i : {5, 7}) sof[i] = 0xFD, sof[i + 1] = 0xE8;

  struct Case {
    const char* name;
    std::vector<std::uint8_t> file;
    const char* message;
  };
  const Case cases[] = {
      {"not a JPEG", {'G', 'I', 'F', '8'}, "Not a JPEG file: starts with 0x47 0x49"},
      {"empty", {}, "Empty input file"},
      {"headers cut short", {good.begin(), good.begin() + 30}, nullptr},
      {"too large", huge, "Picture is too large"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TJPEGImage image;
    image.loadFromMemory(good);
    try {
      image.loadFromMemory(c.file);
      ADD_FAILURE() << "accepted";
    } catch (const Exception& e) {
      if (c.message) {
        EXPECT_STREQ(e.what(), c.message);
      }
      EXPECT_STREQ(e.className(), c.file == huge ? "EOutOfMemory" : "EJPEG");
    }
    EXPECT_EQ(image.fileData(), good);
    EXPECT_TRUE(nearColour(image.bitmap().pixel(7, 7), kTeal));
  }
}

TEST(TJPEGImage, FileCutShortInItsImageDataStillGivesAPicture) {
  auto file = solidJpeg(64, 64, kTeal);
  // Half of the entropy-coded data that follows the scan header: the top rows survive.
  const std::uint8_t sosMarker[] = {0xFF, 0xDA};
  const auto sos = std::search(file.begin(), file.end(), std::begin(sosMarker), std::end(sosMarker));
  ASSERT_NE(sos, file.end());
  const std::size_t scanHeaderLength = std::size_t(sos[2]) << 8 | sos[3];
  const std::size_t dataStart = std::size_t(sos - file.begin()) + 2 + scanHeaderLength;
  file.resize(dataStart + (file.size() - 2 - dataStart) / 2);
  TJPEGImage image;
  image.loadFromMemory(file);
  EXPECT_EQ(image.width(), 64);
  EXPECT_TRUE(nearColour(image.bitmap().pixel(0, 0), kTeal));
}

TEST(TJPEGImage, DrawCopiesAtItsSizeAndStretchesOtherwise) {
  TJPEGImage image;
  image.loadFromMemory(test::twoColourJpeg(16, 8, kOrange, kTeal));
  Bitmap backBuffer(40, 20, PixelFormat::pf32bit);
  Canvas canvas(backBuffer);

  // Colours are checked away from the middle, where the chroma of the two halves mixes.
  image.draw(canvas, {-8, 2, 8, 10});  // own size, half outside: only the right half shows
  EXPECT_TRUE(nearColour(backBuffer.pixel(3, 2), kTeal));
  EXPECT_TRUE(nearColour(backBuffer.pixel(7, 9), kTeal));
  EXPECT_EQ(backBuffer.pixel(8, 5), rgb(0, 0, 0));
  EXPECT_EQ(backBuffer.pixel(0, 1), rgb(0, 0, 0));

  image.draw(canvas, {8, 0, 40, 20});  // twice as wide
  EXPECT_TRUE(nearColour(backBuffer.pixel(8, 0), kOrange));
  EXPECT_TRUE(nearColour(backBuffer.pixel(18, 19), kOrange));
  EXPECT_TRUE(nearColour(backBuffer.pixel(30, 0), kTeal));
  EXPECT_TRUE(nearColour(backBuffer.pixel(39, 19), kTeal));
  EXPECT_EQ(backBuffer.scanLine(19)[4 * 39 + 3], 255);
}

}  // namespace
}  // namespace tov
