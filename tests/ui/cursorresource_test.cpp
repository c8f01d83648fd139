// Two-colour cursors from their text resources.
#include "ui/cursorresource.h"

#include <gtest/gtest.h>

#include <QBitmap>
#include <QImage>
#include <string>

namespace tov::test {
namespace {

CursorImage parse(const std::string& text) {
  return parseCursorResource({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
}

TEST(CursorResource, ReadsSizeHotSpotAndPixels) {
  const CursorImage image = parse("TOVCURSOR\r\n3 2 1 0\r\n.#o\r\no#.");
  EXPECT_EQ(image.width, 3);
  EXPECT_EQ(image.height, 2);
  EXPECT_EQ(image.hotX, 1);
  EXPECT_EQ(image.hotY, 0);
  EXPECT_EQ(image.at(0, 0), CursorPixel::Transparent);
  EXPECT_EQ(image.at(1, 0), CursorPixel::Black);
  EXPECT_EQ(image.at(2, 0), CursorPixel::White);
  EXPECT_EQ(image.at(0, 1), CursorPixel::White);
  EXPECT_EQ(image.at(2, 1), CursorPixel::Transparent);
}

TEST(CursorResource, RefusesAnythingElse) {
  const char* const cases[] = {
      "",
      "TOVCURSR\n1 1 0 0\n#\n",
      "TOVCURSOR\n",
      "TOVCURSOR\n1 1 0\n#\n",
      "TOVCURSOR\n1 1 0 0 0\n#\n",
      "TOVCURSOR\n1 x 0 0\n#\n",
      "TOVCURSOR\n+1 1 0 0\n#\n",
      "TOVCURSOR\n00001 1 0 0\n#\n",
      "TOVCURSOR\n0 1 0 0\n\n",
      "TOVCURSOR\n257 1 0 0\n#\n",
      "TOVCURSOR\n2 2 2 0\n##\n##\n",
      "TOVCURSOR\n2 2 0 -1\n##\n##\n",
      "TOVCURSOR\n2 2 0 0\n##\n",
      "TOVCURSOR\n2 2 0 0\n##\n#\n",
      "TOVCURSOR\n2 2 0 0\n##\n###\n",
      "TOVCURSOR\n2 2 0 0\n##\n#x\n",
      "TOVCURSOR\n2 2 0 0\n##\n##\n\n",
      "TOVCURSOR\n2 2 0 0\n##\n##\n##\n",
  };
  for (const char* text : cases) EXPECT_THROW(parse(text), EInvalidCursor) << '"' << text << '"';
}

TEST(CursorResource, MakesABlackAndWhiteCursorThroughAMask) {
  const QCursor cursor = makeCursor(parse("TOVCURSOR\n3 1 2 0\n.#o\n"));
  EXPECT_EQ(cursor.shape(), Qt::BitmapCursor);
  EXPECT_EQ(cursor.hotSpot(), QPoint(2, 0));
  const QImage bits = cursor.bitmap().toImage();
  const QImage mask = cursor.mask().toImage();
  ASSERT_EQ(bits.size(), QSize(3, 1));
  EXPECT_EQ(mask.pixelColor(0, 0), QColor(Qt::white)) << "transparent: not in the mask";
  EXPECT_EQ(mask.pixelColor(1, 0), QColor(Qt::black));
  EXPECT_EQ(mask.pixelColor(2, 0), QColor(Qt::black));
  EXPECT_EQ(bits.pixelColor(1, 0), QColor(Qt::black)) << "a set bit is black";
  EXPECT_EQ(bits.pixelColor(2, 0), QColor(Qt::white));
}

}  // namespace
}  // namespace tov::test
