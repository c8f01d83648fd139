#include "platform/guardian/undo_record.h"

#include <algorithm>
#include <charconv>

namespace tov::guardian {

namespace {

constexpr std::string_view kMode = "mode";
constexpr std::string_view kModeRestored = "mode-restored";
constexpr std::string_view kDock = "dock";
constexpr std::string_view kDockGone = "dock-gone";
constexpr std::string_view kDocksShown = "docks-shown";
constexpr std::string_view kPointer = "pointer";
constexpr std::string_view kPointerRestored = "pointer-restored";
constexpr std::string_view kSetting = "setting";
constexpr std::string_view kSettingRestored = "setting-restored";
constexpr std::string_view kDisplaySettings = "display-settings";
constexpr std::string_view kTaskbarsHidden = "taskbars-hidden";
constexpr std::string_view kTaskbarsShown = "taskbars-shown";
constexpr std::string_view kClean = "clean";

// RandR's four rotations; exactly one of them is set, the two reflections may be added.
constexpr std::uint16_t kRotations = 0x0F;
constexpr std::uint16_t kReflections = 0x30;

bool validRotation(std::uint16_t rotation) {
  const std::uint16_t turn = rotation & kRotations;
  return (rotation & ~(kRotations | kReflections)) == 0 && turn != 0 && (turn & (turn - 1)) == 0;
}

std::vector<std::string_view> fieldsOf(std::string_view line) {
  std::vector<std::string_view> fields;
  while (true) {
    const std::size_t space = line.find(' ');
    fields.push_back(line.substr(0, space));
    if (space == std::string_view::npos) return fields;
    line.remove_prefix(space + 1);
  }
}

// A decimal number in [low, high], digits only (a minus sign where low allows it).
template <class T>
std::optional<T> number(std::string_view field, long long low, long long high) {
  long long value = 0;
  if (field.empty() || field.front() == '+') return std::nullopt;
  const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), value);
  if (error != std::errc() || end != field.data() + field.size() || value < low || value > high)
    return std::nullopt;
  return T(value);
}

std::optional<XId> xid(std::string_view field) { return number<XId>(field, 1, kMaxXId); }

// Settings are named as GSettings, sway ("left_handed") and KWin's devices ("event5") name
// them; anything else would reach a command line, where a leading '-' is an option.
bool settingName(std::string_view field) {
  return !field.empty() && field.front() != '-' && std::all_of(field.begin(), field.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '-' ||
           c == '_';
  });
}

bool settingValue(std::string_view field) {
  if (field == "true" || field == "false") return true;
  return field.size() >= 3 && field.front() == '\'' && field.back() == '\'' &&
         settingName(field.substr(1, field.size() - 2));
}

std::optional<UndoRecord> parseSetting(const std::vector<std::string_view>& fields) {
  const bool changed = fields.front() == kSetting;
  if (fields.size() != (changed ? 4u : 3u) || !settingName(fields[1]) || !settingName(fields[2])) return std::nullopt;
  if (!changed) return SettingRestored{std::string(fields[1]), std::string(fields[2])};
  if (!settingValue(fields[3])) return std::nullopt;
  return SettingChanged{std::string(fields[1]), std::string(fields[2]), std::string(fields[3])};
}

std::optional<SavedCrtc> parseSavedCrtc(const std::vector<std::string_view>& fields) {
  // The name, nine numbers, then at least one output.
  constexpr std::size_t kFixed = 10;
  if (fields.size() < kFixed + 1 || fields.size() > kFixed + kMaxOutputs) return std::nullopt;
  // Sizes and positions as the X protocol carries them: 16 bits.
  const auto crtc = xid(fields[1]), mode = xid(fields[2]);
  const auto rotation = number<std::uint16_t>(fields[3], 1, 0xFFFF);
  const auto x = number<std::int32_t>(fields[4], -32768, 32767);
  const auto y = number<std::int32_t>(fields[5], -32768, 32767);
  const auto width = number<std::uint32_t>(fields[6], 1, 32767);
  const auto height = number<std::uint32_t>(fields[7], 1, 32767);
  const auto widthMm = number<std::uint32_t>(fields[8], 1, 65535);
  const auto heightMm = number<std::uint32_t>(fields[9], 1, 65535);
  if (!crtc || !mode || !rotation || !validRotation(*rotation) || !x || !y || !width || !height ||
      !widthMm || !heightMm)
    return std::nullopt;
  SavedCrtc saved{*crtc, *mode, *rotation, *x, *y, *width, *height, *widthMm, *heightMm, {}};
  for (std::size_t i = kFixed; i < fields.size(); ++i) {
    const auto output = xid(fields[i]);
    if (!output) return std::nullopt;
    saved.outputs.push_back(*output);
  }
  return saved;
}

