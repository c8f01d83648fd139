// The tick service: slots and identifiers, interval rules, the phase of a first firing, the
// busy flag, errors in callbacks, and the platform timer it runs on.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "components/appsupport.h"
#include "platform/errors.h"
#include "starter/starter_testing.h"
#include "ui/application.h"

namespace tov {
namespace {

class TickServiceTest : public ::testing::Test {
 protected:
  TickServiceTest() {
    previousBoxes_ = Application::setMessageHandler([this](const Application::MessageRequest& box) {
      reported.push_back(box.text);
      if (whileBoxShows) whileBoxShows();
      return ModalResult::mrOk;
    });
  }
  ~TickServiceTest() override { Application::setMessageHandler(previousBoxes_); }

  void tick(int times) {
    for (int i = 0; i < times; ++i) pool.Tick();
  }

  TTimerPool pool;
  std::vector<std::string> reported;
  std::function<void()> whileBoxShows;

 private:
  Application::MessageHandler previousBoxes_;
};

TEST_F(TickServiceTest, SlotsGiveIdentifiersFromFD01ToFDFAThenNone) {
  for (int slot = 1; slot <= 250; ++slot) ASSERT_EQ(pool.Register(50, [] {}), 0xFD00 + slot);
  EXPECT_EQ(pool.Register(50, [] {}), 0);  // the 251st
  EXPECT_EQ(pool.Count(), 250);

  pool.Unregister(0xFD05);
  pool.Unregister(0xFD03);
  EXPECT_EQ(pool.Register(100, [] {}), 0xFD03);  // the lowest free slot
  EXPECT_EQ(pool.Register(100, [] {}), 0xFD05);
  EXPECT_EQ(pool.Register(100, [] {}), 0);
}

TEST_F(TickServiceTest, IntervalMustBeAMultipleOfTheBaseTick) {
  for (std::uint32_t interval : {0u, 1u, 49u, 75u, 1001u}) {
    try {
      pool.Register(interval, [] {});
      ADD_FAILURE() << interval << " was taken";
    } catch (const ETimerPoolError& error) {
      EXPECT_STREQ(error.what(), "Interval not compatible with MinInterval property!");
    }
  }
  EXPECT_EQ(pool.Count(), 0);
  const std::uint16_t id = pool.Register(1000, [] {});
  EXPECT_EQ(pool.Item(id)->tickInterval, 20u);

  // SetInterval: 0 is the base tick; a value that does not fit is ignored.
  pool.SetInterval(id, 75);
  EXPECT_EQ(pool.Item(id)->interval, 1000u);
  pool.SetInterval(id, 0);
  EXPECT_EQ(pool.Item(id)->interval, 50u);
  EXPECT_EQ(pool.Item(id)->tickInterval, 1u);
}

TEST_F(TickServiceTest, FirstFiringFollowsThePhaseOfTheTickCounter) {
  // Registered when the counter stands at 3, a 250 ms (5 tick) registration fires when the
  // counter is divisible by 5: two ticks later, then every five.
  tick(3);
  std::vector<std::int32_t> firedAt;
  pool.Register(250, [&] { firedAt.push_back(pool.TickCounter()); });
  tick(13);
  EXPECT_EQ(firedAt, (std::vector<std::int32_t>{5, 10, 15}));
}

TEST_F(TickServiceTest, CallsComeInTheOrderOfRegistration) {
  std::vector<int> order;
  const std::uint16_t first = pool.Register(50, [&] { order.push_back(1); });
  pool.Register(50, [&] { order.push_back(2); });
  pool.Unregister(first);
  pool.Register(50, [&] { order.push_back(3); });  // takes slot 1, but was added last
  tick(1);
  EXPECT_EQ(order, (std::vector<int>{2, 3}));
}

TEST_F(TickServiceTest, EnablingCountsAgainAndTheLimitDisables) {
  int calls = 0;
  const std::uint16_t id = pool.Register(50, [&] { ++calls; });
  pool.SetCallLimit(id, 3);
  tick(5);
  EXPECT_EQ(calls, 3);
  EXPECT_FALSE(pool.Item(id)->enabled);
  pool.Enable(id, true);
  EXPECT_EQ(pool.Item(id)->callCount, 0);
  tick(5);
  EXPECT_EQ(calls, 6);
}

TEST_F(TickServiceTest, RegistrationsMadeOrRemovedInATickAreSafe) {
  std::vector<std::string> calls;
  std::uint16_t first = 0, second = 0, added = 0;
  first = pool.Register(50, [&] {
    calls.push_back("first");
    pool.Unregister(first);   // itself
    pool.Unregister(second);  // one still to come in this tick
    added = pool.Register(50, [&] { calls.push_back("added"); });
  });
  second = pool.Register(50, [&] { calls.push_back("second"); });
  tick(1);
  EXPECT_EQ(calls, std::vector<std::string>{"first"});  // nothing fires in the tick it was made in
  tick(1);
  EXPECT_EQ(calls, (std::vector<std::string>{"first", "added"}));
  EXPECT_EQ(pool.Count(), 1);
  EXPECT_EQ(added, 0xFD01);
}

TEST_F(TickServiceTest, ErrorsAreReportedAndTheOthersAndLaterTicksGoOn) {
  int after = 0;
  pool.Register(50, [] { throw EReadError("bad frame"); });
  pool.Register(50, [&] { ++after; });
  tick(2);
  EXPECT_EQ(reported, (std::vector<std::string>{"bad frame", "bad frame"}));
  EXPECT_EQ(after, 2);
  EXPECT_EQ(pool.TickCounter(), 2);
  EXPECT_FALSE(pool.Busy());
}

TEST_F(TickServiceTest, TicksThatComeWhileATickRunsAreDropped) {
  // A callback shows a modal box; the platform timer goes on inside its event loop.
  int boxes = 0, others = 0;
  pool.Register(50, [&] {
    ++boxes;
    Application::messageDlg("question", MsgDlgType::mtConfirmation, mbOK);
  });
  pool.Register(50, [&] { ++others; });
  whileBoxShows = [&] {
    EXPECT_TRUE(pool.Busy());
    test::serveEvents(300);
  };
  const std::int32_t before = pool.TickCounter();
  pool.Tick();
  EXPECT_EQ(boxes, 1);
  EXPECT_EQ(others, 1);
  EXPECT_EQ(pool.TickCounter(), before + 1);
}

TEST_F(TickServiceTest, PlatformTimerRunsWhileRegistrationsExist) {
  EXPECT_FALSE(pool.TimerActive());
  int calls = 0;
  const std::uint16_t id = pool.Register(100, [&] { ++calls; });
  EXPECT_TRUE(pool.TimerActive());
  EXPECT_TRUE(test::serveEventsUntil([&] { return calls >= 3; }, 3000));
  pool.Enable(id, false);
  EXPECT_TRUE(pool.TimerActive());  // disabling does not stop it
  const int disabledAt = calls;
  test::serveEvents(300);
  EXPECT_EQ(calls, disabledAt);
  pool.Unregister(id);
  EXPECT_FALSE(pool.TimerActive());
}

}  // namespace
}  // namespace tov
