// KDE's mouse hand: each pointer device's leftHanded through KWin's input-device interface,
// here a stand-in for KWin (fake_kwin) on a private session bus, since KWin cannot run
// headless with input devices. desktop_pointer_probe takes the hand over as the menu does;
// its end gives it back, and after a SIGKILL the guardian does; a mouse plugged in after the
// choice takes the hand too, and comes back with the others.
#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>
#include <sstream>

#include "support/child_process.h"
#include "support/real_menu.h"

namespace tov::test {
namespace {

namespace fs = std::filesystem;

constexpr int kGenerousMs = 20000;

std::vector<std::string> linesOf(const std::string& path) {
  std::vector<std::string> lines;
  std::istringstream in(readFile(path));
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

bool hasLine(const std::string& path, const std::string& wanted) {
  for (const std::string& line : linesOf(path))
    if (line == wanted) return true;
  return false;
}

class KdePointer : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = folderForThisTest("tovaleer-kde");
    fs::remove_all(folder_);
    fs::create_directories(folder_);
    std::string why;
    ChildProcessOptions options;
    options.argv = {"dbus-daemon", "--session", "--nofork", "--print-address=1"};
    options.outputPath = (folder_ / "bus.log").string();
    bus_ = ChildProcess::spawn(options, &why);
    ASSERT_TRUE(bus_) << why;
    ASSERT_TRUE(pollUntil([&] {
      for (const std::string& line : linesOf(options.outputPath))
        if (line.starts_with("unix:")) address_ = line;
      return !address_.empty();
    }, kGenerousMs)) << readFile(options.outputPath);
  }
  void TearDown() override {
    probe_.reset();
    kwin_.reset();
    bus_.reset();
    fs::remove_all(folder_);
  }

  std::unique_ptr<ChildProcess> start(const std::vector<std::string>& argv, const std::string& log) {
    std::string why;
    ChildProcessOptions options;
    options.argv = argv;
    options.environment = environmentWith({"DBUS_SESSION_BUS_ADDRESS=" + address_});
    options.outputPath = log;
    auto child = ChildProcess::spawn(options, &why);
    EXPECT_TRUE(child) << why;
    return child;
  }
  std::string kwinLog() const { return (folder_ / "kwin.log").string(); }
  std::string probeLog() const { return (folder_ / "probe.log").string(); }

  fs::path folder_;
  std::string address_;
  std::unique_ptr<ChildProcess> bus_, kwin_, probe_;
};

TEST_F(KdePointer, ThePointerTurnsLeftHandedTheKeyboardIsLeftAloneAndEveryEndGivesItBack) {
  struct Case {
    bool before;
    int signal;
    bool plugged;  // a right-handed mouse, event7, plugged in after the choice
  };
  for (const Case c : {Case{false, SIGTERM, true}, Case{true, SIGTERM, false}, Case{false, SIGKILL, true}}) {
    SCOPED_TRACE(std::string("left-handed before: ") + (c.before ? "yes" : "no") + ", ended by " +
                 (c.signal == SIGKILL ? "SIGKILL" : "SIGTERM") + (c.plugged ? ", a mouse plugged in" : ""));
    fs::remove(kwinLog());
    fs::remove(probeLog());
    // A keyboard with a pointing stick says it supports the setting too; it is no pointer.
    kwin_ = start({kBuildDir + "/fake_kwin", std::string("event5:1:1:") + (c.before ? "1" : "0"), "event3:0:1:0",
                   "+event7:1:1:0"},
                  kwinLog());
    ASSERT_TRUE(kwin_);
    ASSERT_TRUE(pollUntil([&] { return hasLine(kwinLog(), "ready"); }, kGenerousMs)) << readFile(kwinLog());
    probe_ = start({kBuildDir + "/desktop_pointer_probe", "kde"}, probeLog());
    ASSERT_TRUE(probe_);
    ASSERT_TRUE(pollUntil([&] { return hasLine(probeLog(), "swapped true"); }, kGenerousMs)) << readFile(probeLog());
    std::vector<std::string> swapped = c.before ? std::vector<std::string>{"ready"}
                                                : std::vector<std::string>{"ready", "set event5 true"};
    EXPECT_EQ(linesOf(kwinLog()), swapped);
    if (c.plugged) {
      ASSERT_EQ(::kill(kwin_->pid(), SIGUSR1), 0);
      swapped.insert(swapped.end(), {"announced event7", "set event7 true"});
      EXPECT_TRUE(pollUntil([&] { return linesOf(kwinLog()) == swapped; }, kGenerousMs)) << readFile(kwinLog());
    }

    ASSERT_EQ(::kill(probe_->pid(), c.signal), 0);
    EXPECT_TRUE(probe_->wait(kGenerousMs).has_value());
    std::vector<std::string> givenBack = swapped;
    if (!c.before) givenBack.push_back("set event5 false");
    if (c.plugged) givenBack.push_back("set event7 false");
    EXPECT_TRUE(pollUntil([&] { return linesOf(kwinLog()) == givenBack; }, kGenerousMs)) << readFile(kwinLog());
    if (c.signal == SIGKILL) {
      // The guardian says so once gdbus has returned, a moment after the setting arrived.
      EXPECT_TRUE(pollUntil([&] {
        return readFile(probeLog()).find("org.kde.KWin.InputDevice event5 false again") != std::string::npos;
      }, kGenerousMs)) << readFile(probeLog());
    }
    probe_.reset();
    kwin_.reset();
  }
}

}  // namespace
}  // namespace tov::test
