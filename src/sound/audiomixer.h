#pragma once
// The audio mixer component: it opens one mixer device of the machine and keeps a model of
// it, the destination lines, the source lines connected to each, and every line's controls.
// Changes that the device reports are raised as events.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/mixer.h"

namespace tov {

class TAudioMixer;

// Counts of lines beyond these are not believed: the lines past them are left out of the
// model, so a device that misreports cannot make the model read without end.
inline constexpr std::uint32_t kMaxMixerDestinations = 64;
inline constexpr std::uint32_t kMaxMixerConnections = 1024;

// The controls of one line, in the device's order; empty when they could not be read.
class TMixerControls {
 public:
  TMixerControls(IMixerDevice& device, const MixerLine& line);
  std::size_t Count() const { return controls_.size(); }
  const MixerControl& Item(std::size_t index) const { return controls_.at(index); }

 private:
  std::vector<MixerControl> controls_;
};

// A source line connected to a destination.
class TMixerConnection {
 public:
  TMixerConnection(TAudioMixer& mixer, IMixerDevice& device, const MixerLine& line);
  TAudioMixer& Mixer() const { return mixer_; }
  const MixerLine& Line() const { return line_; }
  const TMixerControls& Controls() const { return controls_; }

 private:
  TAudioMixer& mixer_;
  MixerLine line_;
  TMixerControls controls_;
};

// The source lines of one destination that could be read, in source order.
class TMixerConnections {
 public:
  TMixerConnections(TAudioMixer& mixer, IMixerDevice& device, const MixerLine& destination);
  TAudioMixer& Mixer() const { return mixer_; }
  std::size_t Count() const { return connections_.size(); }
  const TMixerConnection& Item(std::size_t index) const { return *connections_.at(index); }

 private:
  TAudioMixer& mixer_;
  std::vector<std::unique_ptr<TMixerConnection>> connections_;
};

class TMixerDestination {
 public:
  TMixerDestination(TAudioMixer& mixer, IMixerDevice& device, const MixerLine& line);
  TAudioMixer& Mixer() const { return mixer_; }
  const MixerLine& Line() const { return line_; }
  const TMixerControls& Controls() const { return controls_; }
  const TMixerConnections& Connections() const { return connections_; }

 private:
  TAudioMixer& mixer_;
  MixerLine line_;
  // Connections are built before the controls, and the controls are freed first.
  TMixerConnections connections_;
  TMixerControls controls_;
};

// The destination lines of the device that could be read, in destination order.
class TMixerDestinations {
 public:
  TMixerDestinations(TAudioMixer& mixer, IMixerDevice& device, std::uint32_t destinationCount);
  std::size_t Count() const { return destinations_.size(); }
  const TMixerDestination& Item(std::size_t index) const { return *destinations_.at(index); }

 private:
  std::vector<std::unique_ptr<TMixerDestination>> destinations_;
};

// Sender, the device's handle, and the line or control identifier that changed.
using TMixerChange = std::function<void(TAudioMixer* sender, std::int32_t MixerH, std::int32_t ID)>;

class TAudioMixer {
 public:
  // Asks the system for its number of devices, once, and opens device 0. The system must
  // outlive this object. Create and use on the user-interface thread.
  explicit TAudioMixer(IMixerSystem& system);
  ~TAudioMixer();
  TAudioMixer(const TAudioMixer&) = delete;
  TAudioMixer& operator=(const TAudioMixer&) = delete;

  // The open device's number; -1 while none is open.
  std::int32_t MixerId() const { return mixerId_; }
  // Closes the open device and opens device value (the last one when value is past it),
  // then builds the model; the same value opens the device again. A negative value only
  // closes. Without any device nothing happens; a device that fails to open leaves the
  // mixer closed.
  void setMixerId(std::int32_t value);

  // What the open device says about itself; 0 and empty while none is open.
  std::uint32_t DriverVersion() const { return caps_.driverVersion; }
  const std::string& Manufacturer() const { return manufacturer_; }
  std::uint16_t ProductId() const { return caps_.productId; }
  const std::string& ProductName() const { return caps_.productName; }
  std::int32_t NumberOfLine() const;

  // The model of the open device; null while none is open.
  const TMixerDestinations* Destinations() const { return destinations_.get(); }

  // The values of a control of the open device, one per independent channel.
  std::optional<std::vector<std::int64_t>> controlValues(const MixerControl& control) const;
  // One value for all channels, or one per channel, each within the control's range;
  // false, with nothing sent to the device, for any other values or while none is open.
  bool setControlValues(const MixerControl& control, std::span<const std::int64_t> values);

  TMixerChange OnLineChange;
  TMixerChange OnControlChange;

 private:
  void close();
  void changed(const MixerChange& change);

  IMixerSystem& system_;
  int deviceCount_ = 0;
  std::int32_t mixerId_ = -1;
  std::unique_ptr<IMixerDevice> device_;
  MixerCaps caps_;
  std::string manufacturer_;
  std::unique_ptr<TMixerDestinations> destinations_;
};

}  // namespace tov
