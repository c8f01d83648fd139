// The mute picture: the system's volume control, with the menu out of the way meanwhile.
#include "mainmenu/files.h"
#include "mainmenu/mainform.h"
#include "ui/application.h"

namespace tov {

namespace {

// The system's folders end in its own separator already; one given without is joined with "/",
// which every system reads.
std::string withSeparator(std::string folder) {
  if (folder.empty() || (folder.back() != '/' && folder.back() != '\\')) folder += '/';
  return folder;
}

// The first name found, each in the Windows folder and then the system folder; empty when none is.
std::string findVolumeControl(const TSysInfo& sysinfo) {
  for (const std::string& name : sysinfo.VolumeControlPrograms()) {
    for (const std::string& folder : {sysinfo.WinPath(), sysinfo.WinSysPath()}) {
      const std::string path = withSeparator(folder) + name;
      if (fileExists(path)) return path;
    }
  }
  return {};
}

}  // namespace

void TForm1::wireVolumeEvents() {
  mutebtn.OnClick = [this](TControl*) { mutebtnClick(); };
  volstarter.OnFinished = [this](TStarter*) { volstarterFinished(); };
  // A volume control that fails to start must not leave the menu minimised for good.
  volstarter.OnError = [this](TStarter*) { volstarterFinished(); };
}

void TForm1::mutebtnClick() {
  const std::string path = findVolumeControl(sysinfo);
  if (path.empty()) {
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
