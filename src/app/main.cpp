// The program entry: the application object with its title, the main form, the message
// loop; the form's destruction gives the desktop back whichever way the loop ends.
#include <QApplication>
#include <cstdio>

#include "imaging/graphic.h"
#include "imaging/pngreader.h"
#include "components/appsupport.h"
#include "mainmenu/mainform.h"
#include "platform/alsa/alsa_mixer.h"
#include "platform/posix/posix_process_starter.h"
#include "platform/sdl/sdl_audio.h"
#include "platform/x11/x11_instance_services.h"
#include "platform/x11/x11_platform.h"
#include "ui/application.h"

int main(int argc, char** argv) {
  // One form pixel is one screen pixel: the forms are laid out in pixels.
  qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
  QApplication app(argc, argv);
  tov::Application::setTitle(tov::kApplicationTitle);
  tov::registerBuiltInGraphicKinds();

  std::string error;
  std::unique_ptr<tov::X11Platform> x11 = tov::X11Platform::open(&error);
  if (!x11) {
    std::fprintf(stderr, "tovaleer: %s\n", error.c_str());
    return 1;
  }
  // The single-instance lock is taken here, before any form, and held until the process ends.
  tov::X11InstanceServices instance(x11->connection(), argc > 0 ? argv[0] : "");
  // Without an audio device the program goes on silently; the music says why when it opens.
  tov::SdlAudio audio;
  tov::Platform platform = x11->services();
  audio.addTo(platform);
  instance.addTo(platform);
  tov::posix::PosixProcessStarter processes;
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
      QCoreApplication::exit(0);
    });
    form.show();
    // A later copy of the program finds this window by the application title. Marked once
    // shown: a native window made earlier changes how Qt activates the form and its boxes.
    platform.windowActivator->markMainWindow(form.winId(), tov::Application::title());
    exitCode = QApplication::exec();
  }
  tov::unregisterPngPicture();
  return exitCode;
}
