#include "platform/win32/win32_mixer.h"

#include <windows.h>
#include <mmsystem.h>

#include <algorithm>
#include <map>
#include <optional>
#include <system_error>
#include <utility>
#include <vector>

#include "platform/event_loop.h"
#include "platform/win32/message_window.h"
#include "platform/win32/wide_text.h"

namespace tov::win32 {

namespace {

// Beyond these a driver's answer is not believed.
constexpr DWORD kMaxControls = 256;
constexpr DWORD kMaxChannels = 32;
constexpr DWORD kMaxItems = 256;

// A control as the system describes it, with what reading and writing its values needs.
struct ControlInfo {
  MIXERCONTROLW control{};
  MixerControlKind kind = MixerControlKind::Volume;
  DWORD channels = 1;  // independent values
  DWORD items = 0;     // an enumeration's choices, per channel
};

std::optional<MixerControlKind> kindOf(const MIXERCONTROLW& control) {
  const DWORD type = control.dwControlType;
  const DWORD units = type & MIXERCONTROL_CT_UNITS_MASK;
  switch (type & MIXERCONTROL_CT_CLASS_MASK) {
    case MIXERCONTROL_CT_CLASS_FADER:
      if (units == MIXERCONTROL_CT_UNITS_UNSIGNED) return MixerControlKind::Volume;
      return std::nullopt;
    case MIXERCONTROL_CT_CLASS_SWITCH:
      // A button is pressed, not set: it has no state to show.
      if (units == MIXERCONTROL_CT_UNITS_BOOLEAN && type != MIXERCONTROL_CONTROLTYPE_BUTTON)
        return MixerControlKind::Switch;
      return std::nullopt;
    case MIXERCONTROL_CT_CLASS_LIST:
      if (control.cMultipleItems > 0 && control.cMultipleItems <= kMaxItems) return MixerControlKind::Enumeration;
      return std::nullopt;
    default:
      return std::nullopt;
  }
}

class Win32MixerDevice : public IMixerDevice {
 public:
  Win32MixerDevice(UINT device, std::int32_t handle, MixerChangeHandler onChange)
      : device_(device),
        handle_(handle),
        onChange_(std::move(onChange)),
        window_([this](UINT message, WPARAM wParam, LPARAM lParam, LRESULT&) { return received(message, wParam, lParam); }) {}
  ~Win32MixerDevice() override {
    if (mixer_) mixerClose(mixer_);
  }
  Win32MixerDevice(const Win32MixerDevice&) = delete;
  Win32MixerDevice& operator=(const Win32MixerDevice&) = delete;

  bool open() {
    return mixerOpen(&mixer_, device_, DWORD_PTR(window_.handle()), 0, CALLBACK_WINDOW | MIXER_OBJECTF_MIXER) ==
           MMSYSERR_NOERROR;
  }

  std::int32_t handle() const override { return handle_; }

  void postSystemChange(UINT message, std::uint32_t id) const {
    PostMessageW(window_.handle(), message, WPARAM(mixer_), LPARAM(id));
  }

  MixerCaps caps() override {
    MIXERCAPSW system{};
    if (mixerGetDevCapsW(UINT_PTR(device_), &system, sizeof system) != MMSYSERR_NOERROR) return {};
    return MixerCaps{system.wMid, system.wPid, system.vDriverVersion, toUtf8(system.szPname), system.cDestinations};
  }

  std::optional<MixerLine> destinationLine(std::uint32_t destination) override {
    MIXERLINEW line = lineRecord();
    line.dwDestination = destination;
    return lineOf(line, MIXER_GETLINEINFOF_DESTINATION);
  }

  std::optional<MixerLine> sourceLine(std::uint32_t destination, std::uint32_t source) override {
    MIXERLINEW line = lineRecord();
    line.dwDestination = destination;
    line.dwSource = source;
    std::optional<MixerLine> found = lineOf(line, MIXER_GETLINEINFOF_SOURCE);
    if (found) found->connections = 0;
    return found;
  }

