// TGlobalHotKey on the hot-key double: when the combination is registered and let go, the
// modifier mapping, and what a press does.
#include "components/globalhotkey.h"

#include <gtest/gtest.h>

#include "doubles/fake_instance.h"
#include "platform/errors.h"
#include "ui/application.h"

namespace tov::test {
namespace {

using Combination = FakeHotKey::Combination;

constexpr std::uint16_t kCtrlAltZ = 49242;
constexpr Combination kZ{0x5A, kModControl | kModAlt};

TEST(GlobalHotKey, MapsTheShortcutToVirtualKeyAndModifiers) {
  struct Case {
    std::uint16_t shortcut;
    const char* registered;
  };
  const Case cases[] = {
      {kCtrlAltZ, "register 1 0x5a 3"},
      {scShift | 'A', "register 1 0x41 4"},
      {scCtrl | 0x70, "register 1 0x70 2"},  // F1
      {scAlt | '1', "register 1 0x31 1"},
      {scShift | scCtrl | scAlt | 'Z', "register 1 0x5a 7"},
      {'Z', "register 1 0x5a 0"},
  };
  for (const Case& c : cases) {
    FakeHotKey hotKeys;
    TGlobalHotKey component(hotKeys);
    component.setHotKey(c.shortcut);
    EXPECT_EQ(hotKeys.calls, std::vector<std::string>{c.registered}) << c.shortcut;
  }
}

TEST(GlobalHotKey, RegistersWhileActiveAndLetsGoWhenTheKeyOrActiveGoes) {
  FakeHotKey hotKeys;
  TGlobalHotKey component(hotKeys);
  EXPECT_TRUE(component.Active());
  EXPECT_EQ(component.HotKey(), 0);
  EXPECT_TRUE(hotKeys.calls.empty()) << "nothing is registered while HotKey is 0";

  struct Step {
    const char* what;
    std::function<void()> act;
    std::vector<std::string> calls;  // made by this step
    bool zHeld;
  };
  const Step steps[] = {
      {"HotKey set", [&] { component.setHotKey(kCtrlAltZ); }, {"register 1 0x5a 3"}, true},
      {"same HotKey again", [&] { component.setHotKey(kCtrlAltZ); }, {}, true},
      {"HotKey 0", [&] { component.setHotKey(0); }, {"unregister 1"}, false},
      {"HotKey 0 again", [&] { component.setHotKey(0); }, {}, false},
      {"HotKey back", [&] { component.setHotKey(kCtrlAltZ); }, {"register 1 0x5a 3"}, true},
      {"Active false", [&] { component.setActive(false); }, {"unregister 1"}, false},
      {"Active false again", [&] { component.setActive(false); }, {}, false},
      {"HotKey changed while inactive", [&] { component.setHotKey(scCtrl | 'Q'); }, {}, false},
      {"HotKey back while inactive", [&] { component.setHotKey(kCtrlAltZ); }, {}, false},
      {"Active true", [&] { component.setActive(true); }, {"register 1 0x5a 3"}, true},
      {"another key", [&] { component.setHotKey(scCtrl | scAlt | 'Y'); }, {"register 1 0x59 3"}, false},
      {"no key", [&] { component.setHotKey(0); }, {"unregister 1"}, false},
      {"Active false without a key", [&] { component.setActive(false); }, {}, false},
      {"Active true without a key", [&] { component.setActive(true); }, {"register 1 0x0 0"}, false},
  };
  for (const Step& step : steps) {
    hotKeys.calls.clear();
    step.act();
    EXPECT_EQ(hotKeys.calls, step.calls) << step.what;
    EXPECT_EQ(hotKeys.held.count(kZ) == 1, step.zHeld) << step.what;
  }
}

TEST(GlobalHotKey, DestructionLetsGoOfTheKeyAndTheTarget) {
  FakeHotKey hotKeys;
  {
    TGlobalHotKey component(hotKeys);
    component.setHotKey(kCtrlAltZ);
    hotKeys.calls.clear();
  }
  EXPECT_EQ(hotKeys.calls, std::vector<std::string>{"unregister 1"});
  EXPECT_TRUE(hotKeys.held.empty());
  EXPECT_EQ(hotKeys.targetCount(), 0);
}

TEST(GlobalHotKey, AKeyHeldElsewhereStaysThereUnnoticed) {
  FakeHotKey hotKeys;
  hotKeys.held[kZ] = FakeHotKey::kOtherProgram;
  TGlobalHotKey component(hotKeys);
  int presses = 0;
  component.OnKeyDown = [&](TGlobalHotKey*, std::uint16_t&, TShiftState) { ++presses; };
  component.setHotKey(kCtrlAltZ);
  EXPECT_EQ(component.HotKey(), kCtrlAltZ);
  EXPECT_FALSE(hotKeys.press(kZ));
  EXPECT_EQ(presses, 0);
  EXPECT_EQ(hotKeys.held.at(kZ), FakeHotKey::kOtherProgram);
}

TEST(GlobalHotKey, APressCallsOnKeyDownWithKeyAndShiftStateAndStopsThere) {
  std::vector<Application::MessageRequest> reports;
  const auto previous = Application::setMessageHandler([&](const Application::MessageRequest& request) {
    reports.push_back(request);
    return ModalResult::mrOk;
  });
  FakeHotKey hotKeys;
  TGlobalHotKey component(hotKeys);
  component.setHotKey(kCtrlAltZ);
  EXPECT_TRUE(hotKeys.press(kZ)) << "with no handler the press is taken and dropped";

  TGlobalHotKey* sender = nullptr;
  std::uint16_t key = 0;
  TShiftState shift = 0;
  component.OnKeyDown = [&](TGlobalHotKey* s, std::uint16_t& k, TShiftState sh) {
    sender = s;
    key = k;
    shift = sh;
  };
  EXPECT_TRUE(hotKeys.press(kZ));
  EXPECT_EQ(sender, &component);
  EXPECT_EQ(key, 0x5A);
  EXPECT_EQ(shift, TShiftState(ssCtrl | ssAlt));

  component.OnKeyDown = [](TGlobalHotKey*, std::uint16_t&, TShiftState) { throw Exception("handler failed"); };
  EXPECT_NO_THROW(hotKeys.press(kZ));
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0].text, "handler failed");
  Application::setMessageHandler(previous);
}

}  // namespace
}  // namespace tov::test
