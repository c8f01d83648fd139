// The scrollable view's arithmetic: placement and clamping per axis, the parts of the view,
// and the scroll bars' arrows, track and handle.
#include "advert/imgview_geometry.h"

#include <gtest/gtest.h>

namespace tov::test {
namespace {

TEST(ImgViewGeometry, RoundsHalvesToEven) {
  const struct {
    double value;
    int rounded;
  } cases[] = {{0.5, 0}, {1.5, 2}, {2.5, 2}, {62.5, 62}, {-187.5, -188}, {-0.5, 0}, {-1.5, -2},
               {2.4999, 2}, {2.5001, 3}, {-2.6, -3}, {7.0, 7}};
  for (const auto& c : cases) EXPECT_EQ(roundHalfToEven(c.value), c.rounded) << c.value;
}

// The view of the advertisement screen with 17-pixel bars has a 625 x 458 viewport.
TEST(ImgViewGeometry, PlacementPerAxis) {
  const struct {
    const char* name;
    int picture, viewport;
    double requested;  // a position asked for
    double position;   // as kept
    int offset;        // where the picture's first pixel is drawn
  } cases[] = {
      {"smaller: centred", 500, 625, 0, 0, 62},  // 62.5, to the even neighbour
      {"smaller by an odd amount", 501, 625, 0, 0, 62},
      {"smaller by an even amount", 499, 625, 0, 0, 63},
      {"smaller: positions are ignored", 500, 625, 40, 0, 62},
      {"equal: offset 0, no range", 625, 625, 10, 0, 0},
      {"larger: minus the position", 1000, 625, 100, 100, -100},
      {"larger: a half position rounds to even", 1000, 625, 187.5, 187.5, -188},
      {"larger: below the range", 1000, 625, -20, 0, 0},
      {"larger: above the range", 1000, 625, 5000, 375, -375},
      {"larger by one pixel", 626, 625, 3, 1, -1},
      {"the tall picture, vertically", 1200, 458, 742.2, 742, -742},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const ViewAxis axis{c.picture, c.viewport};
    EXPECT_EQ(axis.clamp(c.requested), c.position);
    EXPECT_EQ(axis.drawingOffset(axis.clamp(c.requested)), c.offset);
  }
}

TEST(ImgViewGeometry, CentredOnANewPictureThenScrolledUp) {
  const struct {
    int picture, viewport;
    double centred;
    double afterScrollUp;  // centred - 2500, clamped
  } cases[] = {
      {500, 625, 0, 0},
      {625, 625, 0, 0},
      {1000, 625, 187.5, 0},   // 500 - 312.5
      {1001, 625, 187.5, 0},   // the picture's half is an integer division
      {1200, 458, 371, 0},     // 600 - 229
      {5458, 458, 2500, 0},    // 5000 taller: still at the top
      {5460, 458, 2501, 1},    // more than 5000 taller: no longer quite at the top
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.picture);
    const ViewAxis axis{c.picture, c.viewport};
    EXPECT_EQ(axis.centredPosition(), c.centred);
    EXPECT_EQ(axis.clamp(axis.centredPosition() - 2500), c.afterScrollUp);
  }
}

TEST(ImgViewGeometry, PartsOfTheView) {
  const ViewLayout layout = layoutView(642, 475, 17);
  EXPECT_EQ(layout.viewport, (Rect{0, 0, 625, 458}));
  EXPECT_EQ(layout.horizontalBar, (Rect{0, 458, 625, 475}));
  EXPECT_EQ(layout.verticalBar, (Rect{625, 0, 642, 458}));
  EXPECT_EQ(layout.corner, (Rect{625, 458, 642, 475}));
  const ViewLayout thin = layoutView(10, 8, 17);  // bars thicker than the view
  EXPECT_EQ(thin.viewport, (Rect{0, 0, 2, 0}));
}

TEST(ImgViewGeometry, ScrollBarHandles) {
  const struct {
    const char* name;
    int barLength, thickness, picture, viewport;
    double position;
    ScrollBarLayout expected;  // length, arrow, track, active, handle, minimum, start, length
  } cases[] = {
      {"smaller picture: no handle, no mouse", 625, 17, 500, 625, 0, {625, 16, 593, false, false, false, 0, 0}},
      {"equal picture: no handle, no mouse", 458, 17, 458, 458, 0, {458, 16, 426, false, false, false, 0, 0}},
      {"tall picture at the top", 458, 17, 1200, 458, 0, {458, 16, 426, true, true, false, 16, 163}},
      {"tall picture in the middle", 458, 17, 1200, 458, 371, {458, 16, 426, true, true, false, 148, 163}},
      {"tall picture at the bottom", 458, 17, 1200, 458, 742, {458, 16, 426, true, true, false, 279, 163}},
      {"handle start rounds half to even", 432, 17, 800, 400, 5, {432, 16, 400, true, true, false, 18, 200}},
      {"... and up to the even neighbour", 432, 17, 800, 400, 7, {432, 16, 400, true, true, false, 20, 200}},
      {"minimum handle at the top", 458, 17, 20000, 458, 0, {458, 16, 426, true, true, true, 16, 17}},
      {"minimum handle half way", 458, 17, 20000, 458, 9771, {458, 16, 426, true, true, true, 220, 17}},
      {"minimum handle at the bottom", 458, 17, 20000, 458, 19542, {458, 16, 426, true, true, true, 425, 17}},
      {"a handle of exactly 17 pixels is no minimum", 458, 17, 11477, 458, 0, {458, 16, 426, true, true, false, 16, 17}},
      {"track of 17 pixels: no handle", 49, 17, 1200, 458, 0, {49, 16, 17, true, false, false, 0, 0}},
      {"short bar: arrows of half its length", 20, 17, 1200, 458, 0, {20, 10, 0, true, false, false, 0, 0}},
      {"thick bar: arrows of at most 32", 500, 40, 1200, 458, 0, {500, 32, 436, true, true, false, 32, 166}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const ScrollBarLayout bar = layoutScrollBar(c.barLength, c.thickness, ViewAxis{c.picture, c.viewport}, c.position);
    EXPECT_EQ(bar.length, c.expected.length);
    EXPECT_EQ(bar.arrow, c.expected.arrow);
    EXPECT_EQ(bar.trackLength, c.expected.trackLength);
    EXPECT_EQ(bar.active, c.expected.active);
    EXPECT_EQ(bar.hasHandle, c.expected.hasHandle);
    EXPECT_EQ(bar.minimumHandle, c.expected.minimumHandle);
    EXPECT_EQ(bar.handleStart, c.expected.handleStart);
    EXPECT_EQ(bar.handleLength, c.expected.handleLength);
  }
}

TEST(ImgViewGeometry, HandleDragMovesInProportion) {
  // Free handle: picture per track pixel; minimum handle: the range per pixel of travel.
  EXPECT_DOUBLE_EQ(layoutScrollBar(458, 17, ViewAxis{1200, 458}, 0).positionPerPixel, 1200.0 / 426);
  EXPECT_DOUBLE_EQ(layoutScrollBar(458, 17, ViewAxis{20000, 458}, 0).positionPerPixel, 19542.0 / 409);
  EXPECT_EQ(layoutScrollBar(625, 17, ViewAxis{500, 625}, 0).positionPerPixel, 0.0);
}

TEST(ImgViewGeometry, TheHandleTravelsTheWholeTrack) {
  // At the end of the range the handle ends where the track ends, with and without the
  // minimum, for a spread of picture lengths.
  for (int picture = 459; picture <= 40000; picture = picture * 5 / 4 + 1) {
    const ViewAxis axis{picture, 458};
    const ScrollBarLayout bar = layoutScrollBar(458, 17, axis, axis.maxPosition());
    ASSERT_TRUE(bar.hasHandle);
    EXPECT_NEAR(bar.handleEnd(), bar.trackStart() + bar.trackLength, 1) << picture;
    EXPECT_EQ(layoutScrollBar(458, 17, axis, 0).handleStart, bar.trackStart()) << picture;
  }
}

}  // namespace
}  // namespace tov::test
