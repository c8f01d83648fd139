// The kiosk session as a login screen starts it: tovaleer-kiosk runs the menu alone in cage
// (its headless backend here), in the program folder the school has set, on Wayland with no
// X server; and the menu's end ends cage, and with it the session. (cage's headless output
// presents no frame after the first on this machine, so what the output shows is seen on
// weston and mutter, where the same Wayland presentation is tested.)
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "support/processes.h"
#include "support/real_menu.h"
#include "support/wayland_session.h"

namespace tov::test {
namespace {

namespace fs = std::filesystem;


// The NAME=value entries of a process's environment.
std::vector<std::string> environmentOf(pid_t pid) {
  std::vector<std::string> entries;
  std::ifstream in("/proc/" + std::to_string(pid) + "/environ", std::ios::binary);
  for (std::string entry; std::getline(in, entry, '\0');) entries.push_back(entry);
  return entries;
}

TEST(KioskSession, TheMenuRunsAloneInCageInTheSchoolsFolderAndItsEndEndsTheSession) {
  const fs::path folder = folderForThisTest("tovaleer-kiosk");
  copyDemoFolder(folder);
  const fs::path runtime = folder / "runtime";
  fs::create_directory(runtime);
  fs::permissions(runtime, fs::perms::owner_all);
  ASSERT_TRUE(giveToSessionUser(runtime.string()));
  std::ofstream(folder / "kiosk-folder") << folder.string() << "\n";
  std::string why;
  ChildProcessOptions options;
  options.argv = asSessionUser({kBuildDir + "/tovaleer-kiosk"});
  options.environment = environmentWith(
      {"XDG_RUNTIME_DIR=" + runtime.string(), "HOME=" + runtime.string(), "WLR_BACKENDS=headless",
       "WLR_RENDERER=pixman", "WLR_LIBINPUT_NO_DEVICES=1", "WAYLAND_DISPLAY=", "DISPLAY=", "QT_QPA_PLATFORM=",
       "TOVALEER_KIOSK_CONFIG=" + (folder / "kiosk-folder").string(), "SDL_AUDIODRIVER=dummy"});
  options.outputPath = (folder / "session.log").string();
  std::unique_ptr<ChildProcess> cage = ChildProcess::spawn(options, &why);
  ASSERT_TRUE(cage) << why;

  std::optional<ProcessStatus> menu;
  const bool started = WaylandSession::waitFor([&] {
    for (const ProcessStatus& child : childrenOf(cage->pid()))
      if (child.name == "tovaleer") menu = child;
    return menu && fs::exists(runtime / ("tovaleer@wayland-0.lock"));
  }, 30000);
  if (!started && !waylandTestsRequired())
    GTEST_SKIP() << "cage did not start the menu here\n" << readFile(options.outputPath);
  ASSERT_TRUE(started) << readFile(options.outputPath);
  EXPECT_EQ(fs::read_symlink("/proc/" + std::to_string(menu->pid) + "/cwd"), folder) << "not in the school's folder";
  const std::vector<std::string> environment = environmentOf(menu->pid);
  EXPECT_NE(std::find(environment.begin(), environment.end(), "WAYLAND_DISPLAY=wayland-0"), environment.end());

  // The pupil leaves the menu (here by SIGTERM, an orderly end): cage ends with it.
  ASSERT_EQ(::kill(menu->pid, SIGTERM), 0);
  EXPECT_TRUE(cage->wait(20000).has_value()) << "cage outlived the menu";
  fs::remove_all(folder);
}

}  // namespace
}  // namespace tov::test
