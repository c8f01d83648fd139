// TStarter with real child processes (and, where the platform's answer must be forced, with
// the test double): the order of its events, the failures with the system's message box, the
// watch for the end, Wait, the explore folder and the automatic start.

#include "components/starter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "components/appsupport.h"
#include "doubles/fake_process.h"
#include "platform/errors.h"
#include "platform/posix/posix_process_starter.h"
#include "starter/starter_testing.h"
#include "ui/application.h"

namespace tov {
namespace {

using Events = std::vector<std::string>;

class StarterTest : public ::testing::Test {
 protected:
  StarterTest() {
    previousBoxes_ = Application::setMessageHandler([this](const Application::MessageRequest& box) {
      boxes.push_back(box);
      return ModalResult::mrOk;
    });
  }
  ~StarterTest() override { Application::setMessageHandler(previousBoxes_); }

  void TearDown() override {
    processes.reset();
    EXPECT_EQ(test::zombieChildren(), std::vector<std::string>{});
  }

  // A starter on `on` whose events are written to `events`.
  std::unique_ptr<TStarter> recordingStarter(IProcessStarter& on, bool watchFinish = true) {
    auto starter = std::make_unique<TStarter>(on);
    starter->OnBeforeStart = [this](TStarter*) { events.push_back("before"); };
    starter->OnAfterStart = [this](TStarter*) { events.push_back("after"); };
    starter->OnError = [this](TStarter*) { events.push_back("error"); };
    if (watchFinish) starter->OnFinished = [this](TStarter*) { events.push_back("finished"); };
    return starter;
  }
  std::unique_ptr<TStarter> recordingStarter(bool watchFinish = true) {
    return recordingStarter(*processes, watchFinish);
  }

  bool finished() const { return !events.empty() && events.back() == "finished"; }
  TTimerPool& pool() { return support.TimerPool(); }

  TAppSupport support;  // first: it outlives every starter
  test::ScratchFolder scratch;
  std::unique_ptr<posix::PosixProcessStarter> processes = std::make_unique<posix::PosixProcessStarter>(
      posix::HelperPrograms{scratch.recorder("opener"), scratch.recorder("printer")});
  test::FakeProcessStarter fake;
  Events events;
  std::vector<Application::MessageRequest> boxes;

 private:
  Application::MessageHandler previousBoxes_;
};

TEST_F(StarterTest, StartsAnActivityWithItsLineAndReportsItsEnd) {
  const std::string suite = scratch.folder("the suite") + "/";
  scratch.folder("the suite/OPSIE1");
  const std::string activity = scratch.recorder("the suite/OPSIE1/opsie1.exe");
  auto starter = recordingStarter();
  starter->setCommand(suite + "/OPSIE1/opsie1.exe");  // the seam of two slashes, as the menu forms it
  starter->setParameters("\"*" + suite + "#\" \"*PUPIL ONE#\" \"*#\" \"*#\" \"*TRUE#\"");
  starter->setDefaultDir(suite);

  starter->Execute();
  EXPECT_EQ(events, (Events{"before", "after"}));
  EXPECT_EQ(pool().Count(), 2);  // the start-time check and the finish poll
  ASSERT_TRUE(test::serveEventsUntil([&] { return finished(); }, 10000));

  EXPECT_EQ(events, (Events{"before", "after", "finished"}));
  EXPECT_TRUE(boxes.empty());
  EXPECT_EQ(test::recordedArguments(activity),
            (std::vector<std::string>{"*" + suite + "#", "*PUPIL ONE#", "*#", "*#", "*TRUE#"}));
  EXPECT_EQ(test::recordedFolder(activity) + "/", suite);
  EXPECT_EQ(pool().Count(), 1);  // the poll is gone with the report
  test::serveEvents(1200);
  EXPECT_EQ(events.size(), 3u);  // reported once
}

struct FailureCase {
  const char* name;
  friend void PrintTo(const FailureCase& c, std::ostream* out) { *out << c.name; }
  std::string command;  // in the scratch folder
  std::string directory;
  int code;
};

class StarterFailures : public StarterTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(StarterFailures, ShowTheSystemBoxThenErrorThenAfterStartAndNeverFinish) {
  scratch.folder("menu");
  scratch.file("menu/not-a-program", "#!/bin/sh\n", 0644);
  scratch.recorder("menu/program");
  auto starter = recordingStarter();
  starter->setCommand(scratch / GetParam().command);
  if (!GetParam().directory.empty()) starter->setDefaultDir(scratch / GetParam().directory);
  starter->OnError = [&](TStarter*) {
    events.push_back("error");
    EXPECT_EQ(boxes.size(), 1u);  // the box comes first, as the shell shows it inside the call
  };

