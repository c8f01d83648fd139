#include "sound/audiomixer.h"

#include <algorithm>
#include <limits>

namespace tov {

namespace {

std::string manufacturerText(std::uint16_t manufacturerId) {
  if (manufacturerId == 1) return "Microsoft";
  return std::to_string(manufacturerId) + " = Unknown";
}

// A name ends at its first zero byte, as the device's fixed-size record would hold it.
std::string upToZero(const std::string& text) { return text.substr(0, text.find('\0')); }

bool fitsControl(const MixerControl& control, std::span<const std::int64_t> values) {
  if (values.size() != 1 && values.size() != control.channels) return false;
  return std::all_of(values.begin(), values.end(),
                     [&](std::int64_t v) { return v >= control.minimum && v <= control.maximum; });
}

}  // namespace

TMixerControls::TMixerControls(IMixerDevice& device, const MixerLine& line) {
  if (line.controls == 0) return;
  // A different number from the one the line announced is an answer that cannot be
  // trusted, like a failed read.
  if (auto controls = device.lineControls(line.lineId);
      controls && controls->size() == line.controls)
    controls_ = std::move(*controls);
}

TMixerConnection::TMixerConnection(TAudioMixer& mixer, IMixerDevice& device, const MixerLine& line)
    : mixer_(mixer), line_(line), controls_(device, line_) {}

TMixerConnections::TMixerConnections(TAudioMixer& mixer, IMixerDevice& device,
                                     const MixerLine& destination)
    : mixer_(mixer) {
  const std::uint32_t count = std::min(destination.connections, kMaxMixerConnections);
  for (std::uint32_t source = 0; source < count; ++source)
    if (auto line = device.sourceLine(destination.destination, source))
      connections_.push_back(std::make_unique<TMixerConnection>(mixer, device, *line));
}

TMixerDestination::TMixerDestination(TAudioMixer& mixer, IMixerDevice& device,
                                     const MixerLine& line)
    : mixer_(mixer), line_(line), connections_(mixer, device, line_), controls_(device, line_) {}

TMixerDestinations::TMixerDestinations(TAudioMixer& mixer, IMixerDevice& device,
                                       std::uint32_t destinationCount) {
  const std::uint32_t count = std::min(destinationCount, kMaxMixerDestinations);
  for (std::uint32_t destination = 0; destination < count; ++destination)
    if (auto line = device.destinationLine(destination))
      destinations_.push_back(std::make_unique<TMixerDestination>(mixer, device, *line));
}

TAudioMixer::TAudioMixer(IMixerSystem& system)
    : system_(system), deviceCount_(std::max(system.deviceCount(), 0)) {
  setMixerId(0);
}

TAudioMixer::~TAudioMixer() { close(); }

std::int32_t TAudioMixer::NumberOfLine() const {
  return static_cast<std::int32_t>(
      std::min<std::uint32_t>(caps_.destinations, std::numeric_limits<std::int32_t>::max()));
}

void TAudioMixer::setMixerId(std::int32_t value) {
  if (deviceCount_ == 0) return;
  const std::int32_t id = std::min(value, deviceCount_ - 1);
  close();
  if (id < 0) return;
  // The device's reports reach this object only while the device is open, and the device
  // is closed before this object goes: the capture of this cannot outlive it.
  device_ = system_.open(id, [this](const MixerChange& change) { changed(change); });
  if (!device_) return;
  mixerId_ = id;
  caps_ = device_->caps();
  caps_.productName = upToZero(caps_.productName);
  manufacturer_ = manufacturerText(caps_.manufacturerId);
  destinations_ = std::make_unique<TMixerDestinations>(*this, *device_, caps_.destinations);
}

// The properties describe the open device only: once it is closed they are cleared, so a
// failed reopen cannot leave the previous device's name behind a MixerId of -1.
void TAudioMixer::close() {
  device_.reset();
  mixerId_ = -1;
  destinations_.reset();
  caps_ = MixerCaps{};
  manufacturer_.clear();
}

std::optional<std::vector<std::int64_t>> TAudioMixer::controlValues(
    const MixerControl& control) const {
  if (!device_) return std::nullopt;
  return device_->controlValues(control.controlId);
}

bool TAudioMixer::setControlValues(const MixerControl& control,
                                   std::span<const std::int64_t> values) {
  if (!device_ || !fitsControl(control, values)) return false;
  return device_->setControlValues(control.controlId, values);
}

void TAudioMixer::changed(const MixerChange& change) {
  const TMixerChange& event = change.kind == MixerChangeKind::Line ? OnLineChange : OnControlChange;
  if (!event) return;
  // The handler may write MixerId and close the device that reported this: read the
  // handle first, and keep the handler alive through its own call.
  const std::int32_t handle = device_ ? device_->handle() : 0;
  const TMixerChange handler = event;
  handler(this, handle, static_cast<std::int32_t>(change.id));
}

}  // namespace tov