  std::optional<std::vector<MixerControl>> lineControls(std::uint32_t lineId) override {
    std::optional<std::vector<ControlInfo>> infos = controlsOf(lineId);
    if (!infos) return std::nullopt;
    std::vector<MixerControl> controls;
    for (const ControlInfo& info : *infos) {
      std::optional<MixerControl> control = describe(info);
      if (!control) return std::nullopt;
      controls.push_back(std::move(*control));
    }
    return controls;
  }

  std::optional<std::vector<std::int64_t>> controlValues(std::uint32_t controlId) override {
    std::optional<ControlInfo> info = controlById(controlId);
    if (!info) return std::nullopt;
    switch (info->kind) {
      case MixerControlKind::Volume: {
        std::vector<MIXERCONTROLDETAILS_UNSIGNED> details(info->channels);
        if (!readDetails(*info, info->channels, 0, details)) return std::nullopt;
        std::vector<std::int64_t> values;
        for (const auto& detail : details) values.push_back(detail.dwValue);
        return values;
      }
      case MixerControlKind::Switch: {
        std::vector<MIXERCONTROLDETAILS_BOOLEAN> details(info->channels);
        if (!readDetails(*info, info->channels, 0, details)) return std::nullopt;
        std::vector<std::int64_t> values;
        for (const auto& detail : details) values.push_back(detail.fValue != 0);
        return values;
      }
      case MixerControlKind::Enumeration: {
        std::vector<MIXERCONTROLDETAILS_BOOLEAN> details(std::size_t(info->channels) * info->items);
        if (!readDetails(*info, info->channels, info->items, details)) return std::nullopt;
        // The first chosen item of each channel's row; a list with none chosen reads as its first.
        std::vector<std::int64_t> values;
        for (auto row = details.begin(); row != details.end(); row += info->items) {
          const auto chosen = std::find_if(row, row + info->items, [](const auto& item) { return item.fValue != 0; });
          values.push_back(chosen == row + info->items ? 0 : chosen - row);
        }
        return values;
      }
    }
    return std::nullopt;
  }

  bool setControlValues(std::uint32_t controlId, std::span<const std::int64_t> values) override {
    std::optional<ControlInfo> info = controlById(controlId);
    if (!info || (values.size() != 1 && values.size() != info->channels)) return false;
    const std::optional<MixerControl> control = describe(*info);
    if (!control) return false;
    for (std::int64_t value : values)
      if (value < control->minimum || value > control->maximum) return false;
    // One value for every channel is the system's own way too: a single channel, treated as
    // uniform.
    const DWORD channels = DWORD(values.size());
    switch (info->kind) {
      case MixerControlKind::Volume: {
        std::vector<MIXERCONTROLDETAILS_UNSIGNED> details;
        for (std::int64_t value : values) details.push_back({DWORD(value)});
        return writeDetails(*info, channels, 0, details);
      }
      case MixerControlKind::Switch: {
        std::vector<MIXERCONTROLDETAILS_BOOLEAN> details;
        for (std::int64_t value : values) details.push_back({LONG(value)});
        return writeDetails(*info, channels, 0, details);
      }
      case MixerControlKind::Enumeration: {
        std::vector<MIXERCONTROLDETAILS_BOOLEAN> details(std::size_t(channels) * info->items);
        for (std::size_t channel = 0; channel < values.size(); ++channel)
          details[channel * info->items + std::size_t(values[channel])].fValue = TRUE;
        return writeDetails(*info, channels, info->items, details);
      }
    }
    return false;
  }

 private:
  static MIXERLINEW lineRecord() {
    MIXERLINEW line{};
    line.cbStruct = sizeof line;
    return line;
  }

  HMIXEROBJ object() const { return reinterpret_cast<HMIXEROBJ>(mixer_); }

  std::optional<MixerLine> lineOf(MIXERLINEW& line, DWORD which) {
    if (mixerGetLineInfoW(object(), &line, MIXER_OBJECTF_HMIXER | which) != MMSYSERR_NOERROR) return std::nullopt;
    std::optional<std::vector<ControlInfo>> controls = controlsOf(line);
    return MixerLine{line.dwDestination, line.dwSource, line.dwLineID, line.cConnections,
                     controls ? std::uint32_t(controls->size()) : 0, line.cChannels, toUtf8(line.szName)};
  }