std::optional<UndoRecord> parsePointer(const std::vector<std::string_view>& fields) {
  if (fields.size() < 2 || fields.size() > 1 + kMaxButtons) return std::nullopt;
  PointerChanged record;
  for (std::size_t i = 1; i < fields.size(); ++i) {
    const auto button = number<std::uint8_t>(fields[i], 0, 255);
    if (!button) return std::nullopt;
    record.original.push_back(*button);
  }
  return record;
}

std::optional<UndoRecord> parseDisplaySettings(const std::vector<std::string_view>& fields) {
  if (fields.size() != 6) return std::nullopt;
  // A frequency of 0 or 1 is the display's own default; 3 is DMDO_270.
  const auto width = number<std::uint32_t>(fields[1], 1, 65535);
  const auto height = number<std::uint32_t>(fields[2], 1, 65535);
  const auto bits = number<std::uint32_t>(fields[3], 1, 64);
  const auto frequency = number<std::uint32_t>(fields[4], 0, 1000);
  const auto orientation = number<std::uint32_t>(fields[5], 0, 3);
  if (!width || !height || !bits || !frequency || !orientation) return std::nullopt;
  return DisplaySettingsChanged{*width, *height, *bits, *frequency, *orientation};
}

template <class Numbers>
void appendNumbers(std::string& line, const Numbers& numbers) {
  for (const auto value : numbers) line += " " + std::to_string(unsigned(value));
}

struct Formatter {
  std::string operator()(const ModeChanged& record) const {
    const SavedCrtc& s = record.saved;
    std::string line(kMode);
    appendNumbers(line, std::initializer_list<std::uint32_t>{s.crtc, s.mode, s.rotation});
    line += " " + std::to_string(s.x) + " " + std::to_string(s.y);
    appendNumbers(line, std::initializer_list<std::uint32_t>{s.screenWidth, s.screenHeight,
                                                             s.screenWidthMm, s.screenHeightMm});
    appendNumbers(line, s.outputs);
    return line;
  }
  std::string operator()(const ModeRestored&) const { return std::string(kModeRestored); }
  std::string operator()(const DockHidden& r) const {
    return std::string(kDock) + " " + std::to_string(r.window);
  }
  std::string operator()(const DockGone& r) const {
    return std::string(kDockGone) + " " + std::to_string(r.window);
  }
  std::string operator()(const DocksShown&) const { return std::string(kDocksShown); }
  std::string operator()(const PointerChanged& record) const {
    std::string line(kPointer);
    appendNumbers(line, record.original);
    return line;
  }
  std::string operator()(const PointerRestored&) const { return std::string(kPointerRestored); }
  std::string operator()(const SettingChanged& r) const {
    return std::string(kSetting) + " " + r.schema + " " + r.key + " " + r.original;
  }
  std::string operator()(const SettingRestored& r) const {
    return std::string(kSettingRestored) + " " + r.schema + " " + r.key;
  }
  std::string operator()(const DisplaySettingsChanged& r) const {
    std::string line(kDisplaySettings);
    appendNumbers(line, std::initializer_list<std::uint32_t>{r.width, r.height, r.bitsPerPel, r.frequency,
                                                             r.orientation});
    return line;
  }
  std::string operator()(const TaskbarsHidden&) const { return std::string(kTaskbarsHidden); }
  std::string operator()(const TaskbarsShown&) const { return std::string(kTaskbarsShown); }
  std::string operator()(const CleanEnd&) const { return std::string(kClean); }
};

}  // namespace

std::string formatRecord(const UndoRecord& record) {
  return std::visit(Formatter{}, record) + "\n";
}

