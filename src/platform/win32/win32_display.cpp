#include "platform/win32/win32_display.h"

#include "platform/guardian/undo_recorder.h"

namespace tov::win32 {

namespace {

// Mode numbers stay below this; readings of the mode in force are numbered above it.
constexpr std::uint64_t kCurrentReadings = std::uint64_t(1) << 32;
constexpr WPARAM kDisplayChangeWParam = 42;
// Per window, and only for one whose thread does not answer.
constexpr UINT kBroadcastTimeoutMs = 2000;

DEVMODEW emptyDevMode() {
  DEVMODEW devMode{};
  devMode.dmSize = sizeof devMode;
  return devMode;
}

DisplayMode displayModeOf(const DEVMODEW& devMode, std::uint64_t nativeId) {
  DisplayMode mode;
  mode.width = devMode.dmPelsWidth;
  mode.height = devMode.dmPelsHeight;
  mode.bitsPerPel = devMode.dmBitsPerPel;
  mode.frequency = devMode.dmDisplayFrequency;
  mode.orientation = std::int32_t(devMode.dmDisplayOrientation);
  mode.nativeId = nativeId;
  return mode;
}

// A mode the system did not hand out (a test's, or one whose record is gone): the fields
// DisplayMode has, and only those, are asked for.
DEVMODEW devModeOf(const DisplayMode& mode) {
  DEVMODEW devMode = emptyDevMode();
  devMode.dmPelsWidth = mode.width;
  devMode.dmPelsHeight = mode.height;
  devMode.dmBitsPerPel = mode.bitsPerPel;
  devMode.dmDisplayFrequency = mode.frequency;
  devMode.dmDisplayOrientation = DWORD(mode.orientation);
  devMode.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT | DM_BITSPERPEL | DM_DISPLAYFREQUENCY | DM_DISPLAYORIENTATION;
  return devMode;
}

guardian::DisplaySettingsChanged settingsOf(const DEVMODEW& devMode) {
  return {devMode.dmPelsWidth, devMode.dmPelsHeight, devMode.dmBitsPerPel, devMode.dmDisplayFrequency,
          devMode.dmDisplayOrientation};
}

}  // namespace

DeviceCaps Win32Display::currentCaps() {
  DeviceCaps caps;
  HDC screen = GetDC(nullptr);
  if (!screen) return caps;
  caps.refresh = GetDeviceCaps(screen, VREFRESH);
  caps.width = GetDeviceCaps(screen, HORZRES);
  caps.height = GetDeviceCaps(screen, VERTRES);
  caps.bitsPerPixel = GetDeviceCaps(screen, BITSPIXEL);
  ReleaseDC(nullptr, screen);
  return caps;
}

DisplayMode Win32Display::remember(const DEVMODEW& devMode, std::uint64_t nativeId) {
  handedOut_[nativeId] = devMode;
  return displayModeOf(devMode, nativeId);
}

bool Win32Display::currentMode(DisplayMode& mode) {
  DEVMODEW devMode = emptyDevMode();
  if (!EnumDisplaySettingsW(nullptr, ENUM_CURRENT_SETTINGS, &devMode)) return false;
  mode = remember(devMode, kCurrentReadings + ++currentReadings_);
  return true;
}

bool Win32Display::enumMode(std::uint32_t index, DisplayMode& mode) {
  DEVMODEW devMode = emptyDevMode();
  if (!EnumDisplaySettingsW(nullptr, index, &devMode)) return false;
  mode = remember(devMode, std::uint64_t(index) + 1);
  return true;
}

bool Win32Display::changeMode(const DisplayMode& mode) {
  const auto found = handedOut_.find(mode.nativeId);
  // Changed fields make it another mode than the one the system described.
  DEVMODEW devMode = found != handedOut_.end() && displayModeOf(found->second, mode.nativeId) == mode
                         ? found->second
                         : devModeOf(mode);
  if (guardian_) recordSwitchStarting(devMode);
  if (ChangeDisplaySettingsExW(nullptr, &devMode, nullptr, CDS_UPDATEREGISTRY, nullptr) != DISP_CHANGE_SUCCESSFUL)
    return false;
  if (guardian_) recordSwitchMade(devMode);
  return true;
}

// The mode in force before the first switch, unless the switch asks for that very mode.
void Win32Display::recordSwitchStarting(const DEVMODEW& wanted) {
  if (savedForGuardian_) return;
  DEVMODEW now = emptyDevMode();
  if (!EnumDisplaySettingsW(nullptr, ENUM_CURRENT_SETTINGS, &now) || settingsOf(now) == settingsOf(wanted)) return;
  savedForGuardian_ = settingsOf(now);
  guardian_->record(*savedForGuardian_);
}

// Only a switch that has been made can give the first mode back.
void Win32Display::recordSwitchMade(const DEVMODEW& made) {
  if (!savedForGuardian_ || !(*savedForGuardian_ == settingsOf(made))) return;
  savedForGuardian_.reset();
  guardian_->record(guardian::ModeRestored{});
}

void Win32Display::broadcastDisplayChange() {
  DWORD_PTR ignored = 0;
  SendMessageTimeoutW(HWND_BROADCAST, WM_DISPLAYCHANGE, kDisplayChangeWParam, 0, SMTO_ABORTIFHUNG,
                      kBroadcastTimeoutMs, &ignored);
}

ScreenArea Win32Display::primaryOutputArea() {
  // The primary display's top left corner is the origin of the screen's coordinates.
  return ScreenArea{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

}  // namespace tov::win32
