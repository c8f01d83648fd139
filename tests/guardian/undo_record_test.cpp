// The records between the menu and its desktop guardian: what goes over the socket, what
// the guardian refuses, and what it is left to undo after a sequence of them.
#include "platform/guardian/undo_record.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tov::guardian {
namespace {

SavedCrtc savedCrtc() {
  return {.crtc = 63, .mode = 612, .rotation = 1, .x = 0, .y = 0, .screenWidth = 1024,
          .screenHeight = 768, .screenWidthMm = 271, .screenHeightMm = 203, .outputs = {64}};
}

std::string repeated(const std::string& field, std::size_t count) {
  std::string text;
  for (std::size_t i = 0; i < count; ++i) text += " " + field;
  return text;
}

TEST(UndoRecord, EveryRecordIsOneLineThatReadsBackAsItself) {
  SavedCrtc mirrored = savedCrtc();
  mirrored.rotation = 2 | 16;  // a quarter turn, reflected
  mirrored.x = -1024;
  mirrored.outputs = {64, 65, 536870911};
  struct Case {
    UndoRecord record;
    const char* line;
  };
  const Case cases[] = {
      {ModeChanged{savedCrtc()}, "mode 63 612 1 0 0 1024 768 271 203 64\n"},
      {ModeChanged{mirrored}, "mode 63 612 18 -1024 0 1024 768 271 203 64 65 536870911\n"},
      {ModeRestored{}, "mode-restored\n"},
      {DockHidden{4194307}, "dock 4194307\n"},
      {DockGone{4194307}, "dock-gone 4194307\n"},
      {DocksShown{}, "docks-shown\n"},
      {PointerChanged{{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}}, "pointer 1 2 3 4 5 6 7 8 9 10\n"},
      {PointerChanged{{3, 2, 1, 0, 255}}, "pointer 3 2 1 0 255\n"},
      {PointerRestored{}, "pointer-restored\n"},
      {SettingChanged{"org.gnome.desktop.peripherals.mouse", "left-handed", "false"},
       "setting org.gnome.desktop.peripherals.mouse left-handed false\n"},
      {SettingChanged{"org.gnome.desktop.peripherals.touchpad", "left-handed", "'mouse'"},
       "setting org.gnome.desktop.peripherals.touchpad left-handed 'mouse'\n"},
      {SettingRestored{"org.gnome.desktop.peripherals.mouse", "left-handed"},
       "setting-restored org.gnome.desktop.peripherals.mouse left-handed\n"},
      {SettingChanged{"sway.input", "left_handed", "false"}, "setting sway.input left_handed false\n"},
      {SettingChanged{"org.kde.KWin.InputDevice", "event5", "false"},
       "setting org.kde.KWin.InputDevice event5 false\n"},
      {DisplaySettingsChanged{1024, 768, 32, 75, 0}, "display-settings 1024 768 32 75 0\n"},
      {DisplaySettingsChanged{65535, 1, 64, 1, 3}, "display-settings 65535 1 64 1 3\n"},
      {TaskbarsHidden{}, "taskbars-hidden\n"},
      {TaskbarsShown{}, "taskbars-shown\n"},
      {CleanEnd{}, "clean\n"},
  };
  for (const Case& c : cases) {
    const std::string line = formatRecord(c.record);
    EXPECT_EQ(line, c.line);
    const auto parsed = parseRecord(std::string_view(line).substr(0, line.size() - 1));
    ASSERT_TRUE(parsed) << c.line;
    EXPECT_EQ(*parsed, c.record) << c.line;
  }
}

TEST(UndoRecord, TheLongestRecordsFitALine) {
  SavedCrtc many = savedCrtc();
  many.outputs.assign(kMaxOutputs, kMaxXId);
  const std::vector<std::uint8_t> buttons(kMaxButtons, 255);
  for (const UndoRecord& record : {UndoRecord{ModeChanged{many}}, UndoRecord{PointerChanged{buttons}}}) {
    const std::string line = formatRecord(record);
    EXPECT_LE(line.size() - 1, kMaxLineLength);
    EXPECT_EQ(parseRecord(std::string_view(line).substr(0, line.size() - 1)), record);
  }
}

// A guardian that took a broken line for a record would set a wrong mode or map a window
// that is not a dock; every one of these is refused whole.
TEST(UndoRecord, RefusesLinesThatAreNotRecords) {
  const std::string mode = "mode 63 612 ";  // up to the rotation
  const std::string rest = " 0 0 1024 768 271 203 64";
  const std::vector<std::string> lines = {
      "", "nothing", "Clean", "clean ", " clean", "clean now", "mode-restored 1", "docks-shown\r",
      "mode", "mode 63 612 1 0 0 1024 768 271 203",                       // no output
      "mode 63 612 1 0 0 1024 768 271 203 64 x",                          // an output not a number
      "mode 63 612 1 0 0 1024 768 271 203" + repeated("64", kMaxOutputs + 1),
      mode + "0" + rest, mode + "3" + rest, mode + "64" + rest, mode + "65537" + rest,  // rotations
      "mode 0 612 1 0 0 1024 768 271 203 64",                             // no CRTC
      "mode 63 612 1 32768 0 1024 768 271 203 64",                        // beyond 16 bits
      "mode 63 612 1 0 -32769 1024 768 271 203 64",
      "mode 63 612 1 0 0 0 768 271 203 64",                               // an empty screen
      "mode 63 612 1 0 0 1024 32768 271 203 64",
      "mode 63 612 1 0 0 1024 768 0 203 64",
      "mode 63 612 1 0 0 1024 768 271 203 0",
      "mode 63  612 1 0 0 1024 768 271 203 64",                           // an empty field
      "dock", "dock 0", "dock 536870912", "dock -1", "dock +5", "dock 0x400003", "dock 5 6",
      "dock 99999999999999999999", "dock-gone", "dock-gone 5 5",
      "pointer", "pointer 256", "pointer -1", "pointer 1 2 x", "pointer" + repeated("1", kMaxButtons + 1),
      "pointer 1 2 3 ", std::string(kMaxLineLength + 1, 'd'),
      // A setting's names and value go on to gsettings' command line: nothing but names.
      "setting", "setting a.b", "setting a.b key", "setting a.b key yes", "setting a.b key true extra",
      "setting a.b key 'x y'", "setting a.b key ''", "setting a.b key 'a;rm'", "setting a;b key true",
      "setting -a key true", "setting a.b --key true", "setting a/b key true", "setting-restored a.b",
      "setting-restored a.b key more",
      "display-settings", "display-settings 1024 768 32 75", "display-settings 1024 768 32 75 0 0",
      "display-settings 0 768 32 75 0", "display-settings 1024 65536 32 75 0", "display-settings 1024 768 0 75 0",
      "display-settings 1024 768 32 1001 0", "display-settings 1024 768 32 75 4", "display-settings 1024 768 32 -1 0",
      "taskbars-hidden 1", "taskbars-shown now",
  };
  for (const std::string& line : lines) EXPECT_FALSE(parseRecord(line)) << '"' << line << '"';
  // Rotation 17 (normal, reflected in X) is one the server can have.
  EXPECT_TRUE(parseRecord(mode + "17" + rest));
}

TEST(LineReader, CutsTheStreamIntoLinesWhereverItArrivesSplit) {
  LineReader reader;
  for (const char* piece : {"dock 5\ndo", "ck 6", "\n\nclean", "\n", "half"}) reader.feed(piece);
  std::vector<std::string> lines;
  while (auto line = reader.nextLine()) lines.push_back(*line);
  EXPECT_EQ(lines, (std::vector<std::string>{"dock 5", "dock 6", "", "clean"}));
  EXPECT_EQ(reader.droppedLines(), 0u);
}

TEST(LineReader, DropsOverlongLinesWholeAndKeepsWhatFollows) {
  struct Case {
    std::size_t length;
    bool kept;
  };
  for (const Case c : {Case{kMaxLineLength, true}, Case{kMaxLineLength + 1, false},
                       Case{10 * kMaxLineLength, false}}) {
    LineReader reader;
    const std::string line(c.length, '7');
    // In small pieces, as a slow writer would send them.
    const std::string stream = line + "\nclean\n";
    for (std::size_t at = 0; at < stream.size(); at += 100) reader.feed(std::string_view(stream).substr(at, 100));
    std::vector<std::string> lines;
    while (auto next = reader.nextLine()) lines.push_back(*next);
    const std::vector<std::string> expected =
        c.kept ? std::vector<std::string>{line, "clean"} : std::vector<std::string>{"clean"};
    EXPECT_EQ(lines, expected) << c.length;
    EXPECT_EQ(reader.droppedLines(), c.kept ? 0u : 1u) << c.length;
  }
}

TEST(Outstanding, KeepsWhatTheDesktopWasBeforeTheMenuAndForgetsWhatWasGivenBack) {
  SavedCrtc later = savedCrtc();
  later.mode = 700;
  struct Case {
    const char* what;
    std::vector<UndoRecord> records;
    std::optional<SavedCrtc> mode;
    std::vector<XId> docks;
    std::optional<std::vector<std::uint8_t>> pointer;
    bool clean;
  };
  const std::vector<std::uint8_t> normal = {1, 2, 3}, swapped = {3, 2, 1};
  const Case cases[] = {
      {"nothing yet", {}, {}, {}, {}, false},
      {"the first mode is the one to go back to",
       {ModeChanged{savedCrtc()}, ModeChanged{later}}, savedCrtc(), {}, {}, false},
      {"a mode given back", {ModeChanged{savedCrtc()}, ModeRestored{}}, {}, {}, {}, false},
      {"a second switch after a give-back",
       {ModeChanged{savedCrtc()}, ModeRestored{}, ModeChanged{later}}, later, {}, {}, false},
      {"docks once each, in order",
       {DockHidden{7}, DockHidden{5}, DockHidden{7}}, {}, {7, 5}, {}, false},
      {"a dock that went",
       {DockHidden{7}, DockHidden{5}, DockGone{7}, DockGone{9}}, {}, {5}, {}, false},
      {"docks shown", {DockHidden{7}, DockHidden{5}, DocksShown{}}, {}, {}, {}, false},
      {"the first mapping is the one to put back",
       {PointerChanged{normal}, PointerChanged{swapped}}, {}, {}, normal, false},
      {"buttons normal again", {PointerChanged{normal}, PointerRestored{}}, {}, {}, {}, false},
      {"a clean end with everything given back",
       {ModeChanged{savedCrtc()}, DockHidden{7}, PointerChanged{normal}, PointerRestored{},
        DocksShown{}, ModeRestored{}, CleanEnd{}},
       {}, {}, {}, true},
      {"a clean end that left the mode",
       {DockHidden{7}, ModeChanged{savedCrtc()}, DocksShown{}, CleanEnd{}}, savedCrtc(), {}, {}, true},
  };
  for (const Case& c : cases) {
    Outstanding outstanding;
    for (const UndoRecord& record : c.records) outstanding.apply(record);
    EXPECT_EQ(outstanding.mode, c.mode) << c.what;
    EXPECT_EQ(outstanding.docks, c.docks) << c.what;
    EXPECT_EQ(outstanding.pointer, c.pointer) << c.what;
    EXPECT_EQ(outstanding.cleanEnd, c.clean) << c.what;
    EXPECT_EQ(outstanding.nothingToUndo(), !c.mode && c.docks.empty() && !c.pointer) << c.what;
  }
}

TEST(Outstanding, KeepsWindowsModeBeforeTheMenuAndItsTaskbarsUntilGivenBack) {
  const DisplaySettingsChanged first{1024, 768, 32, 75, 0}, later{800, 600, 32, 75, 0};
  struct Case {
    const char* what;
    std::vector<UndoRecord> records;
    std::optional<DisplaySettingsChanged> mode;
    bool taskbarsHidden;
  };
  const Case cases[] = {
      {"the first mode is the one to go back to", {first, later}, first, false},
      {"a mode given back", {first, ModeRestored{}}, {}, false},
      {"taskbars hidden", {TaskbarsHidden{}, first}, first, true},
      {"taskbars shown", {TaskbarsHidden{}, TaskbarsShown{}}, {}, false},
  };
  for (const Case& c : cases) {
    Outstanding outstanding;
    for (const UndoRecord& record : c.records) outstanding.apply(record);
    EXPECT_EQ(outstanding.displaySettings, c.mode) << c.what;
    EXPECT_EQ(outstanding.taskbarsHidden, c.taskbarsHidden) << c.what;
    EXPECT_EQ(outstanding.nothingToUndo(), !c.mode && !c.taskbarsHidden) << c.what;
  }
}

}  // namespace
}  // namespace tov::guardian
