#include "platform/alsa/alsa_mixer.h"

#include <alsa/asoundlib.h>

#include <limits>

#include "platform/alsa/alsa_mixer_device.h"

namespace tov {

namespace {

// The card number of the index-th card ALSA lists (their numbers may have gaps), or -1.
int cardAt(int index) {
  int card = -1;
  for (int listed = 0; snd_card_next(&card) == 0 && card >= 0; ++listed)
    if (listed == index) return card;
  return -1;
}

}  // namespace

int AlsaMixerSystem::deviceCount() {
  int card = -1;
  int count = 0;
  while (snd_card_next(&card) == 0 && card >= 0) ++count;
  return count;
}

std::unique_ptr<IMixerDevice> AlsaMixerSystem::open(int device, MixerChangeHandler onChange) {
  if (device < 0) return nullptr;
  const int card = cardAt(device);
  if (card < 0) return nullptr;
  const std::int32_t handle = nextHandle_;
  nextHandle_ = nextHandle_ == std::numeric_limits<std::int32_t>::max() ? 1 : nextHandle_ + 1;
  return alsa::AlsaMixerDevice::open(card, handle, std::move(onChange));
}

}  // namespace tov
