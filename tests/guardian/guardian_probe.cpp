// Takes the desktop over through X11Platform as the menu does (docks hidden, 800 x 600,
// buttons exchanged), says "taken" and runs until it is ended. SIGTERM gives everything
// back the menu's way and ends cleanly; any other end is the guardian's business.
//
//   guardian_probe [--child] [--keep-mode] [--launch-early]
//     --child         also starts a program that outlives the probe, as an activity would
//     --keep-mode     no display switch: panels then have no reason to rebuild themselves, so
//                     only the guardian can bring the hidden ones back
//     --launch-early  starts the guardian before the first change, as the menu does
#include "platform/x11/x11_platform.h"

#include <QCoreApplication>

#include "ui/qt/qt_event_loop.h"

#include <spawn.h>

#include <cstdio>
#include <cstring>

extern char** environ;

namespace {

tov::DisplayMode modeOf(tov::IDisplay& display, std::uint32_t width, std::uint32_t height) {
  const tov::DeviceCaps caps = display.currentCaps();
  tov::DisplayMode found, mode;
  for (std::uint32_t i = 0; display.enumMode(i, mode); ++i)
    if (mode.width == width && mode.height == height &&
        std::int32_t(mode.frequency) == caps.refresh)
      found = mode;
  return found;
}

void startOutlivingChild() {
  char sleepName[] = "sleep", seconds[] = "600";
  char* argv[] = {sleepName, seconds, nullptr};
  pid_t child = 0;
  posix_spawnp(&child, "sleep", nullptr, nullptr, argv, environ);
  std::printf("child %d\n", int(child));
}

}  // namespace

bool given(int argc, char** argv, const char* option) {
  for (int i = 1; i < argc; ++i)
    if (std::strcmp(argv[i], option) == 0) return true;
  return false;
}

int main(int argc, char** argv) {
  QCoreApplication application(argc, argv);
  tov::qt::InstalledQtEventLoop loop;
  std::string error;
  auto x11 = tov::X11Platform::open(&error);
  if (!x11) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 2;
  }
  tov::Platform platform = x11->services();
  if (given(argc, argv, "--launch-early")) x11->launchGuardian();
  const tov::TaskbarHandle taskbar = platform.taskbar->find();
  platform.taskbar->hide(taskbar);
  tov::DisplayMode saved;
  const bool savedHeld = platform.display->currentMode(saved);
  const tov::DisplayMode small = modeOf(*platform.display, 800, 600);
  const bool switched = !given(argc, argv, "--keep-mode") && small.nativeId != 0 &&
                        platform.display->changeMode(small);
  platform.pointer->setButtonsSwapped(true);
  if (given(argc, argv, "--child")) startOutlivingChild();
  std::printf("taken%s\n", switched ? "" : " (no display switch)");
  std::fflush(stdout);

  platform.termination->watch([&] {
    platform.pointer->setButtonsSwapped(false);
    platform.taskbar->show(taskbar);
    if (switched && savedHeld) platform.display->changeMode(saved);
    QCoreApplication::exit(0);
  });
  return application.exec();
}
