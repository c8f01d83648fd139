// Two-colour cursors from their text resources.
#include "ui/cursorresource.h"
#include "ui/qt/qt_cursors.h"

#include <gtest/gtest.h>

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

// A colour picture: Wayland draws no bitmap-and-mask cursor.
TEST(CursorResource, MakesABlackAndWhiteCursorAsAColourPicture) {
  const QCursor cursor = qt::makeCursor(parse("TOVCURSOR\n3 1 2 0\n.#o\n"));
  EXPECT_EQ(cursor.hotSpot(), QPoint(2, 0));
  const QImage picture = cursor.pixmap().toImage().convertToFormat(QImage::Format_ARGB32);
  ASSERT_EQ(picture.size(), QSize(3, 1));
  EXPECT_EQ(qAlpha(picture.pixel(0, 0)), 0) << "transparent";
  EXPECT_EQ(picture.pixel(1, 0), 0xFF000000u);
  EXPECT_EQ(picture.pixel(2, 0), 0xFFFFFFFFu);
}

}  // namespace
}  // namespace tov::test
