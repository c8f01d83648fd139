// The program entry on Windows: the windowing layer and its event loop on the thread's
// message loop, the application title, the system's services, the main form, and the loop
// until the form has closed; the form's destruction gives the desktop back whichever way the
// loop ends. The sounds, the music (the system's MCI sequencer) and the mixer are the
// system's own, with the services.
#include <windows.h>
#include <objbase.h>

#include <exception>
#include <string>

#include "components/appsupport.h"
#include "imaging/graphic.h"
#include "imaging/pngreader.h"
#include "mainmenu/mainform.h"
#include "platform/guardian/win32/desktop_guardian.h"
#include "platform/win32/folders.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/win32_music_player.h"
#include "platform/win32/win32_platform.h"
#include "ui/application.h"
#include "ui/win32/win32_backend.h"

namespace {

// The main form, whose closing ends the program, as the last window closed ends it where the
// toolkit does that itself.
class MenuForm : public tov::TForm1 {
 public:
  using TForm1::TForm1;
  void closed() override {
    TForm1::closed();
    tov::Application::terminate();
  }
};

// The program file's own path: a second copy finds the first by its file name, however
// either was started.
std::string programPath() {
  const std::wstring path = tov::win32::thisProgramFile();
  return path.empty() ? "tovaleer.exe" : tov::win32::toUtf8(path);
}

// Serves the loop until WM_QUIT, which a modal loop may meet first; it notes it. An error
// that leaves a handler is reported as the layer reports its own handlers' errors, and the
// program goes on.
int runUntilQuit(tov::win32::Win32EventLoop& loop) {
  while (!loop.quitRequested()) {
    try {
      loop.processEvents(true);
    } catch (const std::exception& error) {
      tov::Application::handleException(error);
    }
  }
  return loop.quitCode();
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  // The shell's start of programs and the pictures' decoder are COM's, on this thread.
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  int exitCode = 0;
  {
    tov::win32::InstalledWin32Backend backend;
    tov::Application::setTitle(tov::kApplicationTitle);
    tov::registerBuiltInGraphicKinds();

    // Outlives the services, which record their last give-backs as they go.
    tov::guardian::DesktopGuardian guardian(tov::guardian::DesktopGuardian::besideThisProgram());
    // The single-instance mutex is taken here, before any form, and held until the process ends.
    tov::win32::Win32Platform services(programPath(), &guardian);
    tov::Platform platform = services.services();
    // Started at once, beside the program's own start, by the copy that holds the mutex.
    if (!platform.instanceLock->alreadyRunning()) guardian.launch();
    tov::win32::Win32MusicPlayer music;
    platform.music = &music;
    // The tick service that watches started programs lives as long as the program.
    tov::TAppSupport appSupport;

    MenuForm form(platform);
    platform.termination->watch([&form] {
      form.Close();
      tov::Application::terminate();
    });
    form.Show();
    // A later copy of the program finds this window by the application title.
    platform.windowActivator->markMainWindow(form.NativeId(), tov::Application::title());
    exitCode = runUntilQuit(backend.loop());
  }
  tov::unregisterPngPicture();
  if (SUCCEEDED(com)) CoUninitialize();
  return exitCode;
}