  std::optional<MIXERLINEW> lineById(DWORD lineId) {
    MIXERLINEW line = lineRecord();
    line.dwLineID = lineId;
    if (mixerGetLineInfoW(object(), &line, MIXER_OBJECTF_HMIXER | MIXER_GETLINEINFOF_LINEID) != MMSYSERR_NOERROR)
      return std::nullopt;
    return line;
  }

  std::optional<std::vector<ControlInfo>> controlsOf(DWORD lineId) {
    const std::optional<MIXERLINEW> line = lineById(lineId);
    if (!line) return std::nullopt;
    return controlsOf(*line);
  }

  // The kept controls of a line, in the system's order.
  std::optional<std::vector<ControlInfo>> controlsOf(const MIXERLINEW& line) {
    if (line.cControls == 0) return std::vector<ControlInfo>{};
    if (line.cControls > kMaxControls) return std::nullopt;
    std::vector<MIXERCONTROLW> records(line.cControls);
    MIXERLINECONTROLSW request{};
    request.cbStruct = sizeof request;
    request.dwLineID = line.dwLineID;
    request.cControls = line.cControls;
    request.cbmxctrl = sizeof(MIXERCONTROLW);
    request.pamxctrl = records.data();
    if (mixerGetLineControlsW(object(), &request, MIXER_OBJECTF_HMIXER | MIXER_GETLINECONTROLSF_ALL) != MMSYSERR_NOERROR)
      return std::nullopt;
    std::vector<ControlInfo> controls;
    for (const MIXERCONTROLW& record : records) {
      if (std::optional<ControlInfo> info = infoOf(record, line)) {
        controls.push_back(*info);
        known_.insert_or_assign(record.dwControlID, *info);
      }
    }
    return controls;
  }

  // As the line's listing described it. Wine's answer to a control asked for by its
  // identifier names another control and another line, so that is only the way to one that
  // no listing has shown yet.
  std::optional<ControlInfo> controlById(DWORD controlId) {
    if (const auto found = known_.find(controlId); found != known_.end()) return found->second;
    MIXERCONTROLW record{};
    record.cbStruct = sizeof record;
    MIXERLINECONTROLSW request{};
    request.cbStruct = sizeof request;
    request.dwControlID = controlId;
    request.cControls = 1;
    request.cbmxctrl = sizeof record;
    request.pamxctrl = &record;
    if (mixerGetLineControlsW(object(), &request, MIXER_OBJECTF_HMIXER | MIXER_GETLINECONTROLSF_ONEBYID) != MMSYSERR_NOERROR)
      return std::nullopt;
    const std::optional<MIXERLINEW> line = lineById(request.dwLineID);
    if (!line) return std::nullopt;
    record.dwControlID = controlId;
    return infoOf(record, *line);
  }

  static std::optional<ControlInfo> infoOf(const MIXERCONTROLW& record, const MIXERLINEW& line) {
    const std::optional<MixerControlKind> kind = kindOf(record);
    if (!kind) return std::nullopt;
    ControlInfo info{record, *kind};
    info.channels = (record.fdwControl & MIXERCONTROL_CONTROLF_UNIFORM) ? 1 : std::clamp<DWORD>(line.cChannels, 1, kMaxChannels);
    if (*kind == MixerControlKind::Enumeration) info.items = record.cMultipleItems;
    return info;
  }

