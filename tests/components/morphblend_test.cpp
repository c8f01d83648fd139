// The morph's arithmetic: the blend against its formula, the weights of the frames, and the
// layout of the buffers the blend walks.
#include "components/morphblend.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <numeric>
#include <random>
#include <set>
#include <vector>

#include "platform/errors.h"

namespace tov {
namespace {

std::uint8_t formula(int a, int b, int weight) { return std::uint8_t((a * (32 - weight) + b * weight) >> 5); }

TEST(MorphBlend, EveryPairOfBytesAtEveryPositionAndWeight) {
  // Each (a, b) pair fills one 32-bit word, so it is blended at all four byte positions.
  constexpr std::size_t kBytes = 65536 * 4;
  std::vector<std::uint8_t> work(kBytes), target(kBytes), display(kBytes);
  for (std::size_t i = 0; i < kBytes; ++i) {
    const std::size_t pair = i / 4;
    work[i] = std::uint8_t(pair & 0xFF);
    target[i] = std::uint8_t(pair >> 8);
  }
  for (int weight = 1; weight <= 32; ++weight) {
    blendMorphFrame(display.data(), work.data(), target.data(), kBytes, weight);
    std::size_t wrong = 0;
    for (std::size_t i = 0; i < kBytes; ++i) wrong += display[i] != formula(work[i], target[i], weight);
    EXPECT_EQ(wrong, 0u) << "weight " << weight;
  }
}

TEST(MorphBlend, WeightZeroWritesNothingThirtyTwoCopiesTheTargetEqualBytesStay) {
  std::vector<std::uint8_t> work(64, 10), target(64), display(64, 0xAB);
  std::iota(target.begin(), target.end(), 100);
  blendMorphFrame(display.data(), work.data(), target.data(), display.size(), 0);
  EXPECT_EQ(display, std::vector<std::uint8_t>(64, 0xAB));
  blendMorphFrame(display.data(), work.data(), target.data(), display.size(), 32);
  EXPECT_EQ(display, target);
  // Equal bytes come out as they went in at every weight: a still picture does not flicker.
  for (int weight = 1; weight <= 31; ++weight) {
    blendMorphFrame(display.data(), target.data(), target.data(), display.size(), weight);
    EXPECT_EQ(display, target) << weight;
  }
}

TEST(MorphBlend, EveryLengthIsBlendedToItsLastByteAndNoFurther) {
  std::mt19937 random(7);
  for (std::size_t length = 0; length <= 100; ++length) {
    std::vector<std::uint8_t> work(length + 8), target(length + 8), display(length + 8, 0x5A);
    for (std::size_t i = 0; i < work.size(); ++i) {
      work[i] = std::uint8_t(random());
      target[i] = std::uint8_t(random());
    }
    blendMorphFrame(display.data(), work.data(), target.data(), length, 19);
    for (std::size_t i = 0; i < display.size(); ++i)
      ASSERT_EQ(display[i], i < length ? formula(work[i], target[i], 19) : 0x5A) << "length " << length << " at " << i;
  }
}

TEST(MorphFrames, WeightsForTheRatesThatMatter) {
  const auto weights = [](int rate) {
    std::vector<int> all;
    for (int frame = 0; frame <= rate; ++frame) all.push_back(morphFrameWeight(frame, rate));
    return all;
  };
  EXPECT_EQ(weights(1), (std::vector<int>{0, 32}));

  const std::vector<int> menu = weights(250);
  ASSERT_EQ(menu.size(), 251u);
  for (int frame = 0; frame <= 7; ++frame) EXPECT_EQ(menu[frame], 0) << frame;
  EXPECT_EQ(menu[8], 1);
  EXPECT_EQ(menu[249], 31);
  EXPECT_EQ(menu[250], 32);
  EXPECT_EQ(std::set<int>(menu.begin(), menu.end()).size(), 33u);

  const std::vector<int> slowest = weights(255);
  ASSERT_EQ(slowest.size(), 256u);
  EXPECT_EQ(slowest.front(), 0);
  EXPECT_EQ(slowest[254], 31);
  EXPECT_EQ(slowest[255], 32);
  for (int rate : {1, 2, 31, 32, 33, 250, 255}) {
    const std::vector<int> all = weights(rate);
    EXPECT_TRUE(std::is_sorted(all.begin(), all.end())) << rate;
    EXPECT_EQ(std::count(all.begin(), all.end(), 32), 1) << "only the last frame is whole, rate " << rate;
  }
}

TEST(MorphBuffer, RowsArePaddedToFourBytesAndStoredBottomUp) {
  const struct {
    int width, height;
    std::size_t rowBytes;
  } cases[] = {{1, 1, 4}, {2, 3, 8}, {4, 2, 12}, {5, 1, 16}, {73, 68, 220}, {75, 71, 228}, {47, 37, 144}};
  for (const auto& c : cases) {
    MorphBuffer buffer;
    buffer.setSize(c.width, c.height);
    EXPECT_EQ(buffer.rowBytes(), c.rowBytes) << c.width;
    EXPECT_EQ(buffer.byteCount(), c.rowBytes * std::size_t(c.height)) << c.width;
    EXPECT_EQ(buffer.row(c.height - 1), buffer.bits()) << "the bottom row comes first";
  }
}

TEST(MorphBuffer, FillAndPaintReachThePixelsButNotThePadding) {
  MorphBuffer buffer;
  buffer.setSize(3, 2);  // 9 bytes of pixels, 3 of padding per row
  buffer.fillColor = rgb(0x10, 0x20, 0x30);
  buffer.fill();
  for (int y = 0; y < 2; ++y) {
    const std::uint8_t* row = buffer.row(y);
    EXPECT_EQ(std::vector<std::uint8_t>(row, row + 12),
              (std::vector<std::uint8_t>{0x30, 0x20, 0x10, 0x30, 0x20, 0x10, 0x30, 0x20, 0x10, 0, 0, 0}));
  }
  // The canvas sees the buffer top-down; what it leaves alone keeps its colour.
  buffer.paint([](Canvas& canvas) { canvas.fillRect(Rect{0, 0, 1, 1}, rgb(0xFF, 0, 0)); });
  EXPECT_EQ(buffer.row(0)[0], 0x00);
  EXPECT_EQ(buffer.row(0)[2], 0xFF) << "red, in blue-green-red order";
  EXPECT_EQ(buffer.bits()[2], 0x10) << "the bottom row, first in memory, is untouched";
  EXPECT_EQ(buffer.row(0)[9], 0) << "padding stays";
}

TEST(MorphBuffer, SizesAreCheckedBeforeAllocating) {
  MorphBuffer buffer;
  buffer.setSize(4, 4);
  buffer.fill();
  EXPECT_THROW(buffer.setSize(1 << 30, 1 << 30), EOutOfMemory);
  EXPECT_EQ(buffer.width(), 4) << "a refused size keeps the buffer";
  EXPECT_EQ(buffer.byteCount(), 48u);
  buffer.setSize(-3, 5);
  EXPECT_EQ(buffer.width(), 0);
  EXPECT_EQ(buffer.byteCount(), 0u);
}

}  // namespace
}  // namespace tov
