// The program entry: the desktop's services, the application object with its title, the
// main form, the message loop; the form's destruction gives the desktop back whichever way
// the loop ends.
#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/desktop_session.h"
#include "imaging/graphic.h"
#include "imaging/pngreader.h"
#include "components/appsupport.h"
#include "mainmenu/mainform.h"
#include "platform/alsa/alsa_mixer.h"
#include "platform/posix/large_blocks.h"
#include "platform/posix/posix_process_starter.h"
#include "platform/sdl/sdl_audio.h"
#include "platform/wayland/wayland_platform.h"
#include "platform/x11/x11_instance_services.h"
#include "platform/x11/x11_platform.h"
#include "ui/application.h"
#include "ui/form.h"
#include "ui/font_setup.h"
#include "ui/mirrored_buttons.h"
#include "ui/qt/qt_backend.h"

namespace {

// The menu's form is laid out for a display of this size.
constexpr int kFormWidth = 800;
constexpr int kFormHeight = 600;

// Where the desktop lets no program exchange the mouse buttons for everyone, a left-handed
// pupil gets them exchanged in the menu's own windows, and the programs it starts get what
// the session's pointer service gives them (Xwayland's mapping, where there is one).
class OwnWindowsPointer : public tov::IPointer {
 public:
  explicit OwnWindowsPointer(tov::IPointer& programs) : programs_(programs) {}
  void setButtonsSwapped(bool swapped) override {
    programs_.setButtonsSwapped(swapped);
    buttons_.setMirrored(swapped);
  }
  bool buttonsSwapped() override { return buttons_.mirrored(); }

 private:
  tov::IPointer& programs_;
  tov::MirroredMouseButtons buttons_;
};

// The desktop's services, of the session the menu runs in.
struct DesktopServices {
  std::unique_ptr<tov::X11Platform> x11;
  std::unique_ptr<tov::X11InstanceServices> x11Instance;
  std::unique_ptr<tov::WaylandPlatform> wayland;
  std::unique_ptr<OwnWindowsPointer> ownWindowsPointer;
  tov::Platform platform;
};

// Decided before the application object exists, since Qt takes its platform then. A
// Wayland session whose compositor does not answer still has its X display, where there
// is one.
std::optional<tov::wayland::OutputRate> chooseSession() {
  std::optional<tov::wayland::OutputRate> output;
  if (tov::chooseDesktopSession(std::getenv) == tov::DesktopSession::Wayland) {
    std::string error;
    output = tov::wayland::firstOutputRate(nullptr, &error);
    if (!output) std::fprintf(stderr, "tovaleer: %s\n", error.c_str());
  }
  // Qt must draw where the services work.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", output ? "wayland" : "xcb");
  return output;
}

bool openServices(const std::optional<tov::wayland::OutputRate>& waylandOutput, const char* programPath,
                  DesktopServices& services) {
  if (waylandOutput) {
    using tov::wayland::Desktop;
    const Desktop desktop = tov::isGnomeDesktop(std::getenv) ? Desktop::Gnome
                            : tov::isKdeDesktop(std::getenv) ? Desktop::Kde
                            : tov::isSwayDesktop(std::getenv) ? Desktop::Sway
                                                              : Desktop::Other;
    services.wayland =
        std::make_unique<tov::WaylandPlatform>(*waylandOutput, kFormWidth, kFormHeight, programPath, desktop);
    services.wayland->setWindowRaiser(tov::Application::raiseWindow);
    services.platform = services.wayland->services();
    if (!services.wayland->desktopExchangesButtons()) {
      services.ownWindowsPointer = std::make_unique<OwnWindowsPointer>(*services.platform.pointer);
      services.platform.pointer = services.ownWindowsPointer.get();
    }
    return true;
  }
  std::string error;
  services.x11 = tov::X11Platform::open(&error);
  if (!services.x11) {
    std::fprintf(stderr, "tovaleer: %s\n", error.c_str());
    return false;
  }
  // The single-instance lock is taken here, before any form, and held until the process ends.
  services.x11Instance = std::make_unique<tov::X11InstanceServices>(services.x11->connection(), programPath);
  services.platform = services.x11->services();
  services.x11Instance->addTo(services.platform);
  // The guardian starts beside the rest of the start-up; a second copy changes nothing and
  // needs none.
  if (!services.platform.instanceLock->alreadyRunning()) services.x11->launchGuardian();
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  // A frame the pupil has left goes back to the system, not into the heap.
  tov::posix::releaseLargeBlocksWhenFreed();
  // The programs the menu starts get the environment it was started with: taken before the
  // platform below, which is for the menu's own windows only.
  std::vector<std::string> startEnvironment = tov::posix::currentEnvironment();
  // One form pixel is one screen pixel: the forms are laid out in pixels. Only in a Wayland
  // session, where the compositor keeps its mode, is each form drawn scaled to the size
  // the compositor gives its full-screen window, on whichever output that is.
  qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
  const std::optional<tov::wayland::OutputRate> waylandOutput = chooseSession();
  // Read beside the application's own set-up, not before the first frame.
  tov::BackgroundFontSetUp fonts;
  QApplication app(argc, argv);
  tov::qt::InstalledQtBackend backend;
  tov::TForm::scaleToWindow(waylandOutput.has_value());
  tov::Application::setTitle(tov::kApplicationTitle);
  tov::registerBuiltInGraphicKinds();

  DesktopServices desktop;
  if (!openServices(waylandOutput, argc > 0 ? argv[0] : "", desktop)) return 1;
  tov::Platform& platform = desktop.platform;
  // Without an audio device the program goes on silently; the music says why when it opens.
  tov::SdlAudio audio;
  audio.addTo(platform);
  tov::posix::PosixProcessStarter processes({}, {}, std::move(startEnvironment));
  platform.processes = &processes;
  // Without a sound card the mixer stays closed; nothing in the menu depends on it.
  tov::AlsaMixerSystem mixer;
  platform.mixer = &mixer;
  // The tick service that watches started programs lives as long as the program.
  tov::TAppSupport appSupport;

  int exitCode = 0;
  {
    tov::TForm1 form(platform);
    platform.termination->watch([&form] {
      form.Close();
      tov::Application::terminate();
    });
    form.Show();
    // A later copy of the program finds this window by the application title. Marked once
    // shown: a native window made earlier changes how Qt activates the form and its boxes.
    platform.windowActivator->markMainWindow(form.NativeId(), tov::Application::title());
    exitCode = QApplication::exec();
    // The watch outlives the form: a request that comes while the form goes, or after, finds
    // nothing to close, and the program is ending anyway.
    platform.termination->watch({});
  }
  tov::unregisterPngPicture();
  return exitCode;
}