  starter->Execute();
  EXPECT_EQ(events, (Events{"before", "error", "after"}));
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].kind, MsgDlgType::mtError);
  EXPECT_EQ(boxes[0].text, processes->failureMessage(GetParam().code, scratch / GetParam().command));
  EXPECT_EQ(pool().Count(), 1);  // no finish poll
  test::serveEvents(700);
  EXPECT_EQ(events.size(), 3u);
}

INSTANTIATE_TEST_SUITE_P(
    Table, StarterFailures,
    ::testing::Values(FailureCase{"MissingProgram", "menu/missing.exe", "", 2},
                      FailureCase{"MissingFolder", "OPSIE9/opsie9.exe", "", 3},
                      FailureCase{"MissingWorkingFolder", "menu/program", "gone", 3},
                      FailureCase{"NotExecutable", "menu/not-a-program", "", 5}),
    [](const ::testing::TestParamInfo<FailureCase>& info) { return std::string(info.param.name); });

TEST_F(StarterTest, EveryWayOfEndingIsReported) {
  for (const char* body : {"exit 3", "kill -KILL $$"}) {
    events.clear();
    auto starter = recordingStarter();
    starter->setCommand(scratch.script("child", body));
    starter->Execute();
    EXPECT_TRUE(test::serveEventsUntil([&] { return finished(); }, 10000)) << body;
    EXPECT_EQ(pool().Count(), 1) << body;
  }
}

TEST_F(StarterTest, UnwatchedStartReportsNoEndAndLeavesNoZombie) {
  const std::string child = scratch.script("child", "echo $$ > \"$RECORD.pid\"");
  auto starter = recordingStarter(false);
  starter->setCommand(child);
  starter->Execute();
  EXPECT_EQ(events, (Events{"before", "after"}));
  EXPECT_EQ(pool().Count(), 1);
  ASSERT_TRUE(test::serveEventsUntil([&] { return !test::readText(child + ".pid").empty(); }, 10000));
  const std::string proc = "/proc/" + std::to_string(std::stoi(test::readText(child + ".pid")));
  EXPECT_TRUE(test::serveEventsUntil([&] { return !test::exists(proc); }, 10000));
  test::serveEvents(600);
  EXPECT_EQ(events, (Events{"before", "after"}));
}

TEST_F(StarterTest, WaitBlocksUntilTheEndAndFinishComesAtTheNextPoll) {
  const std::string child = scratch.script("child", "sleep 0.3; echo done > \"$RECORD.done\"");
  auto starter = recordingStarter();
  starter->setCommand(child);
  starter->setWait(true);
  starter->OnAfterStart = [&](TStarter*) {
    events.push_back("after");
    EXPECT_TRUE(test::exists(child + ".done"));  // the program has ended by now
  };
  const std::int64_t start = Application::tickCount();
  starter->Execute();
  EXPECT_GE(Application::tickCount() - start, 300);
  EXPECT_EQ(events, (Events{"before", "after"}));
  // The first poll comes within one interval and a base tick.
  EXPECT_TRUE(test::serveEventsUntil([&] { return finished(); }, 550 + 1000));
}

