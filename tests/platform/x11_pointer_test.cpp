#include "platform/x11/x11_pointer.h"

#include "desktop_fixture.h"

#include <gtest/gtest.h>

namespace tov::x11 {
namespace {

using Mapping = std::vector<unsigned char>;

TEST(PointerMapping, SetsTheFirstThreeButtonsAndKeepsTheRest) {
  struct Case {
    Mapping before;
    bool swapped;
    Mapping after;
  };
  const Case cases[] = {
      {{1, 2, 3, 4, 5}, true, {3, 2, 1, 4, 5}},
      {{3, 2, 1, 4, 5}, true, {3, 2, 1, 4, 5}},  // already swapped: stays so
      {{3, 2, 1, 5, 4}, false, {1, 2, 3, 5, 4}},
      {{1, 2}, true, {1, 2}},                      // no third button to exchange with
      {{}, false, {}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(withButtonsSwapped(c.before, c.swapped), c.after);
    EXPECT_EQ(mappingSwapsButtons(c.after), c.swapped && c.after.size() >= 3);
  }
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
