#pragma once
// Test double of the mixer devices: cards described by the test, lines and controls that
// can be made unreadable, every call recorded, and changes reported on demand.

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/mixer.h"

namespace tov::test {

// A line as the fake device answers for it.
struct FakeMixerLine {
  MixerLine line;
  bool unreadable = false;          // asking for the line fails
  bool controlsUnreadable = false;  // asking for its controls fails
  std::vector<MixerControl> controls;
};

struct FakeMixerDestination : FakeMixerLine {
  // By source number; line.connections may announce more than there are, and asking for
  // those fails.
  std::vector<FakeMixerLine> sources;
};

struct FakeMixerCard {
  // caps.destinations may announce more destinations than there are; asking for those
  // fails.
  MixerCaps caps;
  bool failsToOpen = false;
  std::vector<FakeMixerDestination> destinations;
  std::map<std::uint32_t, std::vector<std::int64_t>> values;  // by control id
  bool refusesValues = false;
};

class FakeMixerSystem : public IMixerSystem {
 public:
  // No card by default: the machine of CI and of most tests.
  std::vector<FakeMixerCard> cards;
  // "count", "open 1", "close 1", "caps 1", "destination 1 0", "source 1 0 2",
  // "controls 1 ID", "values 1 ID", "set 1 ID 3 4": the number is the card's.
  std::vector<std::string> calls;

  int deviceCount() override;
  std::unique_ptr<IMixerDevice> open(int device, MixerChangeHandler onChange) override;

  // Reports the change from every open device, as their event loop would deliver it.
  void report(MixerChangeKind kind, std::uint32_t id);
  std::size_t openDevices() const { return open_.size(); }
  // The handle of the device opened last.
  std::int32_t lastHandle() const { return nextHandle_ - 1; }

 private:
  class Device;
  friend class Device;
  std::vector<Device*> open_;
  std::int32_t nextHandle_ = 100;
};

}  // namespace tov::test
