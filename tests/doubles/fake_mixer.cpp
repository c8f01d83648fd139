#include "doubles/fake_mixer.h"

#include <algorithm>

namespace tov::test {

class FakeMixerSystem::Device : public IMixerDevice {
 public:
  Device(FakeMixerSystem& system, int card, std::int32_t handle, MixerChangeHandler onChange)
      : system_(system), card_(card), handle_(handle), onChange_(std::move(onChange)) {
    system_.open_.push_back(this);
  }
  ~Device() override {
    record("close");
    std::erase(system_.open_, this);
  }

  std::int32_t handle() const override { return handle_; }

  MixerCaps caps() override {
    record("caps");
    return card().caps;
  }

  std::optional<MixerLine> destinationLine(std::uint32_t destination) override {
    record("destination", destination);
    const FakeMixerDestination* d = findDestination(destination);
    if (!d || d->unreadable) return std::nullopt;
    return d->line;
  }

  std::optional<MixerLine> sourceLine(std::uint32_t destination, std::uint32_t source) override {
    record("source", destination, source);
    const FakeMixerDestination* d = findDestination(destination);
    if (!d || source >= d->sources.size() || d->sources[source].unreadable) return std::nullopt;
    return d->sources[source].line;
  }

  std::optional<std::vector<MixerControl>> lineControls(std::uint32_t lineId) override {
    record("controls", lineId);
    const FakeMixerLine* line = findLine(lineId);
    if (!line || line->controlsUnreadable) return std::nullopt;
    return line->controls;
  }

  std::optional<std::vector<std::int64_t>> controlValues(std::uint32_t controlId) override {
    record("values", controlId);
    auto found = card().values.find(controlId);
    if (found == card().values.end()) return std::nullopt;
    return found->second;
  }

  bool setControlValues(std::uint32_t controlId, std::span<const std::int64_t> values) override {
    std::string call = "set " + std::to_string(card_) + " " + std::to_string(controlId);
    for (std::int64_t v : values) call += " " + std::to_string(v);
    system_.calls.push_back(call);
    if (card().refusesValues) return false;
    card().values[controlId].assign(values.begin(), values.end());
    return true;
  }

  void deliver(const MixerChange& change) {
    // The handler may close this device: nothing of it is touched after the call.
    const MixerChangeHandler handler = onChange_;
    handler(change);
  }

 private:
  FakeMixerCard& card() { return system_.cards.at(static_cast<std::size_t>(card_)); }

  const FakeMixerDestination* findDestination(std::uint32_t destination) {
    if (destination >= card().caps.destinations || destination >= card().destinations.size())
      return nullptr;
    return &card().destinations[destination];
  }

  const FakeMixerLine* findLine(std::uint32_t lineId) {
    for (const FakeMixerDestination& d : card().destinations) {
      if (d.line.lineId == lineId) return &d;
      for (const FakeMixerLine& s : d.sources)
        if (s.line.lineId == lineId) return &s;
    }
    return nullptr;
  }

  void record(const std::string& what, std::uint32_t a = ~0u, std::uint32_t b = ~0u) {
    std::string call = what + " " + std::to_string(card_);
    if (a != ~0u) call += " " + std::to_string(a);
    if (b != ~0u) call += " " + std::to_string(b);
    system_.calls.push_back(call);
  }

  FakeMixerSystem& system_;
  int card_;
  std::int32_t handle_;
  MixerChangeHandler onChange_;
};

int FakeMixerSystem::deviceCount() {
  calls.push_back("count");
  return static_cast<int>(cards.size());
}

std::unique_ptr<IMixerDevice> FakeMixerSystem::open(int device, MixerChangeHandler onChange) {
  calls.push_back("open " + std::to_string(device));
  if (device < 0 || static_cast<std::size_t>(device) >= cards.size() ||
      cards[static_cast<std::size_t>(device)].failsToOpen)
    return nullptr;
  return std::make_unique<Device>(*this, device, nextHandle_++, std::move(onChange));
}

void FakeMixerSystem::report(MixerChangeKind kind, std::uint32_t id) {
  // A handler may close devices and open others; those opened meanwhile did not see the
  // change happen. Handles, unlike addresses, are never reused.
  std::vector<std::int32_t> reporting;
  for (const Device* device : open_) reporting.push_back(device->handle());
  for (std::int32_t handle : reporting) {
    auto device = std::find_if(open_.begin(), open_.end(),
                               [&](const Device* d) { return d->handle() == handle; });
    if (device != open_.end()) (*device)->deliver(MixerChange{kind, id});
  }
}

}  // namespace tov::test