TEST_F(StarterTest, ExploreOpensTheFolderOfTheCommand) {
  struct Case {
    std::string command;
    std::string folder;
  };
  auto starter = recordingStarter(fake);
  starter->setStartOperation(TStarterOperation::smExplore);
  starter->setParameters("\"not passed\"");
  starter->setDefaultDir("/not/passed");
  for (const Case& c : {Case{"/games/run.exe", "/games/"}, Case{"run.exe", "/"}, Case{"/run.exe", "/"},
                        Case{"/games/", "/games/"}, Case{"", "/"}, Case{"a b/c d/run", "a b/c d/"}}) {
    starter->setCommand(c.command);
    starter->Execute();
    const test::FakeProcessStarter::Start& start = fake.starts.back();
    EXPECT_EQ(start.verb, ShellVerb::Explore);
    EXPECT_EQ(start.file, c.folder) << c.command;
    EXPECT_EQ(start.parameters, "");
    EXPECT_EQ(start.directory, "");
  }
}

TEST_F(StarterTest, VerbsAndShowCommandsReachThePlatform) {
  auto starter = recordingStarter(fake);
  starter->setCommand("/docs/letter.txt");
  struct Case {
    TStarterOperation operation;
    TStarterOptions option;
    ShellVerb verb;
    int show;
  };
  for (const Case& c : {Case{TStarterOperation::smPrint, TStarterOptions::soSW_HIDE, ShellVerb::Print, 0},
                        Case{TStarterOperation::smOpen, TStarterOptions::soSW_MAXIMIZE, ShellVerb::Open, 3},
                        Case{TStarterOperation::smOpen, TStarterOptions::soSW_SHOWMAXIMIZED, ShellVerb::Open, 3}}) {
    starter->setStartOperation(c.operation);
    starter->setStartOption(c.option);
    starter->Execute();
    EXPECT_EQ(fake.starts.back().verb, c.verb);
    EXPECT_EQ(fake.starts.back().showCommand, c.show);
    EXPECT_EQ(fake.starts.back().file, "/docs/letter.txt");
  }
}

TEST_F(StarterTest, DefaultsAreThoseOfANewComponent) {
  TStarter starter(fake);
  EXPECT_EQ(starter.StartOperation(), TStarterOperation::smOpen);
  EXPECT_EQ(starter.StartOption(), TStarterOptions::soSW_SHOW);
  EXPECT_EQ(starter.Command(), "");
  EXPECT_EQ(starter.Parameters(), "");
  EXPECT_EQ(starter.DefaultDir(), "");
  EXPECT_FALSE(starter.AutoStart());
  EXPECT_FALSE(starter.Wait());
  EXPECT_EQ(starter.StartTime().Year(), 1990);
  // Registered for the start-time check, and disabled.
  ASSERT_EQ(pool().Count(), 1);
  EXPECT_FALSE(pool().Item(0xFD01)->enabled);
  EXPECT_EQ(pool().Item(0xFD01)->interval, 1000u);
}

TEST_F(StarterTest, SuccessWithoutAProcessIsReportedAsEndedAtTheFirstPoll) {
  fake.failWith = kStartSucceeded;  // a document handed to a program that was already running
  auto starter = recordingStarter(fake);
  starter->setCommand("/docs/letter.txt");
  starter->Execute();
  EXPECT_EQ(events, (Events{"before", "after"}));
  EXPECT_TRUE(test::serveEventsUntil([&] { return finished(); }, 550 + 1000));
  EXPECT_EQ(fake.polls, 1);
}

TEST_F(StarterTest, ANewStartStopsWatchingTheOldProcess) {
  auto starter = recordingStarter(fake);
  starter->setCommand("/a");
  starter->Execute();
  const ProcessHandle first = fake.lastProcess();
  starter->Execute();
  EXPECT_EQ(pool().Count(), 2);  // one poll, not two
  EXPECT_EQ(fake.released, std::vector<ProcessHandle>{first});
  fake.finish(first);
  test::serveEvents(700);
  EXPECT_EQ(std::count(events.begin(), events.end(), "finished"), 0);
  fake.finishLast();
  EXPECT_TRUE(test::serveEventsUntil([&] { return finished(); }, 1500));
}

