#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "imaging/jpeg.h"
#include "imaging/picture.h"
#include "jpeg_samples.h"

namespace tov {
namespace {

namespace fs = std::filesystem;
using test::solidJpeg;

constexpr Color kRed = rgb(255, 0, 0);
constexpr Color kBlue = rgb(0, 0, 255);

std::vector<std::uint8_t> bytes(std::string_view text) { return {text.begin(), text.end()}; }

std::vector<std::uint8_t> concat(std::initializer_list<std::vector<std::uint8_t>> parts) {
  std::vector<std::uint8_t> all;
  for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

std::vector<std::uint8_t> littleEndian32(std::uint32_t v) {
  return {std::uint8_t(v), std::uint8_t(v >> 8), std::uint8_t(v >> 16), std::uint8_t(v >> 24)};
}

// A picture holding a 4 x 4 blue JPEG: what every failing load must leave alone.
Picture bluePicture() {
  Picture p;
  auto jpeg = std::make_unique<TJPEGImage>();
  jpeg->loadFromMemory(solidJpeg(4, 4, kBlue));
  p.setGraphic(std::move(jpeg));
  return p;
}

void expectStillBlue(const Picture& p, std::uint64_t generation) {
  EXPECT_EQ(p.generation(), generation);
  ASSERT_EQ(p.width(), 4);
  const auto* jpeg = dynamic_cast<const TJPEGImage*>(p.graphic());
  ASSERT_NE(jpeg, nullptr);
  EXPECT_TRUE(test::nearColour(jpeg->bitmap().pixel(2, 2), kBlue));
}

// Runs a load that must fail with error class E and message; the picture must be unchanged.
template <typename E, typename Load>
void expectRefused(Load load, const std::string& message) {
  Picture p = bluePicture();
  const std::uint64_t generation = p.generation();
  try {
    load(p);
    ADD_FAILURE() << "accepted";
  } catch (const E& e) {
    EXPECT_EQ(e.message(), message);
  }
  expectStillBlue(p, generation);
}

TEST(GraphicRegistry, FindsKindsByExtensionAndClassWithoutRegardToCase) {
  registerBuiltInGraphicKinds();  // again: idempotent
  for (const char* known : {"jpg", "JPG", "JpEg", "jpe", ".jpg"})
    EXPECT_NE(createGraphicForExtension(known), nullptr) << known;
  for (const char* unknown : {"", "gif", "jpgx"})
    EXPECT_EQ(createGraphicForExtension(unknown), nullptr) << unknown;
  EXPECT_NE(createGraphicForClass("tjpegimage"), nullptr);

  unregisterGraphicKind("TJPEGImage");
  EXPECT_EQ(createGraphicForExtension("jpe"), nullptr);
  EXPECT_EQ(createGraphicForClass("TJPEGImage"), nullptr);
  registerBuiltInGraphicKinds();
  EXPECT_STREQ(createGraphicForExtension("JPEG")->className(), "TJPEGImage");
}

class PictureFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() /
              ("tov-imaging-" + std::to_string(std::random_device{}()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(folder_);
  }
  void TearDown() override { fs::remove_all(folder_); }

  std::string write(const std::string& name, const std::vector<std::uint8_t>& content) {
    const fs::path path = folder_ / name;
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(content.data()), std::streamsize(content.size()));
    return path.string();
  }
  std::string path(const std::string& name) const { return (folder_ / name).string(); }

  fs::path folder_;
};

TEST_F(PictureFiles, LoadsByExtensionInAnyCase) {
  for (const char* name : {"frame.jpg", "FRAME.JPG", "frame.JpEg", "a.b.jpe"}) {
    Picture p = bluePicture();
    const std::uint64_t before = p.generation();
    p.loadFromFile(write(name, solidJpeg(6, 5, kRed)));
    EXPECT_EQ(p.width(), 6) << name;
    EXPECT_EQ(p.height(), 5) << name;
    EXPECT_GT(p.generation(), before) << name;
  }
}

TEST_F(PictureFiles, FailedLoadsKeepThePicture) {
  const auto jpeg = solidJpeg(6, 5, kRed);
  fs::create_directory(path("folder.jpg"));
  const std::pair<std::string, std::string> unknownExtensions[] = {
      {write("frame", jpeg), "Unknown picture file extension ()"},
      {write("frame.gif", jpeg), "Unknown picture file extension (.gif)"},
      {path("missing.xyz"), "Unknown picture file extension (.xyz)"},
  };
  for (const auto& [file, message] : unknownExtensions)
    expectRefused<EInvalidGraphic>([&](Picture& p) { p.loadFromFile(file); }, message);

  for (const std::string& file : {path("missing.jpg"), path("folder.jpg")})
    expectRefused<EFOpenError>([&](Picture& p) { p.loadFromFile(file); }, "Cannot open file " + file);

  const std::string corrupt = write("corrupt.jpg", bytes("hello, not a picture"));
  expectRefused<EJPEG>([&](Picture& p) { p.loadFromFile(corrupt); },
                       "Not a JPEG file: starts with 0x68 0x65");
}

TEST(PictureStored, RoundTripWritesClassNameLengthAndFile) {
  const auto jpeg = solidJpeg(3, 2, kRed);
  Picture original;
  auto graphic = std::make_unique<TJPEGImage>();
  graphic->loadFromMemory(jpeg);
  original.setGraphic(std::move(graphic));

  const auto stored = original.saveToStored();
  EXPECT_EQ(stored, concat({{10}, bytes("TJPEGImage"), littleEndian32(jpeg.size()), jpeg}));

  Picture copy;
  copy.loadFromStored(stored);
  ASSERT_EQ(copy.width(), 3);
  EXPECT_EQ(copy.saveToStored(), stored);

  Picture empty;
  EXPECT_EQ(empty.saveToStored(), std::vector<std::uint8_t>{0});
  copy.loadFromStored(empty.saveToStored());
  EXPECT_EQ(copy.graphic(), nullptr);
}

TEST(PictureStored, DamagedDataIsRefused) {
  const auto jpeg = solidJpeg(3, 2, kRed);
  const auto name = concat({{10}, bytes("TJPEGImage")});
  const auto whole = concat({name, littleEndian32(jpeg.size()), jpeg});
  struct Case {
    const char* what;
    std::vector<std::uint8_t> stored;
    std::string message;
  };
  const std::string truncated = "Stored picture is truncated";
  const std::string trailing = "Stored picture has data after its end";
  const Case cases[] = {
      {"nothing", {}, truncated},
      {"name cut short", concat({{10}, bytes("TJPEG")}), truncated},
      {"length cut short", concat({name, {1, 0}}), truncated},
      {"length claims more than there is", concat({name, littleEndian32(jpeg.size() + 1), jpeg}),
       truncated},
      {"length claims far more (no wrap)", concat({name, littleEndian32(0xFFFFFFFF), jpeg}),
       truncated},
      {"length claims less than there is", concat({name, littleEndian32(jpeg.size() - 1), jpeg}),
       trailing},
      {"bytes after the picture", concat({whole, {0}}), trailing},
      {"empty name with bytes after it", {0, 1}, trailing},
      {"unknown class", concat({{9}, bytes("TFooImage"), {0, 0, 0, 0}}),
       "Unknown graphic class \"TFooImage\" in a stored picture"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    expectRefused<EInvalidGraphic>([&](Picture& p) { p.loadFromStored(c.stored); }, c.message);
  }
}

TEST(Picture, AssignCopiesDeeplyAndEveryChangeBumpsTheGeneration) {
  Picture source = bluePicture();
  Picture copy;
  std::uint64_t generation = copy.generation();
  copy = source;
  EXPECT_GT(copy.generation(), generation);
  source.loadFromStored(concat({{10}, bytes("TJPEGImage"), littleEndian32(0)}));
  EXPECT_TRUE(source.empty());
  expectStillBlue(copy, copy.generation());

  generation = copy.generation();
  copy.clear();
  EXPECT_GT(copy.generation(), generation);
}

}  // namespace
}  // namespace tov
