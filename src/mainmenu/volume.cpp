// The mute picture: the system's volume control, with the menu out of the way meanwhile.
#include "mainmenu/files.h"
#include "mainmenu/mainform.h"
#include "ui/application.h"

namespace tov {

namespace {
std::string withSlash(std::string folder) {
  if (folder.empty() || folder.back() != '/') folder += '/';
  return folder;
}
}  // namespace

void TForm1::wireVolumeEvents() {
  mutebtn.OnClick = [this](TControl*) { mutebtnClick(); };
  volstarter.OnFinished = [this](TStarter*) { volstarterFinished(); };
  // A volume control that fails to start must not leave the menu minimised for good.
  volstarter.OnError = [this](TStarter*) { volstarterFinished(); };
}

void TForm1::mutebtnClick() {
  const std::string inWindowsFolder = withSlash(sysinfo.WinPath()) + kVolumeControlProgram;
  const std::string inSystemFolder = withSlash(sysinfo.WinSysPath()) + kVolumeControlProgram;
  std::string path;
  if (fileExists(inWindowsFolder)) {
    path = inWindowsFolder;
  } else if (fileExists(inSystemFolder)) {
    path = inSystemFolder;
  } else {
    Application::messageDlg(kVolumeControlMissingMessage, MsgDlgType::mtWarning, mbOK);
    return;
  }
  if (volumeControlRunning) {
    Application::messageDlg(kVolumeControlRunningMessage, MsgDlgType::mtInformation, mbOK);
    return;
  }
  Minimize();
  volumeControlRunning = true;
  volstarter.setCommand(path);
  volstarter.Execute();
}

void TForm1::volstarterFinished() {
  volumeControlRunning = false;
  if (Minimized()) Restore();
}

}  // namespace tov
