// The reader's rules that a conformance comparison cannot show: the exact blend, the gamma
// table, data that ends early, which chunks are kept, deep copies, registration and the
// stored-picture form, and hostile sizes.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <optional>
#include <string>
#include <tuple>
#include <typeinfo>

#include "imaging/picture.h"
#include "imaging/pngreader.h"
#include "png_testing.h"

namespace tov {
namespace {

using test::Bytes;
using test::PicturePlan;
using test::RawChunk;

Bytes bigEndian(std::uint32_t v) { return {std::uint8_t(v >> 24), std::uint8_t(v >> 16), std::uint8_t(v >> 8), std::uint8_t(v)}; }

Bytes headerData(std::uint32_t width, std::uint32_t height, std::uint8_t depth, std::uint8_t type, std::uint8_t interlace = 0) {
  Bytes d = bigEndian(width);
  const Bytes h = bigEndian(height);
  d.insert(d.end(), h.begin(), h.end());
  d.insert(d.end(), {depth, type, 0, 0, interlace});
  return d;
}

// A PNG made of the given chunks, IEND added.
Bytes pngOf(std::vector<RawChunk> chunks) {
  chunks.push_back({"IEND", {}});
  return test::joinChunks(chunks);
}

Bitmap drawnOver(const TPngPicture& picture, Color background, int width, int height, Rect dest) {
  Bitmap target(width, height, PixelFormat::pf32bit);
  Canvas canvas(target);
  canvas.fillRect({0, 0, width, height}, background);
  picture.draw(canvas, dest);
  return target;
}

TPngPicture loaded(const Bytes& file) {
  TPngPicture picture;
  picture.loadFromMemory(file);
  return picture;
}

// ---- the blend ----

struct BlendCase {
  std::uint8_t source, destination, alpha, expected;
};

class BlendRule : public testing::TestWithParam<BlendCase> {};

TEST_P(BlendRule, GivesTheExactValue) {
  const BlendCase& c = GetParam();
  // One RGBA pixel, drawn over a one-pixel canvas of the destination grey.
  const Bytes row = {0, c.source, c.source, c.source, c.alpha};
  const TPngPicture picture = loaded(pngOf({{"IHDR", headerData(1, 1, 8, 6)}, {"IDAT", test::deflateBytes(row)}}));
  const Bitmap drawn = drawnOver(picture, rgb(c.destination, c.destination, c.destination), 1, 1, {0, 0, 1, 1});
  EXPECT_EQ(drawn.pixel(0, 0), rgb(c.expected, c.expected, c.expected));
  EXPECT_EQ(drawn.scanLine(0)[3], 0xFF) << "the back buffer stays opaque";
}

INSTANTIATE_TEST_SUITE_P(Values, BlendRule,
                         testing::Values(BlendCase{255, 0, 128, 128},  // (255 x 128 + 255) >> 8
                                         BlendCase{0, 255, 128, 127}, BlendCase{200, 50, 0, 50},
                                         BlendCase{200, 50, 255, 200}, BlendCase{255, 255, 255, 255},
                                         BlendCase{0, 0, 0, 0}, BlendCase{255, 0, 1, 1}));

TEST(Drawing, PartialTransparencyIsNotStretchedIntoALargerRectangle) {
  const Bytes row = {0, 255, 0, 0, 255, 255, 0, 0, 255};  // two opaque red pixels
  const TPngPicture picture = loaded(pngOf({{"IHDR", headerData(2, 1, 8, 6)}, {"IDAT", test::deflateBytes(row)}}));
  const Bitmap drawn = drawnOver(picture, rgb(0, 0, 255), 6, 3, {1, 1, 6, 3});
  EXPECT_EQ(drawn.pixel(1, 1), rgb(255, 0, 0));
  EXPECT_EQ(drawn.pixel(2, 1), rgb(255, 0, 0));
  EXPECT_EQ(drawn.pixel(3, 1), rgb(0, 0, 255));
  EXPECT_EQ(drawn.pixel(1, 2), rgb(0, 0, 255));
}

TEST(Drawing, OpaquePicturesAreStretchedAndClipped) {
  const Bytes rows = {0, 255, 0, 0, 0, 255, 0};  // red, green
  const TPngPicture picture = loaded(pngOf({{"IHDR", headerData(2, 1, 8, 2)}, {"IDAT", test::deflateBytes(rows)}}));
  EXPECT_FALSE(picture.transparent());
  const Bitmap drawn = drawnOver(picture, rgb(0, 0, 0), 3, 2, {-1, 0, 3, 2});  // 4 x 2, half off the left
  EXPECT_EQ(drawn.pixel(0, 0), rgb(255, 0, 0));
  EXPECT_EQ(drawn.pixel(1, 1), rgb(0, 255, 0));
  EXPECT_EQ(drawn.pixel(2, 0), rgb(0, 255, 0));
}

TEST(Drawing, AnEmptyPictureHasNoSizeAndDrawsNothing) {
  TPngPicture picture;
  EXPECT_TRUE(picture.empty());
  EXPECT_EQ(picture.width(), 0);
  EXPECT_EQ(picture.height(), 0);
  EXPECT_FALSE(picture.transparent());
  const Bitmap drawn = drawnOver(picture, rgb(1, 2, 3), 2, 2, {0, 0, 2, 2});
  EXPECT_EQ(drawn.pixel(1, 1), rgb(1, 2, 3));
}

// ---- gamma ----

TEST(Gamma, FortyFiveThousandMaps128To127AndAlpha) {
  TPngPicture picture;
  picture.setGamma(45000);
  EXPECT_EQ(picture.gammaTable()[128], 127);
  EXPECT_EQ(picture.gammaTable(), test::referenceGamma(45000));
}

TEST(Gamma, FortyFiveThousandFourHundredFiftyFourChangesNothing) {
  TPngPicture picture;
  picture.setGamma(45454);
  for (int i = 0; i < 256; ++i) EXPECT_EQ(picture.gammaTable()[i], i);
}

TEST(Gamma, MatchesTheFormulaRoundedHalvesToEven) {
  for (std::uint32_t g : {1u, 1000u, 22000u, 45455u, 50000u, 100000u, 220000u, 4000000000u}) {
    TPngPicture picture;
    picture.setGamma(g);
    EXPECT_EQ(picture.gammaTable(), test::referenceGamma(g)) << g;
  }
}

TEST(Gamma, ZeroAndLoadingLeaveOrResetTheIdentity) {
  TPngPicture picture;
  picture.setGamma(0);
  EXPECT_EQ(picture.gammaTable(), test::referenceGamma(std::nullopt));
  picture.setGamma(45000);
  picture.loadFromStream(test::writePng(PicturePlan{}));
  EXPECT_EQ(picture.gammaTable(), test::referenceGamma(std::nullopt));
}

TEST(Gamma, AppliesToColoursButNeverToAlpha) {
  // Grey 128 with alpha 255 and gAMA 45000: type 6 shows 127, type 4 its own sample.
  for (auto [type, row, shown] : {std::tuple{6, Bytes{0, 128, 128, 128, 255}, 127}, {4, Bytes{0, 128, 255}, 128}}) {
    const TPngPicture picture = loaded(pngOf({{"IHDR", headerData(1, 1, 8, std::uint8_t(type))},
                                              {"gAMA", bigEndian(45000)},
                                              {"IDAT", test::deflateBytes(row)}}));
    const Bitmap drawn = drawnOver(picture, rgb(0, 0, 0), 1, 1, {0, 0, 1, 1});
    EXPECT_EQ(drawn.pixel(0, 0), rgb(std::uint8_t(shown), std::uint8_t(shown), std::uint8_t(shown))) << type;
  }
}

// ---- data that ends early ----

// A complete zlib stream holding only the first `rows` rows of a taller picture.
Bytes truncatedPicture(std::uint8_t type, int bytesPerPixel, bool interlaced) {
  Bytes raw;
  for (int y = 0; y < 2; ++y) {
    raw.push_back(0);
    for (int x = 0; x < 4 * bytesPerPixel; ++x) raw.push_back(bytesPerPixel == 4 && x % 4 == 3 ? 255 : 200);
  }
  return pngOf({{"IHDR", headerData(4, 4, 8, type, interlaced ? 1 : 0)}, {"IDAT", test::deflateBytes(raw)}});
}

TEST(Truncation, MissingRowsAreBlack) {
  const TPngPicture picture = loaded(truncatedPicture(2, 3, false));
  const Bitmap drawn = drawnOver(picture, rgb(9, 9, 9), 4, 4, {0, 0, 4, 4});
  EXPECT_EQ(drawn.pixel(3, 1), rgb(200, 200, 200));
  EXPECT_EQ(drawn.pixel(0, 2), rgb(0, 0, 0));
  EXPECT_EQ(drawn.pixel(3, 3), rgb(0, 0, 0));
}

TEST(Truncation, MissingRowsWithAlphaAreTransparent) {
  const TPngPicture picture = loaded(truncatedPicture(6, 4, false));
  const Bitmap drawn = drawnOver(picture, rgb(9, 19, 29), 4, 4, {0, 0, 4, 4});
  EXPECT_EQ(drawn.pixel(2, 1), rgb(200, 200, 200));
  EXPECT_EQ(drawn.pixel(2, 2), rgb(9, 19, 29));
  EXPECT_EQ(drawn.pixel(0, 3), rgb(9, 19, 29));
}

TEST(Truncation, AnInterlacedPictureKeepsThePassesItGot) {
  // Two rows of 4 RGBA pixels are passes 1 to 3 of a 4 x 4 picture and a little more.
  const TPngPicture picture = loaded(truncatedPicture(6, 4, true));
  const Bitmap drawn = drawnOver(picture, rgb(9, 19, 29), 4, 4, {0, 0, 4, 4});
  EXPECT_EQ(drawn.pixel(0, 0), rgb(200, 200, 200));
  EXPECT_EQ(drawn.pixel(3, 3), rgb(9, 19, 29));
}

// ---- chunks ----

std::vector<std::string> namesOf(const TPngPicture& picture) {
  std::vector<std::string> names;
  for (const auto& chunk : picture.chunks()) names.push_back(chunk->nameText());
  return names;
}

TEST(Chunks, ProfileIsKeptChromaticitiesSkippedLaterImageDataSkipped) {
  const Bytes row = {0, 1, 2, 3};
  const TPngPicture picture = loaded(pngOf({{"IHDR", headerData(1, 1, 8, 2)},
                                            {"cHRM", Bytes(32, 1)},
                                            {"iCCP", {'p', 0, 0, 1, 2}},
                                            {"IDAT", test::deflateBytes(row)},
                                            {"tEXt", {'k', 0, 'v', 'w'}},
                                            {"IDAT", {0xde, 0xad}}}));
  EXPECT_EQ(namesOf(picture), (std::vector<std::string>{"IHDR", "iCCP", "IDAT", "tEXt", "IEND"}));
  const TChunk& profile = *picture.chunks()[1];
  EXPECT_EQ(typeid(profile), typeid(TChunk));
  EXPECT_EQ(profile.data(), (Bytes{'p', 0, 0, 1, 2}));
  EXPECT_TRUE(picture.chunks()[2]->data().empty()) << "image data is not kept";
}

TEST(Chunks, ShortOrOddContentIsTakenAsFarAsItGoes) {
  TPngPicture picture;
  picture.loadFromMemory(pngOf({{"IHDR", headerData(1, 1, 8, 0)},
                                {"gAMA", {1, 2}},
                                {"tIME", {7, 1, 2, 3}},
                                {"tEXt", {'k', 'e', 'y'}},
                                {"zTXt", {'k', 0, 0, 1, 2, 3}},
                                {"IDAT", test::deflateBytes({0, 5})}}));
  EXPECT_EQ(picture.gammaTable()[100], 100);
  EXPECT_EQ(picture.findChunk<TChunktIME>()->year(), 0);
  EXPECT_EQ(picture.findChunk<TChunktEXt>()->keyword(), "key");
  EXPECT_EQ(picture.findChunk<TChunkzTXt>()->keyword(), "k");
  EXPECT_EQ(picture.findChunk<TChunkzTXt>()->text(), "") << "a text that cannot be inflated stays empty";
}

TEST(Chunks, ACompressedTextBombStaysEmpty) {
  Bytes ztxt = {'b', 0, 0};
  const Bytes compressed = test::deflateBytes(Bytes(TChunkzTXt::kMaxTextBytes + 1, 'x'));
  ztxt.insert(ztxt.end(), compressed.begin(), compressed.end());
  const TPngPicture picture =
      loaded(pngOf({{"IHDR", headerData(1, 1, 8, 0)}, {"zTXt", ztxt}, {"IDAT", test::deflateBytes({0, 5})}}));
  EXPECT_EQ(picture.findChunk<TChunkzTXt>()->text(), "");
}

// Whether a picture says it is transparent must agree with what its drawing lets through. A
// tRNS chunk after the image data comes too late to give greyscale and truecolour pictures a
// transparent colour, and one too short holds none: they draw opaque and say so.
std::vector<RawChunk>::iterator chunkNamed(std::vector<RawChunk>& chunks, const std::string& name) {
  return std::find_if(chunks.begin(), chunks.end(), [&](const RawChunk& c) { return c.name == name; });
}

Bytes transparencyAfterTheImageData(const Bytes& png) {
  auto chunks = test::splitChunks(png);
  const auto trns = chunkNamed(chunks, "tRNS");
  const RawChunk moved = *trns;
  chunks.erase(trns);
  chunks.insert(chunkNamed(chunks, "IEND"), moved);
  return test::joinChunks(chunks);
}

Bytes transparencyCutShort(const Bytes& png) {
  auto chunks = test::splitChunks(png);
  auto& data = chunkNamed(chunks, "tRNS")->data;
  data.resize(data.size() - 1);
  return test::joinChunks(chunks);
}

// Pixels that differ when drawn over two backgrounds let the background through.
bool drawsSeeThrough(const TPngPicture& picture, int width, int height) {
  const Rect all{0, 0, width, height};
  const Bitmap overBlack = drawnOver(picture, rgb(0, 0, 0), width, height, all);
  const Bitmap overWhite = drawnOver(picture, rgb(255, 255, 255), width, height, all);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      if (overBlack.pixel(x, y) != overWhite.pixel(x, y)) return true;
  return false;
}

TEST(Chunks, TransparencyModesFollowTheColourTypeAndTheTable) {
  struct Case {
    std::uint8_t type, depth;
    std::optional<Bytes> trns;
    PngTransparency mode;
    Bytes (*edit)(const Bytes& png) = nullptr;  // what is done to the written file
    const char* editName = "";
  };
  const auto late = transparencyAfterTheImageData;
  const auto cut = transparencyCutShort;
  const Case cases[] = {{0, 8, std::nullopt, PngTransparency::none}, {0, 8, Bytes{0, 4}, PngTransparency::bit},
                        {2, 8, Bytes{0, 1, 0, 2, 0, 3}, PngTransparency::bit},
                        {0, 8, Bytes{0, 4}, PngTransparency::none, late, "tRNS after the image data"},
                        {0, 2, Bytes{0, 1}, PngTransparency::none, late, "tRNS after the image data"},
                        {2, 8, Bytes{0, 1, 0, 2, 0, 3}, PngTransparency::none, late, "tRNS after the image data"},
                        {2, 16, Bytes{1, 2, 3, 4, 5, 6}, PngTransparency::none, late, "tRNS after the image data"},
                        {0, 8, Bytes{0, 4}, PngTransparency::none, cut, "tRNS cut short"},
                        {2, 8, Bytes{0, 1, 0, 2, 0, 3}, PngTransparency::none, cut, "tRNS cut short"},
                        {3, 8, std::nullopt, PngTransparency::none}, {3, 8, Bytes{255, 0, 255}, PngTransparency::bit},
                        {3, 8, Bytes{255, 128}, PngTransparency::partial}, {3, 8, Bytes{0, 0}, PngTransparency::partial},
                        {4, 8, std::nullopt, PngTransparency::partial}, {6, 8, std::nullopt, PngTransparency::partial}};
  for (const Case& c : cases) {
    SCOPED_TRACE("colour type " + std::to_string(c.type) + ", depth " + std::to_string(c.depth) + " " + c.editName);
    PicturePlan plan;
    plan.colorType = c.type;
    plan.bitDepth = c.depth;
    plan.trns = c.trns;
    const Bytes file = test::writePng(plan);
    const TPngPicture picture = loaded(c.edit ? c.edit(file) : file);
    EXPECT_EQ(picture.transparencyMode(), c.mode);
    EXPECT_EQ(picture.transparent(), c.mode != PngTransparency::none);
    EXPECT_EQ(drawsSeeThrough(picture, plan.width, plan.height), picture.transparent());
  }
}

// ---- failures ----

TEST(Failure, StreamLoadKeepsTheChunksReadSoFarAndMemoryLoadKeepsThePicture) {
  PicturePlan plan;
  plan.gamma = 45000;
  auto chunks = test::splitChunks(test::writePng(plan));
  for (auto& c : chunks)
    if (c.name == "IDAT") c.data[0] = 0x79;
  const Bytes broken = test::joinChunks(chunks);

  TPngPicture picture;
  EXPECT_THROW(picture.loadFromStream(broken), EPNGZLIBError);
  EXPECT_EQ(namesOf(picture), (std::vector<std::string>{"IHDR", "gAMA"}));

  TPngPicture kept = loaded(test::writePng(PicturePlan{}));
  EXPECT_THROW(kept.loadFromMemory(broken), EPNGZLIBError);
  EXPECT_EQ(namesOf(kept), (std::vector<std::string>{"IHDR", "IDAT", "IEND"}));
  EXPECT_EQ(kept.width(), 13);
}

TEST(Failure, AHugePictureWithLittleDataLoadsWithoutTouchingItsMemory) {
  // 20000 x 20000 at 8 bits: 400 MB that a short stream barely writes.
  const auto start = std::chrono::steady_clock::now();
  const TPngPicture picture = loaded(pngOf({{"IHDR", headerData(20000, 20000, 8, 0)}, {"IDAT", test::deflateBytes({0, 1, 2})}}));
  EXPECT_EQ(picture.width(), 20000);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

// ---- copies, storage, registration ----

TEST(Assign, CopiesDeeplyAndKeepsItsOwnHeader) {
  PicturePlan plan;
  plan.colorType = 3;
  plan.bitDepth = 2;
  plan.trns = Bytes{0, 128};
  plan.texts = {{"Author", "us"}};
  auto source = std::make_unique<TPngPicture>();
  source->loadFromMemory(test::writePng(plan));
  const Bitmap before = drawnOver(*source, rgb(5, 6, 7), plan.width, plan.height, {0, 0, plan.width, plan.height});
  TPngPicture copy;
  copy.assign(*source);
  const auto names = namesOf(*source);
  source.reset();
  EXPECT_EQ(namesOf(copy), names);
  EXPECT_EQ(&copy.header().owner(), &copy);
  EXPECT_EQ(copy.findChunk<TChunktEXt>()->text(), "us");
  const Bitmap after = drawnOver(copy, rgb(5, 6, 7), plan.width, plan.height, {0, 0, plan.width, plan.height});
  EXPECT_TRUE(std::equal(before.data(), before.data() + before.bytesPerLine() * before.height(), after.data()));
}

TEST(StoredPicture, ReadsUpToIendAndWritesTheSameFile) {
  const Bytes file = test::writePng(PicturePlan{});
  Bytes stored = {11, 'T', 'P', 'n', 'g', 'P', 'i', 'c', 't', 'u', 'r', 'e'};
  stored.insert(stored.end(), file.begin(), file.end());
  Picture picture;
  picture.loadFromStored(stored);
  EXPECT_EQ(picture.width(), 13);
  EXPECT_EQ(picture.saveToStored(), stored);

  Bytes trailing = stored;
  trailing.push_back(0);
  EXPECT_THROW(picture.loadFromStored(trailing), EInvalidGraphic);
}

TEST(Registration, ExtensionInAnyCaseAndClassNameFindThePngKind) {
  registerBuiltInGraphicKinds();
  for (const char* extension : {"PNG", "png", ".PnG"})
    EXPECT_NE(dynamic_cast<TPngPicture*>(createGraphicForExtension(extension).get()), nullptr) << extension;
  EXPECT_NE(dynamic_cast<TPngPicture*>(createGraphicForClass("TPngPicture").get()), nullptr);
  unregisterPngPicture();
  EXPECT_EQ(createGraphicForExtension("png"), nullptr);
  EXPECT_EQ(createGraphicForClass("TPngPicture"), nullptr);
  registerPngPicture();
  EXPECT_NE(createGraphicForExtension("png"), nullptr);
}

}  // namespace
}  // namespace tov
