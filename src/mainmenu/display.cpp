// Switching the display to the menu's 800 x 600 and giving the earlier mode back.
#include <cstdlib>

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
  return switchDisplayMode(width, height, bits, RateChoice::Present);
}

bool TForm1::TrySetDisplayModeAtNearestRate(int width, int height, int bits) {
  return switchDisplayMode(width, height, bits, RateChoice::Nearest);
}

namespace {
bool hasSizeAndDepth(const DisplayMode& mode, int width, int height, int bits) {
  return std::int32_t(mode.width) == width && std::int32_t(mode.height) == height &&
         std::int32_t(mode.bitsPerPel) == bits && mode.orientation == 0;
}

std::int64_t rateDistance(const DisplayMode& mode, std::int32_t refresh) {
  return std::abs(std::int64_t(mode.frequency) - refresh);
}

// Of two rates equally far from the present one the higher wins: the display was set to run
// fast, and offers this rate. Of equal rates the later mode wins, as for the present rate.
bool atLeastAsNear(const DisplayMode& candidate, const DisplayMode& best, std::int32_t refresh) {
  const std::int64_t candidateDistance = rateDistance(candidate, refresh);
  const std::int64_t bestDistance = rateDistance(best, refresh);
  return candidateDistance < bestDistance ||
         (candidateDistance == bestDistance && candidate.frequency >= best.frequency);
}
}  // namespace

bool TForm1::switchDisplayMode(int width, int height, int bits, RateChoice rateChoice) {
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
    if (!hasSizeAndDepth(mode, width, height, bits)) continue;
    const bool wanted = rateChoice == RateChoice::Present
                            ? std::int32_t(mode.frequency) == startMode.refresh
                            : found < 0 || atLeastAsNear(mode, modeList[std::size_t(found)], startMode.refresh);
    if (wanted) found = int(number);  // the last match in the system's order wins
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
