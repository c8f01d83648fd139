// Whether sway's desktop is left-handed already, read from its get_inputs reply: a mouse or a
// touchpad that is counts, anything else does not, and a reply that is no list tells nothing.
#include "platform/sway/sway_pointer.h"

#include <gtest/gtest.h>

namespace tov::sway {
namespace {

TEST(SwayInputs, AMouseOrTouchpadAlreadyLeftHandedMakesTheDesktopLeftHanded) {
  struct Case {
    const char* reply;
    std::optional<bool> leftHanded;
  };
  const Case cases[] = {
      {R"([{"type": "pointer", "libinput": {"left_handed": "enabled"}}])", true},
      {R"([{"type": "touchpad", "libinput": {"left_handed": "enabled"}}])", true},
      {R"([{"type": "keyboard"}, {"type": "pointer", "libinput": {"left_handed": "disabled"}}])", false},
      // A tablet's left-handed setting says nothing of the mouse.
      {R"([{"type": "tablet_tool", "libinput": {"left_handed": "enabled"}}])", false},
      {"[]", false},
      {R"({"error": "no such command"})", std::nullopt},
      {"", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(anyPointerLeftHanded(c.reply), c.leftHanded) << c.reply;
}

}  // namespace
}  // namespace tov::sway
