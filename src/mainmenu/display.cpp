// Switching the display to the menu's 800 x 600 and giving the earlier mode back.
#include "mainmenu/files.h"
#include "mainmenu/mainform.h"
#include "platform/file_names.h"
#include "ui/application.h"

namespace tov {

bool TForm1::DisplaySwitchAllowed() {
  // At creation programFolder is still empty, so the bare name resolves in the working
  // directory: the folder that activation then takes as the program folder.
  const std::string fileName = resolveFileName(programFolder + "displaysettings.txt");
  if (!fileExists(fileName)) return true;
  return readFirstLine(fileName).find("SET=YES") != std::string::npos;
}

bool TForm1::TrySetDisplayMode(int width, int height, int bits) {
  startMode = platform_.display->currentCaps();
  if (startMode.width == width && startMode.height == height) {
    if (startMode.bitsPerPixel < 16)
      Application::messageDlg(kColourDepthMessage, MsgDlgType::mtWarning, mbOK);
    return true;
  }
  modeList.clear();
  savedModeIndex = -1;
  int found = -1;
  DisplayMode current;
  const bool currentHeld = platform_.display->currentMode(current);
  DisplayMode mode;
  for (std::uint32_t number = 0; platform_.display->enumMode(number, mode); ++number) {
    modeList.push_back(mode);
    // The present refresh rate is kept; the last match in the system's order wins.
    if (std::int32_t(mode.frequency) == startMode.refresh && std::int32_t(mode.width) == width &&
        std::int32_t(mode.height) == height && std::int32_t(mode.bitsPerPel) == bits &&
        mode.orientation == 0)
      found = int(number);
  }
  if (currentHeld) {
    modeList.push_back(current);
    savedModeIndex = int(modeList.size());
  }
  if (found < 0) return false;
  ApplyDisplayMode(modeList[std::size_t(found)]);
  return true;
}

bool TForm1::ApplyDisplayMode(const DisplayMode& mode) {
  const DisplayMode copy = mode;
  const bool changed = platform_.display->changeMode(copy);
  platform_.display->broadcastDisplayChange();
  return changed;
}

void TForm1::RestoreDisplayMode() {
  const DeviceCaps now = platform_.display->currentCaps();
  if (now != startMode && savedModeIndex > 0 && !modeList.empty() &&
      std::size_t(savedModeIndex) <= modeList.size())
    ApplyDisplayMode(modeList[std::size_t(savedModeIndex) - 1]);
  modeList.clear();
}

}  // namespace tov
