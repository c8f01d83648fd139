// Every colour type and depth, interlaced and not, each filter, IDAT split into many chunks,
// tRNS in each form, gAMA values and text chunks: written by libpng, decoded and drawn by us over
// two backgrounds, and compared pixel by pixel with libpng's decode after our conversions.

#include <gtest/gtest.h>
#include <png.h>

#include "imaging/pngreader.h"
#include "png_testing.h"

namespace tov {
namespace {

using test::Bytes;
using test::PicturePlan;

std::vector<PicturePlan> corpus() {
  std::vector<PicturePlan> plans;
  const std::pair<int, int> kinds[] = {{0, 1}, {0, 2}, {0, 4}, {0, 8}, {0, 16}, {2, 8}, {2, 16}, {3, 1},
                                       {3, 2}, {3, 4}, {3, 8}, {4, 8}, {4, 16}, {6, 8}, {6, 16}};
  for (auto [type, depth] : kinds)
    for (bool interlaced : {false, true}) {
      PicturePlan s;
      s.name = "type" + std::to_string(type) + "_depth" + std::to_string(depth) + (interlaced ? "_adam7" : "");
      s.colorType = type;
      s.bitDepth = depth;
      s.interlaced = interlaced;
      s.width = 37;
      s.height = 23;
      s.seed = unsigned(type * 100 + depth);
      plans.push_back(s);
    }
  const std::pair<int, const char*> filters[] = {{PNG_FILTER_NONE, "none"}, {PNG_FILTER_SUB, "sub"},
                                                 {PNG_FILTER_UP, "up"}, {PNG_FILTER_AVG, "average"},
                                                 {PNG_FILTER_PAETH, "paeth"}};
  for (auto [type, depth] : {std::pair{0, 8}, {0, 16}, {2, 8}, {2, 16}, {3, 4}, {4, 8}, {4, 16}, {6, 8}, {6, 16}})
    for (auto [flag, name] : filters)
      for (bool interlaced : {false, true}) {
        PicturePlan s;
        s.name = std::string("filter_") + name + "_type" + std::to_string(type) + "_depth" + std::to_string(depth) +
                 (interlaced ? "_adam7" : "");
        s.colorType = type;
        s.bitDepth = depth;
        s.filters = flag;
        s.interlaced = interlaced;
        s.width = 19;
        s.height = 17;
        plans.push_back(s);
      }
  for (bool interlaced : {false, true}) {
    PicturePlan s;
    s.name = std::string("idat_in_37_byte_chunks") + (interlaced ? "_adam7" : "");
    s.colorType = 6;
    s.width = 40;
    s.height = 40;
    s.idatBytes = 37;
    s.interlaced = interlaced;
    plans.push_back(s);
  }
  struct Keyed {
    const char* name;
    int type, depth;
    Bytes trns;
  };
  const Keyed keyed[] = {
      {"trns_grey1", 0, 1, {0, 1}},           {"trns_grey2", 0, 2, {0, 2}},
      {"trns_grey4", 0, 4, {0, 9}},           {"trns_grey8", 0, 8, {0, 77}},
      {"trns_grey16", 0, 16, {0x12, 0x34}},   {"trns_rgb8", 2, 8, {0, 10, 0, 200, 0, 30}},
      {"trns_rgb16", 2, 16, {1, 2, 3, 4, 5, 6}},
      {"trns_palette_one_clear", 3, 8, {255, 255, 0, 255}},
      {"trns_palette_one_half", 3, 4, {255, 128}},
      {"trns_palette_partial", 3, 2, {0, 90, 180}},
      {"trns_palette_short_of_entries", 3, 4, {10}},
  };
  for (const Keyed& k : keyed)
    for (bool interlaced : {false, true}) {
      PicturePlan s;
      s.name = std::string(k.name) + (interlaced ? "_adam7" : "");
      s.colorType = k.type;
      s.bitDepth = k.depth;
      s.trns = k.trns;
      s.interlaced = interlaced;
      s.seed = unsigned(k.depth * 7 + k.type);
      plans.push_back(s);
    }
  for (std::uint32_t gamma : {45000u, 45454u, 100000u, 22000u, 220000u, 1000u})
    for (auto [type, depth] : {std::pair{0, 2}, {0, 16}, {2, 8}, {3, 8}, {4, 8}, {6, 16}}) {
      PicturePlan s;
      s.name = "gamma" + std::to_string(gamma) + "_type" + std::to_string(type) + "_depth" + std::to_string(depth);
      s.colorType = type;
      s.bitDepth = depth;
      s.gamma = gamma;
      plans.push_back(s);
    }
  PicturePlan texts;
  texts.name = "text_chunks";
  texts.texts = {{"Title", "Tovaleer"}, {"Comment", std::string(300, 'z'), true}};
  texts.time = true;
  plans.push_back(texts);
  for (auto [w, h] : {std::pair{1, 1}, {2, 3}, {5, 1}, {1, 9}, {9, 9}, {130, 3}})
    for (auto [type, depth] : {std::pair{0, 1}, {3, 2}, {6, 8}}) {
      PicturePlan s;
      s.name = "size" + std::to_string(w) + "x" + std::to_string(h) + "_type" + std::to_string(type) + "_depth" +
               std::to_string(depth) + "_adam7";
      s.colorType = type;
      s.bitDepth = depth;
      s.width = w;
      s.height = h;
      s.interlaced = true;
      plans.push_back(s);
    }
  return plans;
}

class Conformance : public testing::TestWithParam<PicturePlan> {};

TEST_P(Conformance, DrawsAsLibpngDecodesOverTwoBackgrounds) {
  const PicturePlan& plan = GetParam();
  const Bytes file = test::writePng(plan);
  const test::ReferenceImage reference = test::decodeWithLibpng(file);
  TPngPicture picture;
  picture.loadFromMemory(file);
  ASSERT_EQ(picture.width(), plan.width);
  ASSERT_EQ(picture.height(), plan.height);
  const auto gamma = test::referenceGamma(plan.gamma);

  for (std::array<std::uint8_t, 3> background : {std::array<std::uint8_t, 3>{16, 32, 48}, {250, 240, 230}}) {
    Bitmap target(plan.width, plan.height, PixelFormat::pf32bit);
    Canvas canvas(target);
    canvas.fillRect({0, 0, plan.width, plan.height}, rgb(background[0], background[1], background[2]));
    picture.draw(canvas, {0, 0, plan.width, plan.height});
    int wrong = 0;
    for (int y = 0; y < plan.height && wrong < 5; ++y)
      for (int x = 0; x < plan.width && wrong < 5; ++x) {
        const auto want = test::expectedOver(reference.at(x, y), plan.colorType, gamma, background);
        const Color got = target.pixel(x, y);
        if (got != rgb(want[0], want[1], want[2])) {
          ++wrong;
          ADD_FAILURE() << "pixel " << x << "," << y << ": got " << std::hex << got << ", want "
                        << rgb(want[0], want[1], want[2]) << " (alpha " << std::dec << int(reference.at(x, y).a)
                        << ")";
        }
      }
  }
}

INSTANTIATE_TEST_SUITE_P(Corpus, Conformance, testing::ValuesIn(corpus()),
                         [](const testing::TestParamInfo<PicturePlan>& info) { return info.param.name; });

TEST(ConformanceCorpus, TextAndTimeChunksAreRead) {
  PicturePlan plan;
  plan.texts = {{"Title", "Tovaleer"}, {"Comment", std::string(300, 'z'), true}};
  plan.time = true;
  TPngPicture picture;
  picture.loadFromMemory(test::writePng(plan));
  std::vector<std::pair<std::string, std::string>> texts;
  for (const auto& chunk : picture.chunks())
    if (auto* text = dynamic_cast<const TChunktEXt*>(chunk.get())) texts.emplace_back(text->keyword(), text->text());
  EXPECT_EQ(texts, (std::vector<std::pair<std::string, std::string>>{{"Title", "Tovaleer"},
                                                                    {"Comment", std::string(300, 'z')}}));
  const auto* time = picture.findChunk<TChunktIME>();
  ASSERT_NE(time, nullptr);
  EXPECT_EQ((std::array{time->year(), time->month(), time->day(), time->hour(), time->minute(), time->second()}),
            (std::array{2004, 3, 17, 9, 45, 30}));
}

}  // namespace
}  // namespace tov
