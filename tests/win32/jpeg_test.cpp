// JPEG pictures decoded through WIC against libjpeg's decoding of the same files (djpeg's,
// made when the tests were built, as the Linux program decodes them), and the files the glue
// refuses, with libjpeg's words.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "imaging/jpeg.h"
#include "win32/win32_testing.h"

namespace tov {
namespace {

const std::string kSamples = TOVALEER_JPEG_SAMPLES;  // Windows form, ending in "\"

struct Ppm {
  int width = 0, height = 0;
  std::vector<unsigned char> rgb;
};

// A binary PPM (P6) as djpeg writes it: "P6\nW H\n255\n" and the samples.
Ppm readPpm(const std::vector<unsigned char>& bytes) {
  Ppm ppm;
  std::string header(bytes.begin(), bytes.begin() + std::min<std::size_t>(bytes.size(), 32));
  int maximum = 0, headerLength = 0;
  if (std::sscanf(header.c_str(), "P6 %d %d %d%n", &ppm.width, &ppm.height, &maximum, &headerLength) != 3) return {};
  ppm.rgb.assign(bytes.begin() + headerLength + 1, bytes.end());
  return ppm;
}

TEST(WicJpeg, DecodesFilesAsLibjpegDoes) {
  for (const char* name : {"baseline", "progressive", "subsampled"}) {
    SCOPED_TRACE(name);
    const std::vector<unsigned char> file = test::readBytes(kSamples + name + ".jpg");
    // Halved chroma may come back smoothed (libjpeg) or repeated (Wine's WIC): either is right.
    const Ppm smoothed = readPpm(test::readBytes(kSamples + name + ".ppm"));
    const Ppm repeated = readPpm(test::readBytes(kSamples + name + "-repeated.ppm"));
    ASSERT_FALSE(file.empty());
    ASSERT_EQ(smoothed.rgb.size(), std::size_t(smoothed.width) * std::size_t(smoothed.height) * 3);
    ASSERT_EQ(repeated.rgb.size(), smoothed.rgb.size());

    TJPEGImage image;
    image.loadFromMemory(file);
    ASSERT_EQ(image.width(), smoothed.width);
    ASSERT_EQ(image.height(), smoothed.height);
    EXPECT_EQ(image.bitmap().format(), PixelFormat::pf24bit);
    int largest = 0;
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x) {
        const Color decoded = image.bitmap().pixel(x, y);
        const int channels[3] = {redOf(decoded), greenOf(decoded), blueOf(decoded)};
        const std::size_t at = (std::size_t(y) * std::size_t(image.width()) + std::size_t(x)) * 3;
        for (std::size_t c = 0; c < 3; ++c)
          largest = std::max(largest, std::min(std::abs(channels[c] - smoothed.rgb[at + c]),
                                               std::abs(channels[c] - repeated.rgb[at + c])));
      }
    // Both are exact inverse transforms that round a little differently.
    EXPECT_LE(largest, 4);
  }
}

TEST(WicJpeg, RefusedFilesKeepTheImageAndGiveLibjpegsMessage) {
  const std::vector<unsigned char> good = test::readBytes(kSamples + "baseline.jpg");
  ASSERT_FALSE(good.empty());
  std::vector<unsigned char> huge = good;
  // The frame header's height and width (after marker, length and precision) claim 65000 a
  // side: 12 GB of pixels, past the bitmap limit.
  const unsigned char sofMarker[] = {0xFF, 0xC0};
  const auto sof = std::search(huge.begin(), huge.end(), std::begin(sofMarker), std::end(sofMarker));
  ASSERT_NE(sof, huge.end());
  for (int i : {5, 7}) sof[i] = 0xFD, sof[i + 1] = 0xE8;

  struct Case {
    const char* name;
    std::vector<unsigned char> file;
    const char* message;
    const char* errorClass;
  };
  const Case cases[] = {
      {"not a JPEG", {'G', 'I', 'F', '8'}, "Not a JPEG file: starts with 0x47 0x49", "EJPEG"},
      {"empty", {}, "Empty input file", "EJPEG"},
      {"headers cut short", {good.begin(), good.begin() + 30}, nullptr, "EJPEG"},
      {"too large", huge, "Picture is too large", "EOutOfMemory"},
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
      EXPECT_STREQ(e.className(), c.errorClass);
    }
    EXPECT_EQ(image.fileData(), good);
    EXPECT_EQ(image.width(), 96);
  }
}

}  // namespace
}  // namespace tov