std::optional<UndoRecord> parseRecord(std::string_view line) {
  if (line.size() > kMaxLineLength) return std::nullopt;
  const std::vector<std::string_view> fields = fieldsOf(line);
  const std::string_view name = fields.front();
  const bool bare = fields.size() == 1;
  if (name == kMode) {
    if (auto saved = parseSavedCrtc(fields)) return ModeChanged{std::move(*saved)};
    return std::nullopt;
  }
  if (name == kDock || name == kDockGone) {
    const auto window = fields.size() == 2 ? xid(fields[1]) : std::nullopt;
    if (!window) return std::nullopt;
    if (name == kDock) return DockHidden{*window};
    return DockGone{*window};
  }
  if (name == kPointer) return parsePointer(fields);
  if (name == kSetting || name == kSettingRestored) return parseSetting(fields);
  if (name == kDisplaySettings) return parseDisplaySettings(fields);
  if (!bare) return std::nullopt;
  if (name == kModeRestored) return ModeRestored{};
  if (name == kDocksShown) return DocksShown{};
  if (name == kPointerRestored) return PointerRestored{};
  if (name == kTaskbarsHidden) return TaskbarsHidden{};
  if (name == kTaskbarsShown) return TaskbarsShown{};
  if (name == kClean) return CleanEnd{};
  return std::nullopt;
}

void LineReader::feed(std::string_view bytes) {
  for (const char c : bytes) {
    if (c == '\n') {
      if (!skippingLongLine_) lines_.push_back(std::move(pending_));
      skippingLongLine_ = false;
      pending_.clear();
    } else if (skippingLongLine_) {
      continue;
    } else if (pending_.size() == kMaxLineLength) {
      pending_.clear();
      skippingLongLine_ = true;
      ++dropped_;
    } else {
      pending_ += c;
    }
  }
}

std::optional<std::string> LineReader::nextLine() {
  if (lines_.empty()) return std::nullopt;
  std::string line = std::move(lines_.front());
  lines_.pop_front();
  return line;
}

namespace {

struct Applier {
  Outstanding& state;
  // The first record of a piece holds what the desktop was before the menu touched it;
  // later ones (after a failed give-back, say) must not replace it.
  void operator()(const ModeChanged& r) const {
    if (!state.mode) state.mode = r.saved;
  }
  // A system has one kind of mode record or the other; the give-back is the same.
  void operator()(const ModeRestored&) const {
    state.mode.reset();
    state.displaySettings.reset();
  }
  void operator()(const DisplaySettingsChanged& r) const {
    if (!state.displaySettings) state.displaySettings = r;
  }
  void operator()(const TaskbarsHidden&) const { state.taskbarsHidden = true; }
  void operator()(const TaskbarsShown&) const { state.taskbarsHidden = false; }
  void operator()(const DockHidden& r) const {
    if (std::find(state.docks.begin(), state.docks.end(), r.window) == state.docks.end())
      state.docks.push_back(r.window);
  }
  void operator()(const DockGone& r) const { std::erase(state.docks, r.window); }
  void operator()(const DocksShown&) const { state.docks.clear(); }
  void operator()(const PointerChanged& r) const {
    if (!state.pointer) state.pointer = r.original;
  }
  void operator()(const PointerRestored&) const { state.pointer.reset(); }
  void operator()(const SettingChanged& r) const {
    for (const SettingChanged& held : state.settings)
      if (held.schema == r.schema && held.key == r.key) return;
    state.settings.push_back(r);
  }
  void operator()(const SettingRestored& r) const {
    std::erase_if(state.settings, [&](const SettingChanged& held) { return held.schema == r.schema && held.key == r.key; });
  }
  void operator()(const CleanEnd&) const { state.cleanEnd = true; }
};

}  // namespace

void Outstanding::apply(const UndoRecord& record) { std::visit(Applier{*this}, record); }

std::string swayLeftHandedCommand(bool leftHanded) {
  const std::string value = leftHanded ? "enabled" : "disabled";
  return "input type:pointer left_handed " + value + "; input type:touchpad left_handed " + value;
}

}  // namespace tov::guardian
