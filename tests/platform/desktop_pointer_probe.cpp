// Takes the mouse hand over through a desktop's own setting as the menu does there, says
// "swapped" and runs the event loop, as the menu does, until SIGTERM. That gives it back the
// menu's way (the pointer's destruction) and says "given back"; a SIGKILL leaves it to the
// guardian.
//
//   desktop_pointer_probe sway|kde|wayland
//
// wayland: the pointer service of a Wayland session whose desktop has no setting of its own
// (weston, cage), which exchanges the buttons of Xwayland's X programs where there is one.
#include <QCoreApplication>

#include <cstdio>
#include <cstring>
#include <memory>

#include "platform/kde/kde_pointer.h"
#include "platform/posix/termination_watch.h"
#include "platform/sway/sway_pointer.h"
#include "platform/wayland/wayland_platform.h"
#include "platform/guardian/posix/desktop_guardian.h"
#include "ui/qt/qt_event_loop.h"

namespace {
// Swaps, says so, and returns once SIGTERM comes.
void swapUntilTerminated(tov::IPointer& pointer) {
  tov::posix::PosixTerminationWatch termination;
  termination.watch([] { QCoreApplication::quit(); });
  pointer.setButtonsSwapped(true);
  std::printf("swapped %s\n", pointer.buttonsSwapped() ? "true" : "false");
  std::fflush(stdout);
  QCoreApplication::exec();
}
}  // namespace

int main(int argc, char** argv) {
  QCoreApplication application(argc, argv);
  tov::qt::InstalledQtEventLoop loop;
  const bool sway = argc == 2 && std::strcmp(argv[1], "sway") == 0;
  const bool kde = argc == 2 && std::strcmp(argv[1], "kde") == 0;
  const bool wayland = argc == 2 && std::strcmp(argv[1], "wayland") == 0;
  if (!sway && !kde && !wayland) {
    std::fprintf(stderr, "usage: desktop_pointer_probe sway|kde|wayland\n");
    return 2;
  }
  if (wayland) {
    tov::WaylandPlatform platform({60}, 800, 600, argv[0], tov::wayland::Desktop::Other);
    // The menu's own end exchanges the buttons back before the services go.
    swapUntilTerminated(*platform.services().pointer);
    platform.services().pointer->setButtonsSwapped(false);
    std::printf("given back\n");
    return 0;
  }
  // Made first, so that it goes last: the pointer records its give-back with it.
  tov::guardian::DesktopGuardian guardian(std::string(), tov::guardian::DesktopGuardian::besideThisProgram());
  std::unique_ptr<tov::IPointer> pointer;
  if (sway) pointer = tov::sway::SwayPointer::open(&guardian);
  if (kde) pointer = tov::kde::KdePointer::open(&guardian);
  if (!pointer) {
    std::fprintf(stderr, "the desktop offers no pointer setting\n");
    return 3;
  }
  swapUntilTerminated(*pointer);
  pointer.reset();
  std::printf("given back\n");
  return 0;
}