TEST_F(StarterTest, DestroyedStarterReportsNothingAndFreesItsRegistrations) {
  auto starter = recordingStarter(fake);
  starter->setCommand("/a");
  starter->Execute();
  const ProcessHandle process = fake.lastProcess();
  starter.reset();
  EXPECT_EQ(pool().Count(), 0);
  EXPECT_FALSE(pool().TimerActive());
  EXPECT_EQ(fake.released, std::vector<ProcessHandle>{process});
  fake.finish(process);
  test::serveEvents(700);
  EXPECT_EQ(events, (Events{"before", "after"}));
}

TEST_F(StarterTest, AnErrorInOnFinishedIsReportedAndTheServiceGoesOn) {
  auto starter = recordingStarter(fake);
  starter->OnFinished = [](TStarter*) { throw EReadError("broken handler"); };
  starter->setCommand("/a");
  starter->Execute();
  fake.finishLast();
  ASSERT_TRUE(test::serveEventsUntil([&] { return !boxes.empty(); }, 1500));
  EXPECT_EQ(boxes[0].text, "broken handler");
  EXPECT_EQ(pool().Count(), 1);
  // Ticking goes on: a second start is watched and reported.
  starter->OnFinished = [this](TStarter*) { events.push_back("finished"); };
  starter->Execute();
  fake.finishLast();
  EXPECT_TRUE(test::serveEventsUntil([&] { return finished(); }, 1500));
}

TEST_F(StarterTest, NoFreeSlotIsOutOfResources) {
  std::vector<std::uint16_t> taken;
  for (int i = 0; i < TTimerPool::kSlotCount - 1; ++i) taken.push_back(pool().Register(1000, [] {}));
  auto starter = recordingStarter(fake);  // the last slot
  try {
    TStarter another(fake);
    FAIL() << "a starter without a slot";
  } catch (const EOutOfResources& error) {
    EXPECT_STREQ(error.what(), "Not enough timers available");
  }
  // Started, but not watched: no OnAfterStart.
  starter->setCommand("/a");
  EXPECT_THROW(starter->Execute(), EOutOfResources);
  EXPECT_EQ(fake.starts.size(), 1u);
  EXPECT_EQ(events, (Events{"before"}));
  for (std::uint16_t id : taken) pool().Unregister(id);
}

TEST(StarterWithoutApplicationObject, IsOutOfResources) {
  test::FakeProcessStarter fake;
  EXPECT_THROW(TStarter starter(fake), EOutOfResources);
}

TEST_F(StarterTest, AutoStartRunsOnlyInTheVerySecondOfStartTime) {
  auto starter = recordingStarter(fake);
  starter->setCommand("/a");
  TDateTimeValue at;
  at.setYear(2024);
  at.setHour(8);
  at.setMinute(30);
  at.setSecond(15);
  starter->setStartTime(at);
  double now = at.Value() - 1.0 / 86400;  // the second before
  starter->Clock = [&] { return now; };

  starter->setAutoStart(true);
  EXPECT_TRUE(pool().Item(0xFD01)->enabled);
  test::serveEvents(1200);
  EXPECT_TRUE(fake.starts.empty());

  now = at.Value() + 0.999 / 86400;  // late in the very second: still a match
  EXPECT_TRUE(test::serveEventsUntil([&] { return !fake.starts.empty(); }, 3000));
  EXPECT_EQ(fake.starts.back().file, "/a");

  starter->setAutoStart(false);
  EXPECT_FALSE(pool().Item(0xFD01)->enabled);
  const std::size_t starts = fake.starts.size();
  test::serveEvents(1200);
  EXPECT_EQ(fake.starts.size(), starts);
}

}  // namespace
}  // namespace tov
