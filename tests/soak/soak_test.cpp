// Long runs of the menu against the real program starter and the real sound device: what the
// menu holds (open files, child processes, memory) must not grow with use. A school computer
// runs the menu all day, and a slow leak there ends in a frozen classroom.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <sstream>

#include "audio/audio_test_support.h"
#include "mainmenu/menu_fixture.h"
#include "platform/posix/posix_process_starter.h"
#include "platform/sdl/sdl_audio.h"
#include "platform/sdl/sound_font.h"
#include "support/child_process.h"
#include "support/midi_file.h"
#include "support/processes.h"

// Present only when LeakSanitizer (part of AddressSanitizer) runs in this process.
extern "C" int __lsan_do_recoverable_leak_check() __attribute__((weak));

// AddressSanitizer keeps freed memory in its quarantine before reusing it, 256 MiB by default;
// filling that would look like growth of resident memory. A small one lets the same bound
// hold under it. Read by AddressSanitizer at start; unused in other builds.
extern "C" __attribute__((used, visibility("default"))) const char* __asan_default_options() {
  return "quarantine_size_mb=8";
}

namespace tov::test {
namespace {

namespace fs = std::filesystem;

struct ResourceUse {
  std::size_t openFiles = 0;
  std::size_t children = 0;  // running or ended and not yet reaped
  std::size_t residentKiB = 0;
};

std::size_t childProcessCount() { return childrenOf(::getpid()).size(); }

ResourceUse resourceUse() {
  ResourceUse use;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator("/proc/self/fd")) ++use.openFiles;
  --use.openFiles;  // the iterator's own descriptor
  use.children = childProcessCount();
  std::istringstream statm(readFile("/proc/self/statm"));
  std::size_t sizePages = 0, residentPages = 0;
  statm >> sizePages >> residentPages;
  use.residentKiB = residentPages * std::size_t(::sysconf(_SC_PAGESIZE)) / 1024;
  return use;
}

std::string describe(const ResourceUse& use) {
  return std::to_string(use.openFiles) + " open files, " + std::to_string(use.children) +
         " child processes, " + std::to_string(use.residentKiB) + " KiB resident";
}

bool underLeakSanitizer() { return &__lsan_do_recoverable_leak_check != nullptr; }

// Memory may settle during the first rounds (caches filled, the allocator's pools grown);
// after that the bound holds over all the rest.
constexpr std::size_t kResidentGrowthBoundKiB = 4096;

void expectNoGrowth(const ResourceUse& settled, const ResourceUse& end) {
  std::printf("settled: %s\nat the end: %s\n", describe(settled).c_str(), describe(end).c_str());
  EXPECT_LE(end.openFiles, settled.openFiles);
  EXPECT_EQ(end.children, 0u);
  EXPECT_LE(end.residentKiB, settled.residentKiB + kResidentGrowthBoundKiB);
}

void expectNoLeak() {
  if (underLeakSanitizer()) {
    EXPECT_EQ(__lsan_do_recoverable_leak_check(), 0) << "see the leak report above";
  }
}

// ---- 500 activities in a row ----

constexpr int kLaunches = 500;
constexpr int kSettlingLaunches = 20;

class LaunchSoak : public MenuTest {
 protected:
  void SetUp() override {
    MenuTest::SetUp();
    fs::create_directories(folder / "OPSIE1");
    fs::copy_file(TOVALEER_STANDIN, folder / "OPSIE1" / "opsie1.exe");
    logPath_ = (folder / "standin.log").string();
    fs::create_directory(folder / "runtime");
    fs::permissions(folder / "runtime", fs::perms::owner_all);  // Qt's demand of a runtime folder
  }

  RecordingForm& readyMenu() {
    writeFrames({"m1.jpg", "m10a.jpg"});
    Platform services = platform.services();
    services.processes = &processes_;
    form = std::make_unique<RecordingForm>(services);
    form->Show();
    EXPECT_TRUE(serveUntil([&] { return form->currentFrame == 1; }, 5000));
    form->animatetimer.setEnabled(false);
    form->language = 1;
    form->pupilName = "LERATO DLAMINI";
    return *form;
  }

  std::size_t loggedStarts() const {
    const std::string log = readFile(logPath_);
    return std::size_t(std::count(log.begin(), log.end(), '\n'));
  }

