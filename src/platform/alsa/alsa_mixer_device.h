#pragma once
// One sound card's simple mixer as an IMixerDevice. Brings in ALSA: include it from this
// folder only.

#include <alsa/asoundlib.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/alsa/mixer_ids.h"
#include "platform/event_loop.h"
#include "platform/mixer.h"

namespace tov::alsa {

class AlsaMixerDevice : public IMixerDevice {
 public:
  // Attaches to the mixer of card number card; null when ALSA refuses.
  static std::unique_ptr<AlsaMixerDevice> open(int card, std::int32_t handle,
                                               MixerChangeHandler onChange);
  // The same over a control handle of any kind (a card's, or a plugin's), which it takes
  // over: closed with the device, or at once when it fails.
  static std::unique_ptr<AlsaMixerDevice> attach(snd_hctl_t* hctl, std::string productName,
                                                 std::int32_t handle, MixerChangeHandler onChange);
  ~AlsaMixerDevice() override;
  AlsaMixerDevice(const AlsaMixerDevice&) = delete;
  AlsaMixerDevice& operator=(const AlsaMixerDevice&) = delete;

  std::int32_t handle() const override { return handle_; }
  MixerCaps caps() override;
  std::optional<MixerLine> destinationLine(std::uint32_t destination) override;
  std::optional<MixerLine> sourceLine(std::uint32_t destination, std::uint32_t source) override;
  std::optional<std::vector<MixerControl>> lineControls(std::uint32_t lineId) override;
  std::optional<std::vector<std::int64_t>> controlValues(std::uint32_t controlId) override;
  bool setControlValues(std::uint32_t controlId, std::span<const std::int64_t> values) override;

 private:
  // What an element's callback finds through ALSA's private pointer. Slots keep their
  // place (and their element number) for as long as the device is open.
  struct Slot {
    AlsaMixerDevice* device = nullptr;
    std::uint32_t element = 0;
    snd_mixer_elem_t* elem = nullptr;  // null once ALSA removed the element
  };

  AlsaMixerDevice(snd_mixer_t* mixer, std::int32_t handle, MixerChangeHandler onChange,
                  std::string productName);
  void adopt(snd_mixer_elem_t* elem);
  void watchDescriptors();
  void handleEvents();
  void deliverPending();
  void note(MixerChangeKind kind, std::uint32_t id);
  void elementEvent(Slot& slot, unsigned int mask);
  void noteLinesOf(const Slot& slot, bool withDestinations);
  void refreshValues(const Slot& slot, bool noteDifferences);

  // The live element of a line identifier's element number that works in direction.
  snd_mixer_elem_t* element(std::uint32_t element, Direction direction) const;
  std::uint32_t connectionCount(Direction direction) const;
  std::vector<MixerControl> controlsOf(snd_mixer_elem_t* elem, std::uint32_t element,
                                       Direction direction) const;
  std::optional<std::vector<std::int64_t>> readValues(snd_mixer_elem_t* elem,
                                                      const ControlRef& control) const;

  static int onMixerEvent(snd_mixer_t* mixer, unsigned int mask, snd_mixer_elem_t* elem);
  static int onElementEvent(snd_mixer_elem_t* elem, unsigned int mask);

  snd_mixer_t* mixer_;
  std::int32_t handle_;
  MixerChangeHandler onChange_;
  std::string productName_;
  std::vector<std::unique_ptr<Slot>> slots_;
  // The last values seen of every control, to tell which control an element's value
  // event is about: ALSA reports the element only.
  std::map<std::uint32_t, std::vector<std::int64_t>> lastValues_;
  std::vector<MixerChange> pending_;
  std::vector<std::unique_ptr<LoopWatch>> watches_;
  // Expires with the device: a delivery loop whose handler destroyed the device stops.
  std::shared_ptr<const bool> lifetime_ = std::make_shared<const bool>(true);
  bool broken_ = false;  // ALSA lost the card: nothing more can be read
};

}  // namespace tov::alsa
