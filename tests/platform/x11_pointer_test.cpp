#include "platform/x11/x11_pointer.h"

#include "desktop_fixture.h"

#include <gtest/gtest.h>

namespace tov::x11 {
namespace {

using Mapping = std::vector<unsigned char>;

// The server always has ten buttons here; shorter mappings are seen only elsewhere.
TEST(PointerMapping, LeavesMappingsWithoutAThirdButtonAlone) {
  EXPECT_EQ(withButtonsSwapped({1, 2}, true), (Mapping{1, 2}));
  EXPECT_EQ(withButtonsSwapped({}, false), Mapping{});
  EXPECT_FALSE(mappingSwapsButtons({3, 2}));
}

// The first line of numbers after the header of `xmodmap -pp`: "1 2 3 ...".
std::string serverMapping(test::XSession& session) {
  return session.run("xmodmap -pp | awk '/^ +[0-9]+ +[0-9]+$/ {printf \"%s \", $2}'");
}

TEST(X11Pointer, ExchangesButtonsOneAndThreeOnTheServerAndPutsThemBack) {
  TOV_USE_DUMMY_DESKTOP(desktop);
  test::XSession& session = *desktop.session;
  IPointer& pointer = *desktop.platform->services().pointer;
  struct Case {
    const char* start;  // as the user had it
    const char* swapped;
    const char* normal;
  };
  const Case cases[] = {
      {"1 2 3 4 5 6 7 8 9 10", "3 2 1 4 5 6 7 8 9 10 ", "1 2 3 4 5 6 7 8 9 10 "},
      {"3 2 1 4 5 6 7 8 9 10", "3 2 1 4 5 6 7 8 9 10 ", "1 2 3 4 5 6 7 8 9 10 "},
      {"1 2 3 5 4 6 7 8 9 10", "3 2 1 5 4 6 7 8 9 10 ", "1 2 3 5 4 6 7 8 9 10 "},
  };
  for (const Case& c : cases) {
    session.run(std::string("xmodmap -e 'pointer = ") + c.start + "'");
    pointer.setButtonsSwapped(true);
    EXPECT_EQ(serverMapping(session), c.swapped) << "from " << c.start;
    EXPECT_TRUE(pointer.buttonsSwapped());
    pointer.setButtonsSwapped(false);
    EXPECT_EQ(serverMapping(session), c.normal) << "from " << c.start;
    EXPECT_FALSE(pointer.buttonsSwapped());
  }
  session.run("xmodmap -e 'pointer = default'");
}

}  // namespace
}  // namespace tov::x11