  std::optional<MixerControl> describe(const ControlInfo& info) {
    MixerControl control;
    control.controlId = info.control.dwControlID;
    control.kind = info.kind;
    control.name = toUtf8(info.control.szName);
    control.channels = info.channels;
    switch (info.kind) {
      case MixerControlKind::Volume:
        control.minimum = info.control.Bounds.dwMinimum;
        control.maximum = info.control.Bounds.dwMaximum;
        if (control.minimum > control.maximum) return std::nullopt;
        break;
      case MixerControlKind::Switch:
        control.maximum = 1;
        break;
      case MixerControlKind::Enumeration: {
        control.maximum = std::int64_t(info.items) - 1;
        std::vector<MIXERCONTROLDETAILS_LISTTEXTW> texts(std::size_t(info.channels) * info.items);
        if (!readDetails(info, info.channels, info.items, texts, MIXER_GETCONTROLDETAILSF_LISTTEXT)) return std::nullopt;
        // Every channel's row names the same choices.
        for (DWORD item = 0; item < info.items; ++item) control.items.push_back(toUtf8(texts[item].szName));
        break;
      }
    }
    return control;
  }

  template <typename Detail>
  static MIXERCONTROLDETAILS detailsRecord(const ControlInfo& info, DWORD channels, DWORD items, std::vector<Detail>& details) {
    MIXERCONTROLDETAILS record{};
    record.cbStruct = sizeof record;
    record.dwControlID = info.control.dwControlID;
    record.cChannels = channels;
    record.cMultipleItems = items;
    record.cbDetails = sizeof(Detail);
    record.paDetails = details.data();
    return record;
  }

  template <typename Detail>
  bool readDetails(const ControlInfo& info, DWORD channels, DWORD items, std::vector<Detail>& details,
                   DWORD which = MIXER_GETCONTROLDETAILSF_VALUE) {
    MIXERCONTROLDETAILS record = detailsRecord(info, channels, items, details);
    return mixerGetControlDetailsW(object(), &record, MIXER_OBJECTF_HMIXER | which) == MMSYSERR_NOERROR;
  }

  template <typename Detail>
  bool writeDetails(const ControlInfo& info, DWORD channels, DWORD items, std::vector<Detail>& details) {
    MIXERCONTROLDETAILS record = detailsRecord(info, channels, items, details);
    return mixerSetControlDetails(object(), &record, MIXER_OBJECTF_HMIXER | MIXER_SETCONTROLDETAILSF_VALUE) ==
           MMSYSERR_NOERROR;
  }

  // The system may send a report from inside a call to the device: it is handed on from the
  // event loop, and dropped with the device when that goes first.
  bool received(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != MM_MIXM_LINE_CHANGE && message != MM_MIXM_CONTROL_CHANGE) return false;
    if (reinterpret_cast<HMIXER>(wParam) != mixer_) return true;
    const MixerChange change{message == MM_MIXM_LINE_CHANGE ? MixerChangeKind::Line : MixerChangeKind::Control,
                             std::uint32_t(lParam)};
    // The handler is the work's own copy: it may destroy this device.
    context_.post([handler = onChange_, change] {
      if (handler) handler(change);
    });
    return true;
  }

  UINT device_;
  std::int32_t handle_;
  MixerChangeHandler onChange_;
  HMIXER mixer_ = nullptr;
  std::map<DWORD, ControlInfo> known_;
  LoopContext context_;
  MessageWindow window_;
};

}  // namespace

bool postSystemChange(IMixerDevice& device, bool line, std::uint32_t id) {
  auto* ours = dynamic_cast<Win32MixerDevice*>(&device);
  if (!ours) return false;
  ours->postSystemChange(line ? MM_MIXM_LINE_CHANGE : MM_MIXM_CONTROL_CHANGE, id);
  return true;
}

int Win32MixerSystem::deviceCount() { return int(mixerGetNumDevs()); }

std::unique_ptr<IMixerDevice> Win32MixerSystem::open(int device, MixerChangeHandler onChange) {
  if (device < 0 || device >= deviceCount()) return nullptr;
  std::unique_ptr<Win32MixerDevice> opened;
  try {
    opened = std::make_unique<Win32MixerDevice>(UINT(device), nextHandle_, std::move(onChange));
  } catch (const std::system_error&) {
    return nullptr;  // no window for its reports
  }
  if (!opened->open()) return nullptr;
  ++nextHandle_;
  return opened;
}

}  // namespace tov::win32
