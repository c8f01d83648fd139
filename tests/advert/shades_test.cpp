// The view's shades of its bar and handle colours: the same as the toolkit's lighter and
// darker colours, which drew the bars before.
#include "advert/shades.h"

#include <gtest/gtest.h>

#include <QColor>

namespace tov::test {
namespace {

Color colourOf(const QColor& c) { return rgb(std::uint8_t(c.red()), std::uint8_t(c.green()), std::uint8_t(c.blue())); }

TEST(Shades, AsTheToolkitsLighterAndDarkerColours) {
  const int factors[] = {150, 170, 200, 100, 50, 0, -5, 1000};
  for (int r = 0; r < 256; r += 15)
    for (int g = 0; g < 256; g += 17)
      for (int b = 0; b < 256; b += 51) {
        const QColor colour(r, g, b);
        for (int factor : factors) {
          ASSERT_EQ(lighterShade(colourOf(colour), factor), colourOf(colour.lighter(factor)))
              << r << "," << g << "," << b << " lighter " << factor;
          ASSERT_EQ(darkerShade(colourOf(colour), factor), colourOf(colour.darker(factor)))
              << r << "," << g << "," << b << " darker " << factor;
        }
      }
}

}  // namespace
}  // namespace tov::test
