// The kiosk session as a login screen starts it: tovaleer-kiosk runs the menu alone in cage
// (its headless backend here), in the program folder the school has set, on Wayland with no
// X server, its window over the whole output; and the menu's end ends cage, and with it the
// session. (A picture of cage's headless output shows only its first frame on this machine,
// so the window's size is read from the menu's own protocol log, and what the output shows
// is seen on weston and mutter, where the same Wayland presentation is tested.)
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>

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
  // A session bus of its own, as a login session has: without one, a client that finds
  // cage's Xwayland would start a bus through it that outlives the test.
  options.argv = asSessionUser({"dbus-run-session", "--", kBuildDir + "/tovaleer-kiosk"});
  options.environment = environmentWith(
      {"XDG_RUNTIME_DIR=" + runtime.string(), "HOME=" + runtime.string(), "WLR_BACKENDS=headless",
       "WLR_RENDERER=pixman", "WLR_LIBINPUT_NO_DEVICES=1", "WAYLAND_DISPLAY=", "DISPLAY=", "QT_QPA_PLATFORM=",
       "TOVALEER_KIOSK_CONFIG=" + (folder / "kiosk-folder").string(), "SDL_AUDIODRIVER=dummy",
       "WAYLAND_DEBUG=client"});
  options.outputPath = (folder / "session.log").string();
  std::unique_ptr<ChildProcess> session = ChildProcess::spawn(options, &why);
  ASSERT_TRUE(session) << why;

  std::optional<ProcessStatus> menu;
  const bool started = WaylandSession::waitFor([&] {
    // dbus-run-session, then cage (tovaleer-kiosk execs it), then the menu.
    for (const ProcessStatus& child : childrenOf(session->pid()))
      for (const ProcessStatus& grandchild : childrenOf(child.pid))
        if (grandchild.name == "tovaleer") menu = grandchild;
    return menu && fs::exists(runtime / ("tovaleer@wayland-0.lock"));
  }, 30000);
  if (!started && !waylandTestsRequired())
    GTEST_SKIP() << "cage did not start the menu here\n" << readFile(options.outputPath);
  ASSERT_TRUE(started) << readFile(options.outputPath);
  EXPECT_EQ(fs::read_symlink("/proc/" + std::to_string(menu->pid) + "/cwd"), folder) << "not in the school's folder";
  const std::vector<std::string> environment = environmentOf(menu->pid);
  EXPECT_NE(std::find(environment.begin(), environment.end(), "WAYLAND_DISPLAY=wayland-0"), environment.end());
  // The window takes the output's whole mode: the output's current mode, then the window's
  // geometry as the menu sets it once cage has made it full screen.
  const std::regex currentMode(R"(wl_output@\d+\.mode\(1, (\d+), (\d+),)");
  std::string fullOutput;
  EXPECT_TRUE(WaylandSession::waitFor([&] {
    const std::string said = readFile(options.outputPath);
    std::smatch mode;
    if (!std::regex_search(said, mode, currentMode)) return false;
    fullOutput = "set_window_geometry(0, 0, " + mode[1].str() + ", " + mode[2].str() + ")";
    return said.find(fullOutput) != std::string::npos;
  }, 30000)) << "no " << fullOutput;

  // The pupil leaves the menu (here by SIGTERM, an orderly end): cage ends with it.
  ASSERT_EQ(::kill(menu->pid, SIGTERM), 0);
  EXPECT_TRUE(session->wait(20000).has_value()) << "cage outlived the menu";
  // The document portal the bus may have started lets go of its folder there once the bus
  // has gone.
  EXPECT_TRUE(WaylandSession::waitFor([&] {
    std::error_code error;
    fs::remove_all(folder, error);
    return !error;
  }, 20000)) << "the session left files behind in " << folder;
}

}  // namespace
}  // namespace tov::test