  posix::PosixProcessStarter processes_;
  std::string logPath_;
  // The stand-in runs without a screen and ends as soon as its window is up; 500 times over,
  // its warnings about the missing screen would bury whatever a failure prints.
  ScopedEnvironment offscreen_{"QT_QPA_PLATFORM", "offscreen"};
  ScopedEnvironment doneAtOnce_{"TOVALEER_STANDIN_DONE_AFTER_MS", "0"};
  ScopedEnvironment quiet_{"QT_LOGGING_RULES", "default.warning=false"};
};

TEST_F(LaunchSoak, FiveHundredActivitiesInARowLeaveNothingBehind) {
  ScopedEnvironment log("TOVALEER_STANDIN_LOG", logPath_.c_str());
  ScopedEnvironment runtime("XDG_RUNTIME_DIR", (folder / "runtime").c_str());
  RecordingForm& menu = readyMenu();
  ResourceUse settled;
  std::size_t mostChildren = 0;
  for (int launch = 1; launch <= kLaunches; ++launch) {
    menu.LaunchActivity("OPSIE1/opsie1.exe");
    ASSERT_TRUE(menu.Minimized()) << "launch " << launch << " did not start";
    mostChildren = std::max(mostChildren, childProcessCount());
    ASSERT_TRUE(serveUntil([&] { return !menu.activityRunning; }, 15000)) << "launch " << launch << " never came back";
    ASSERT_FALSE(menu.Minimized());
    if (launch == kSettlingLaunches) settled = resourceUse();
  }
  EXPECT_EQ(loggedStarts(), std::size_t(kLaunches)) << "not every launch ran the stand-in";
  EXPECT_LE(mostChildren, 1u) << "an ended activity stayed a child of the menu";
  EXPECT_TRUE(messageTexts().empty());
  expectNoGrowth(settled, resourceUse());
  form.reset();
  expectNoLeak();
}

// ---- 200 pieces of music ----

constexpr int kPieces = 200;
constexpr int kSettlingPieces = 20;

// A clock that moves on by a prime number of milliseconds at every reading, so that the
// random choice of the next piece wanders over the whole list.
class MovingClockForm : public RecordingForm {
 public:
  using RecordingForm::RecordingForm;

 protected:
  std::uint32_t timeOfDayMs() const override { return now_ += 7919; }

 private:
  mutable std::uint32_t now_ = 0;
};

// The real music player, counting the pieces it opened and how each ended.
class CountingMusic : public IMusicPlayer {
 public:
  explicit CountingMusic(IMusicPlayer& real) : real_(real) {}
  void open(const std::string& path) override {
    real_.open(path);
    ++opened;
  }
  bool isOpen() const override { return real_.isOpen(); }
  void close() override { real_.close(); }
  void rewind() override { real_.rewind(); }
  void play() override { real_.play(); }
  void setNotifyHandler(std::function<void(MusicNotifyKind)> handler) override {
    real_.setNotifyHandler([this, handler = std::move(handler)](MusicNotifyKind kind) {
      if (kind == MusicNotifyKind::Successful) ++endedWhole;
      if (handler) handler(kind);
    });
  }
  int opened = 0;
  int endedWhole = 0;

 private:
  IMusicPlayer& real_;
};

class MusicSoak : public MenuTest {
 protected:
  // Short pieces, each a little different, so that every one is a new file to the player.
  void writePieces() {
    fs::create_directories(folder / "Music");
    ASSERT_TRUE(test::writeFile((folder / "Music" / kSelectionTune).string(), midiFile(risingNotes(2, 30))));
    for (int piece = 0; piece < kPieces; ++piece) {
      char name[32];
      std::snprintf(name, sizeof name, "piece-%03d.mid", piece);
      const std::vector<MidiNote> notes{{48 + piece % 36, 0, 20 + piece % 7 * 5}};
      ASSERT_TRUE(test::writeFile((folder / "Music" / name).string(), midiFile(notes, piece % 128)));
    }
  }

  DiskAudio disk_;  // before the device: it sets SDL's environment
  ScopedEnvironment defaultSoundFont_{sdl::kSoundFontVariable, nullptr};
};

TEST_F(MusicSoak, TwoHundredPiecesInARowLeaveNothingBehind) {
  writePieces();
  writeFrames({"m1.jpg"});
  {
    SdlAudio audio;
    CountingMusic music(audio.music());
    Platform services = platform.services();
    services.music = &music;
    form = std::make_unique<MovingClockForm>(services);
    form->Show();
    ASSERT_TRUE(serveUntil([&] { return form->currentFrame == 1; }, 5000));
    form->animatetimer.setEnabled(false);

    ResourceUse settled;
    ASSERT_TRUE(serveUntil([&] { return music.endedWhole >= kSettlingPieces; }, 60000));
    settled = resourceUse();
    ASSERT_TRUE(serveUntil([&] { return music.endedWhole >= kPieces; }, 300000))
        << "only " << music.endedWhole << " pieces were played to their end";
    EXPECT_GE(music.opened, kPieces);
    EXPECT_TRUE(messageTexts().empty());
    expectNoGrowth(settled, resourceUse());
    form.reset();
  }
  expectNoLeak();
}

}  // namespace
}  // namespace tov::test
