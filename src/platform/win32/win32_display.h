#pragma once
// Display modes of the primary display through the system's own calls: EnumDisplaySettingsW
// for the mode in force (ENUM_CURRENT_SETTINGS) and the modes by number, ChangeDisplaySettingsExW
// with CDS_UPDATEREGISTRY (the mode is also stored as the user's setting, as the menu has
// always done), GetDeviceCaps of the screen for what the screen runs at.
//
// A mode handed out is kept whole as the system gave it (DEVMODEW, with the flags and fields
// that DisplayMode has no place for), so that changeMode() gives the system back exactly
// what it described, the mode read before the first switch included: the system does not
// give a mode back when the program ends (Wine keeps a mode left set as the saved one).

#include <windows.h>

#include <map>
#include <optional>

#include "platform/display.h"
#include "platform/guardian/undo_record.h"

namespace tov::guardian {
class IUndoRecorder;
}

namespace tov::win32 {

class Win32Display : public IDisplay {
 public:
  // guardian (may be null) is told the mode in force before the first switch, and when that
  // mode has been set again.
  explicit Win32Display(guardian::IUndoRecorder* guardian = nullptr) : guardian_(guardian) {}

  DeviceCaps currentCaps() override;
  bool currentMode(DisplayMode& mode) override;
  bool enumMode(std::uint32_t index, DisplayMode& mode) override;
  bool changeMode(const DisplayMode& mode) override;
  // WM_DISPLAYCHANGE to every top-level window, wParam 42. Through SendMessageTimeoutW: a
  // window whose thread does not answer (a hung program) is passed over after a while
  // instead of holding the menu, which waits for every other window as SendMessageW would.
  void broadcastDisplayChange() override;
  ScreenArea primaryOutputArea() override;

 private:
  DisplayMode remember(const DEVMODEW& devMode, std::uint64_t nativeId);
  void recordSwitchStarting(const DEVMODEW& wanted);
  void recordSwitchMade(const DEVMODEW& made);

  guardian::IUndoRecorder* guardian_;
  // The mode the guardian would set again, while one is outstanding.
  std::optional<guardian::DisplaySettingsChanged> savedForGuardian_;

  // The modes handed out, by their nativeId: the mode numbers from 1 up for enumerated ones,
  // from kCurrentReadings up for readings of the mode in force.
  std::map<std::uint64_t, DEVMODEW> handedOut_;
  std::uint64_t currentReadings_ = 0;
};

}  // namespace tov::win32
