#include "platform/guardian/win32/desktop_restorer.h"

#include "platform/errors.h"

#include <windows.h>

namespace tov::guardian {

namespace {

DEVMODEW modeInForce() {
  DEVMODEW devMode{};
  devMode.dmSize = sizeof devMode;
  if (!EnumDisplaySettingsW(nullptr, ENUM_CURRENT_SETTINGS, &devMode)) devMode.dmPelsWidth = 0;
  return devMode;
}

// A frequency of 0 or 1 stands for the display's own default, which any frequency matches.
bool inForce(const DisplaySettingsChanged& saved, const DEVMODEW& now) {
  return now.dmPelsWidth == saved.width && now.dmPelsHeight == saved.height && now.dmBitsPerPel == saved.bitsPerPel &&
         now.dmDisplayOrientation == saved.orientation &&
         (saved.frequency <= 1 || now.dmDisplayFrequency == saved.frequency);
}

void giveBackMode(const DisplaySettingsChanged& saved, std::vector<std::string>& said) {
  if (inForce(saved, modeInForce())) return;
  DEVMODEW devMode{};
  devMode.dmSize = sizeof devMode;
  devMode.dmPelsWidth = saved.width;
  devMode.dmPelsHeight = saved.height;
  devMode.dmBitsPerPel = saved.bitsPerPel;
  devMode.dmDisplayOrientation = saved.orientation;
  devMode.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT | DM_BITSPERPEL | DM_DISPLAYORIENTATION;
  if (saved.frequency > 1) {
    devMode.dmDisplayFrequency = saved.frequency;
    devMode.dmFields |= DM_DISPLAYFREQUENCY;
  }
  const std::string size = std::to_string(saved.width) + "x" + std::to_string(saved.height);
  const bool set =
      ChangeDisplaySettingsExW(nullptr, &devMode, nullptr, CDS_UPDATEREGISTRY, nullptr) == DISP_CHANGE_SUCCESSFUL;
  said.push_back(formatError(set ? ErrorCode::GuardianModeGivenBack : ErrorCode::GuardianModeNotGivenBack, size));
}

// The shell's taskbar and every monitor's own, whichever the menu hid: the guardian cannot
// tell them from ones hidden otherwise, and the desktop had them all shown.
void showTaskbars(std::vector<std::string>& said) {
  std::size_t shown = 0;
  const auto show = [&](HWND taskbar) {
    if (IsWindowVisible(taskbar)) return;
    ShowWindow(taskbar, SW_SHOW);
    ++shown;
  };
  if (HWND primary = FindWindowW(L"Shell_TrayWnd", nullptr)) show(primary);
  for (HWND secondary = nullptr; (secondary = FindWindowExW(nullptr, secondary, L"Shell_SecondaryTrayWnd", nullptr));)
    show(secondary);
  if (shown > 0) said.push_back(formatError(ErrorCode::GuardianDocksGivenBack, std::to_string(shown)));
}

// Windows records the buttons as a mapping too: 1 first for buttons found normal.
void giveBackButtons(const std::vector<std::uint8_t>& original, std::vector<std::string>& said) {
  const bool wereSwapped = !original.empty() && original.front() != 1;
  if ((GetSystemMetrics(SM_SWAPBUTTON) != 0) == wereSwapped) return;
  // As the menu sets them: for this session, nothing written to the user's profile.
  const bool set = SystemParametersInfoW(SPI_SETMOUSEBUTTONSWAP, wereSwapped ? TRUE : FALSE, nullptr, 0);
  said.push_back(errorText(set ? ErrorCode::GuardianPointerGivenBack : ErrorCode::GuardianPointerNotGivenBack));
}

}  // namespace

std::vector<std::string> giveBackDesktop(const Outstanding& outstanding) {
  std::vector<std::string> said;
  if (outstanding.displaySettings) giveBackMode(*outstanding.displaySettings, said);
  if (outstanding.taskbarsHidden) showTaskbars(said);
  if (outstanding.pointer) giveBackButtons(*outstanding.pointer, said);
  return said;
}

}  // namespace tov::guardian
