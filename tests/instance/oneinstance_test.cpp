// TOneInstance on test doubles: one per program, and what a second copy does in each mode
// before it ends.
#include "components/oneinstance.h"

#include <gtest/gtest.h>

#include "doubles/fake_instance.h"
#include "ui/application.h"

namespace tov::test {
namespace {

const char* const kTitle = "Tovaleer Gr 45";

class OneInstanceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Application::setTitle(kTitle);
    previousHandler_ = Application::setMessageHandler([this](const Application::MessageRequest& request) {
      messages.push_back(request);
      return ModalResult::mrOk;
    });
  }
  void TearDown() override { Application::setMessageHandler(previousHandler_); }

  FakeInstanceLock lock;
  FakeWindowActivator activator;
  std::vector<Application::MessageRequest> messages;

 private:
  Application::MessageHandler previousHandler_;
};

TEST_F(OneInstanceTest, OnlyOneLivesAtATime) {
  EXPECT_EQ(TOneInstance::LiveCount(), 0);
  {
    TOneInstance first(lock, activator);
    EXPECT_TRUE(first.Enabled());
    EXPECT_EQ(first.Mode(), TOneInstanceMode::oiActivateOnly);
    EXPECT_EQ(TOneInstance::LiveCount(), 1);
    try {
      TOneInstance second(lock, activator);
      ADD_FAILURE() << "a second component was made";
    } catch (const EOneInstError& error) {
      EXPECT_STREQ(error.what(), "TOneInstance:\rAlready one TOneInstance control in this project!");
      EXPECT_STREQ(error.className(), "EOneInstError");
    }
    EXPECT_EQ(TOneInstance::LiveCount(), 1) << "the refused one counts for nothing";
  }
  EXPECT_EQ(TOneInstance::LiveCount(), 0);
  TOneInstance again(lock, activator);
  EXPECT_EQ(TOneInstance::LiveCount(), 1);
}

enum class Handler { none, records, throws };

struct LoadedCase {
  const char* name;
  bool otherCopyRuns;
  bool enabled;
  TOneInstanceMode mode;
  Handler handler;
  // What follows.
  bool messageShown;
  bool activated;
  bool customCalled;
  bool errorReported;
  bool halted;
};

TEST_F(OneInstanceTest, LoadedDoesWhatTheModeSaysAndEndsOnlyASecondCopy) {
  using enum TOneInstanceMode;
  const LoadedCase cases[] = {
      {"first copy", false, true, oiDefaultMessage, Handler::records, false, false, false, false, false},
      {"disabled", true, false, oiActivateOnly, Handler::none, false, false, false, false, false},
      {"activate only", true, true, oiActivateOnly, Handler::records, false, true, false, false, true},
      {"default message", true, true, oiDefaultMessage, Handler::none, true, true, false, false, true},
      {"custom handler", true, true, oiCustom, Handler::records, false, false, true, false, true},
      {"custom without handler", true, true, oiCustom, Handler::none, false, true, false, false, true},
      {"custom handler throws", true, true, oiCustom, Handler::throws, false, false, true, true, true},
  };
  for (const LoadedCase& c : cases) {
    SCOPED_TRACE(c.name);
    lock = FakeInstanceLock{};
    lock.running = c.otherCopyRuns;
    activator = FakeWindowActivator{};
    messages.clear();
    TOneInstance guard(lock, activator);
    guard.setEnabled(c.enabled);
    guard.setMode(c.mode);
    std::vector<TOneInstance*> senders;
    if (c.handler != Handler::none)
      guard.OnCustom = [&, throws = c.handler == Handler::throws](TOneInstance* sender) {
        senders.push_back(sender);
        if (throws) throw Exception("custom failed");
      };

    bool halted = false;
    try {
      guard.Loaded();
    } catch (const FakeInstanceLock::Halted& halt) {
      halted = true;
      EXPECT_EQ(halt.exitCode, 0);
    }

    EXPECT_EQ(halted, c.halted);
    EXPECT_EQ(!activator.activations.empty(), c.activated);
    if (c.activated) {
      EXPECT_EQ(activator.activations, std::vector<std::string>{kTitle});
    }
    EXPECT_EQ(!senders.empty(), c.customCalled);
    if (c.customCalled) {
      EXPECT_EQ(senders, std::vector<TOneInstance*>{&guard});
    }
    const bool anyBox = !messages.empty();
    EXPECT_EQ(anyBox, c.messageShown || c.errorReported);
    if (c.messageShown && anyBox) {
      EXPECT_EQ(messages[0].text, "\"Tovaleer Gr 45\" was already started...");
      EXPECT_EQ(messages[0].caption, "Information");
      EXPECT_EQ(messages[0].buttons, unsigned(mbOK));
    }
    if (c.errorReported && anyBox) {
      EXPECT_EQ(messages[0].text, "custom failed");
    }
  }
}

}  // namespace
}  // namespace tov::test
