#pragma once
// The audio mixers of the machine: each device has destination lines (where sound goes
// to or comes from), source lines connected to each destination, and the controls of
// every line. The records are this system's own; nothing outside the mixer model reads
// them.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace tov {

// What a device says about itself.
struct MixerCaps {
  std::uint16_t manufacturerId = 0;  // 0 where the platform has no such numbers
  std::uint16_t productId = 0;
  std::uint32_t driverVersion = 0;
  std::string productName;
  std::uint32_t destinations = 0;  // destination lines, numbered from 0
  bool operator==(const MixerCaps&) const = default;
};

// One destination line or one of its source lines.
struct MixerLine {
  std::uint32_t destination = 0;  // the destination's number
  std::uint32_t source = 0;       // the source's number within it; 0 for a destination
  std::uint32_t lineId = 0;       // what the line's controls and change reports name it by
  std::uint32_t connections = 0;  // source lines of a destination; 0 for a source
  std::uint32_t controls = 0;
  std::uint32_t channels = 0;
  std::string name;
  bool operator==(const MixerLine&) const = default;
};

enum class MixerControlKind { Volume, Switch, Enumeration };

struct MixerControl {
  std::uint32_t controlId = 0;
  MixerControlKind kind = MixerControlKind::Volume;
  std::string name;
  // Every value lies in [minimum, maximum]: a switch is 0 or 1, an enumeration the number
  // of one of its items.
  std::int64_t minimum = 0;
  std::int64_t maximum = 0;
  // Independent values: one per channel, or 1 when all channels move together.
  std::uint32_t channels = 1;
  std::vector<std::string> items;  // the names of an enumeration's choices
  bool operator==(const MixerControl&) const = default;
};

enum class MixerChangeKind { Line, Control };

// Something on the device changed, outside this program or through it: a line (its
// state, its set of sources) or a control's value. id is a lineId or a controlId.
struct MixerChange {
  MixerChangeKind kind = MixerChangeKind::Line;
  std::uint32_t id = 0;
  bool operator==(const MixerChange&) const = default;
};

using MixerChangeHandler = std::function<void(const MixerChange&)>;

// One open mixer device. Destroying it closes the device; no change is reported after
// that, not even one that was on its way, and the handler may destroy the device.
class IMixerDevice {
 public:
  virtual ~IMixerDevice() = default;
  // The device's handle as change reports name it: differs between two opens.
  virtual std::int32_t handle() const = 0;
  virtual MixerCaps caps() = 0;
  // Nothing when the line cannot be read.
  virtual std::optional<MixerLine> destinationLine(std::uint32_t destination) = 0;
  virtual std::optional<MixerLine> sourceLine(std::uint32_t destination, std::uint32_t source) = 0;
  // All controls of a line at once, in the platform's order; nothing when they cannot be
  // read.
  virtual std::optional<std::vector<MixerControl>> lineControls(std::uint32_t lineId) = 0;
  // One value per independent channel of the control.
  virtual std::optional<std::vector<std::int64_t>> controlValues(std::uint32_t controlId) = 0;
  // One value for all channels, or one per channel; false when the device refused or
  // the values do not fit the control.
  virtual bool setControlValues(std::uint32_t controlId, std::span<const std::int64_t> values) = 0;
};

class IMixerSystem {
 public:
  virtual ~IMixerSystem() = default;
  // The mixer devices of the machine, numbered from 0; 0 without a sound card.
  virtual int deviceCount() = 0;
  // Opens device number device; null when there is no such device or it cannot be opened.
  // onChange is called on the user-interface thread, from its event loop, never from
  // inside a call to the device.
  virtual std::unique_ptr<IMixerDevice> open(int device, MixerChangeHandler onChange) = 0;
};

}  // namespace tov
