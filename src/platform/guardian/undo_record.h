#pragma once
// What the menu tells its desktop guardian: one text line per record, sent before each change
// of the desktop that must be undone ("record the undo before changing global state") and
// after each piece has been given back. The guardian keeps what is outstanding and, when the
// menu is gone, undoes that. Plain C++ for every system: both processes and the tests share
// it. The mode, docks and pointer records hold what an X server needs to put them back; the
// settings those of the desktops (GNOME, sway, KWin) on top of it or of a compositor.
//
//   mode CRTC MODE ROTATION X Y WIDTH HEIGHT WIDTH_MM HEIGHT_MM OUTPUT...
//   mode-restored
//   dock WINDOW          dock-gone WINDOW          docks-shown
//   pointer BUTTON...    pointer-restored
//   setting SCHEMA KEY VALUE                  setting-restored SCHEMA KEY
//     (SCHEMA also names sway's and KWin's pointer settings, see SettingChanged)
//   display-settings WIDTH HEIGHT BITS FREQUENCY ORIENTATION    (Windows; mode-restored)
//   taskbars-hidden      taskbars-shown                          (Windows)
//   clean
//
// Numbers are decimal, fields are separated by one space, each line ends with "\n".

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace tov::guardian {

using XId = std::uint32_t;  // X resource ids have their top three bits clear

// How the primary output's CRTC and the screen stood before the menu's first switch: all
// that XRRSetCrtcConfig and XRRSetScreenSize need to put them back.
struct SavedCrtc {
  XId crtc = 0;
  XId mode = 0;
  std::uint16_t rotation = 1;  // RandR's rotation and reflection bits
  std::int32_t x = 0;
  std::int32_t y = 0;
  std::uint32_t screenWidth = 0;
  std::uint32_t screenHeight = 0;
  std::uint32_t screenWidthMm = 0;
  std::uint32_t screenHeightMm = 0;
  std::vector<XId> outputs;
  bool operator==(const SavedCrtc&) const = default;
};

struct ModeChanged {
  SavedCrtc saved;
  bool operator==(const ModeChanged&) const = default;
};
struct ModeRestored {
  bool operator==(const ModeRestored&) const = default;
};
struct DockHidden {
  XId window = 0;
  bool operator==(const DockHidden&) const = default;
};
struct DockGone {
  XId window = 0;
  bool operator==(const DockGone&) const = default;
};
struct DocksShown {
  bool operator==(const DocksShown&) const = default;
};
// The whole mapping as the menu found it before it first exchanged the buttons.
struct PointerChanged {
  std::vector<std::uint8_t> original;
  bool operator==(const PointerChanged&) const = default;
};
struct PointerRestored {
  bool operator==(const PointerRestored&) const = default;
};
// A desktop setting (GSettings: SCHEMA KEY) as the menu found it before it first changed
// it, in GSettings' own text of the value ("false", "'mouse'"). Schema and key are names of
// letters, digits, '.', '-' and '_'; the value a boolean or a quoted word. Two schemas name
// settings that are not GSettings' (the guardian gives each back with a command of its own):
//   kSwayInput, key "left_handed": sway's left_handed of its mice and touchpads, a boolean;
//   kKWinInputDevice, key a device's sysName: KWin's leftHanded of that device, a boolean.
struct SettingChanged {
  std::string schema;
  std::string key;
  std::string original;
  bool operator==(const SettingChanged&) const = default;
};
constexpr std::string_view kSwayInput = "sway.input";
constexpr std::string_view kSwayLeftHanded = "left_handed";
// The sway command that makes every mouse and touchpad, present and to come, left-handed or
// not: the menu's and the guardian's alike.
std::string swayLeftHandedCommand(bool leftHanded);
constexpr std::string_view kKWinInputDevice = "org.kde.KWin.InputDevice";
struct SettingRestored {
  std::string schema;
  std::string key;
  bool operator==(const SettingRestored&) const = default;
};
// Windows: the primary display's mode as the menu found it before its first switch, as
// ChangeDisplaySettingsExW takes it again (orientation: DMDO_DEFAULT 0 to DMDO_270 3). Given
// back with ModeRestored. On Windows the buttons are recorded as PointerChanged too: the
// mapping 1 2 3 for buttons found normal.
struct DisplaySettingsChanged {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::uint32_t bitsPerPel = 0;
  std::uint32_t frequency = 0;
  std::uint32_t orientation = 0;
  bool operator==(const DisplaySettingsChanged&) const = default;
};
// Windows: the taskbars (Shell_TrayWnd and each monitor's Shell_SecondaryTrayWnd), which the
// guardian finds by their classes, hidden and shown again.
struct TaskbarsHidden {
  bool operator==(const TaskbarsHidden&) const = default;
};
struct TaskbarsShown {
  bool operator==(const TaskbarsShown&) const = default;
};
// The menu ends and has given everything back itself.
struct CleanEnd {
  bool operator==(const CleanEnd&) const = default;
};

using UndoRecord = std::variant<ModeChanged, ModeRestored, DockHidden, DockGone, DocksShown,
                                PointerChanged, PointerRestored, SettingChanged, SettingRestored,
                                DisplaySettingsChanged, TaskbarsHidden, TaskbarsShown, CleanEnd>;

// Limits that every record keeps; a line beyond them is refused as a whole.
constexpr std::size_t kMaxLineLength = 2048;
constexpr std::size_t kMaxOutputs = 64;
constexpr std::size_t kMaxButtons = 255;  // the core protocol's limit
constexpr XId kMaxXId = 0x1FFFFFFF;

// What the guardian answers once it holds its own X connection and can undo.
constexpr std::string_view kReadyLine = "ready\n";

// The line of a record, "\n" included.
std::string formatRecord(const UndoRecord& record);
// The record of a line without its "\n"; nothing when it is not one.
std::optional<UndoRecord> parseRecord(std::string_view line);

// Cuts the byte stream into lines. A line longer than kMaxLineLength is dropped whole (and
// counted) so that a broken writer cannot make the reader grow without bound.
class LineReader {
 public:
  void feed(std::string_view bytes);
  // The next complete line without its "\n", if there is one.
  std::optional<std::string> nextLine();
  std::size_t droppedLines() const { return dropped_; }

 private:
  std::string pending_;
  std::deque<std::string> lines_;
  bool skippingLongLine_ = false;
  std::size_t dropped_ = 0;
};

// What is still to be undone after the records so far.
struct Outstanding {
  std::optional<SavedCrtc> mode;
  std::vector<XId> docks;  // in the order they were hidden
  std::optional<std::vector<std::uint8_t>> pointer;
  std::vector<SettingChanged> settings;  // in the order they were changed
  std::optional<DisplaySettingsChanged> displaySettings;  // Windows'
  bool taskbarsHidden = false;                            // Windows'
  bool cleanEnd = false;

  void apply(const UndoRecord& record);
  bool nothingToUndo() const {
    return !mode && docks.empty() && !pointer && settings.empty() && !displaySettings && !taskbarsHidden;
  }
};

}  // namespace tov::guardian
