// The mute picture and the volume control it starts.
#include "mainmenu/menu_fixture.h"

namespace tov::test {
namespace {

class VolumeTest : public MenuTest {
 protected:
  RecordingForm& menuWithFolders(bool inWindowsFolder, bool inSystemFolder) {
    writeFrames({"m1.jpg"});
    if (inWindowsFolder) writeFile("bin/pavucontrol", "#!/bin/sh\n");
    if (inSystemFolder) writeFile("localbin/pavucontrol", "#!/bin/sh\n");
    RecordingForm& menu = createForm();
    menu.sysinfo = TSysInfo((folder / "bin").string(), (folder / "localbin").string() + "/");
    menu.Show();
    EXPECT_TRUE(serveUntil([&] { return menu.currentFrame == 1; }, 2000));
    return menu;
  }
};

TEST_F(VolumeTest, TheSearchOrderAndTheMessages) {
  const struct {
    bool inWindowsFolder, inSystemFolder;
    const char* started;  // relative to the program folder; null: nothing started
    const char* message;
  } cases[] = {
      {true, true, "bin/pavucontrol", nullptr},
      {false, true, "localbin/pavucontrol", nullptr},
      {false, false, nullptr, kVolumeControlMissingMessage},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.started ? c.started : "none");
    RecordingForm& menu = menuWithFolders(c.inWindowsFolder, c.inSystemFolder);
    platform.processes.starts.clear();
    messages.clear();
    menu.mutebtnClick();
    if (c.started) {
      ASSERT_EQ(platform.processes.starts.size(), 1u);
      EXPECT_EQ(platform.processes.starts[0].file, menu.programFolder + c.started);
      EXPECT_TRUE(platform.processes.starts[0].parameters.empty());
      EXPECT_TRUE(menu.Minimized());
      EXPECT_TRUE(menu.volumeControlRunning);
    } else {
      EXPECT_TRUE(platform.processes.starts.empty());
      ASSERT_EQ(messages.size(), 1u);
      EXPECT_EQ(messages[0].text, c.message);
      EXPECT_EQ(messages[0].caption, "Warning");
      EXPECT_FALSE(menu.Minimized());
    }
    form.reset();
    std::filesystem::remove_all(folder / "bin");
    std::filesystem::remove_all(folder / "localbin");
  }
}

// Where the system has several volume controls (Windows: sndvol32.exe, else sndvol.exe), a
// name is looked for in both folders before the next name.
TEST_F(VolumeTest, TheFirstNameFoundInEitherFolderIsStarted) {
  const std::vector<std::string> names = {"sndvol32.exe", "sndvol.exe"};
  const struct {
    std::vector<const char*> files;  // relative to the program folder
    const char* started;             // null: nothing started
  } cases[] = {
      {{"windows/sndvol.exe", "system/sndvol32.exe"}, "system/sndvol32.exe"},
      {{"windows/sndvol32.exe", "system/sndvol32.exe"}, "windows/sndvol32.exe"},
      {{"system/sndvol.exe"}, "system/sndvol.exe"},
      {{"system/pavucontrol"}, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.started ? c.started : "none");
    writeFrames({"m1.jpg"});
    for (const char* file : c.files) writeFile(file, "MZ");
    RecordingForm& menu = createForm();
    menu.sysinfo = TSysInfo((folder / "windows").string() + "/", (folder / "system").string(), names);
    menu.Show();
    ASSERT_TRUE(serveUntil([&] { return menu.currentFrame == 1; }, 2000));
    messages.clear();
    menu.mutebtnClick();
    if (c.started) {
      ASSERT_EQ(platform.processes.starts.size(), 1u);
      EXPECT_EQ(platform.processes.starts[0].file, menu.programFolder + c.started);
    } else {
      EXPECT_TRUE(platform.processes.starts.empty());
      ASSERT_EQ(messages.size(), 1u);
      EXPECT_EQ(messages[0].text, kVolumeControlMissingMessage);
    }
    form.reset();
    platform.processes.starts.clear();
    std::filesystem::remove_all(folder / "windows");
    std::filesystem::remove_all(folder / "system");
  }
}

TEST_F(VolumeTest, RestoredWhenItEndsAndOnlyOneAtATime) {
  RecordingForm& menu = menuWithFolders(true, false);
  menu.mutebtnClick();
  menu.Restore();  // brought back by other means while it runs
  menu.mutebtnClick();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].text, kVolumeControlRunningMessage);
  EXPECT_EQ(messages[0].caption, "Information");
  EXPECT_EQ(platform.processes.starts.size(), 1u);
  menu.Minimize();
  platform.processes.finishLast();
  ASSERT_TRUE(serveUntil([&] { return !menu.volumeControlRunning; }, 3000));
  EXPECT_FALSE(menu.Minimized());
}

TEST_F(VolumeTest, AFailedStartRestoresTheMenu) {
  RecordingForm& menu = menuWithFolders(true, false);
  platform.processes.failWith = 5;
  menu.mutebtnClick();
  EXPECT_FALSE(menu.volumeControlRunning);
  EXPECT_FALSE(menu.Minimized());
}

}  // namespace
}  // namespace tov::test
