#pragma once
// The machine's sound cards as mixer devices, through ALSA's simple mixer: device v is the
// v-th card ALSA lists. Each card has the destinations "Playback" and "Capture"; the
// sources of each are the card's mixer elements that work in that direction, and their
// controls are a volume, a switch and an enumeration, as far as the element has them.
// This header brings in neither ALSA nor Qt.

#include <cstdint>
#include <memory>

#include "platform/mixer.h"

namespace tov {

class AlsaMixerSystem : public IMixerSystem {
 public:
  int deviceCount() override;
  // Open devices on the user-interface thread once the application object exists: their
  // change reports come from its event loop.
  std::unique_ptr<IMixerDevice> open(int device, MixerChangeHandler onChange) override;

 private:
  std::int32_t nextHandle_ = 1;
};

}  // namespace tov
