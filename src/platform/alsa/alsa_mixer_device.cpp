#include "platform/alsa/alsa_mixer_device.h"

#include <poll.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdlib>
#include <string_view>
#include <utility>

namespace tov::alsa {

namespace {

// The simple mixer's calls of one direction, so that everything else is written once.
struct DirectionApi {
  int (*hasVolume)(snd_mixer_elem_t*);
  int (*volumeJoined)(snd_mixer_elem_t*);
  int (*hasSwitch)(snd_mixer_elem_t*);
  int (*switchJoined)(snd_mixer_elem_t*);
  int (*hasChannel)(snd_mixer_elem_t*, snd_mixer_selem_channel_id_t);
  int (*volumeRange)(snd_mixer_elem_t*, long*, long*);
  int (*getVolume)(snd_mixer_elem_t*, snd_mixer_selem_channel_id_t, long*);
  int (*setVolume)(snd_mixer_elem_t*, snd_mixer_selem_channel_id_t, long);
  int (*setVolumeAll)(snd_mixer_elem_t*, long);
  int (*getSwitch)(snd_mixer_elem_t*, snd_mixer_selem_channel_id_t, int*);
  int (*setSwitch)(snd_mixer_elem_t*, snd_mixer_selem_channel_id_t, int);
  int (*setSwitchAll)(snd_mixer_elem_t*, int);
  const char* destinationName;
};

constexpr std::array<DirectionApi, kDestinationCount> kApi = {{
    {snd_mixer_selem_has_playback_volume, snd_mixer_selem_has_playback_volume_joined,
     snd_mixer_selem_has_playback_switch, snd_mixer_selem_has_playback_switch_joined,
     snd_mixer_selem_has_playback_channel, snd_mixer_selem_get_playback_volume_range,
     snd_mixer_selem_get_playback_volume, snd_mixer_selem_set_playback_volume,
     snd_mixer_selem_set_playback_volume_all, snd_mixer_selem_get_playback_switch,
     snd_mixer_selem_set_playback_switch, snd_mixer_selem_set_playback_switch_all, "Playback"},
    {snd_mixer_selem_has_capture_volume, snd_mixer_selem_has_capture_volume_joined,
     snd_mixer_selem_has_capture_switch, snd_mixer_selem_has_capture_switch_joined,
     snd_mixer_selem_has_capture_channel, snd_mixer_selem_get_capture_volume_range,
     snd_mixer_selem_get_capture_volume, snd_mixer_selem_set_capture_volume,
     snd_mixer_selem_set_capture_volume_all, snd_mixer_selem_get_capture_switch,
     snd_mixer_selem_set_capture_switch, snd_mixer_selem_set_capture_switch_all, "Capture"},
}};

constexpr std::array<Direction, kDestinationCount> kDirections = {Direction::Playback,
                                                                  Direction::Capture};
constexpr std::array<MixerControlKind, 3> kKinds = {
    MixerControlKind::Volume, MixerControlKind::Switch, MixerControlKind::Enumeration};

// Beyond these a card's answer is not believed.
constexpr int kMaxPollDescriptors = 16;
constexpr int kMaxEnumItems = 256;
constexpr std::size_t kItemNameLength = 64;

const DirectionApi& api(Direction direction) { return kApi[static_cast<std::size_t>(direction)]; }

// An enumeration that belongs to neither direction is a setting of the card as a whole,
// kept with the output.
bool isEnumeration(snd_mixer_elem_t* elem, Direction direction) {
  if (!snd_mixer_selem_is_enumerated(elem)) return false;
  if (direction == Direction::Capture) return snd_mixer_selem_is_enum_capture(elem);
  return snd_mixer_selem_is_enum_playback(elem) || !snd_mixer_selem_is_enum_capture(elem);
}

bool hasKind(snd_mixer_elem_t* elem, Direction direction, MixerControlKind kind) {
  switch (kind) {
    case MixerControlKind::Volume:
      return api(direction).hasVolume(elem);
    case MixerControlKind::Switch:
      return api(direction).hasSwitch(elem);
    case MixerControlKind::Enumeration:
      return isEnumeration(elem, direction);
  }
  return false;
}

bool works(snd_mixer_elem_t* elem, Direction direction) {
  return std::any_of(kKinds.begin(), kKinds.end(),
                     [&](MixerControlKind kind) { return hasKind(elem, direction, kind); });
}

std::vector<snd_mixer_selem_channel_id_t> channelsOf(snd_mixer_elem_t* elem, Direction direction) {
  std::vector<snd_mixer_selem_channel_id_t> channels;
  for (int c = SND_MIXER_SCHN_FRONT_LEFT; c <= SND_MIXER_SCHN_LAST; ++c)
    if (api(direction).hasChannel(elem, static_cast<snd_mixer_selem_channel_id_t>(c)))
      channels.push_back(static_cast<snd_mixer_selem_channel_id_t>(c));
  if (channels.empty()) channels.push_back(SND_MIXER_SCHN_MONO);
  return channels;
}

// The channels whose values a control of kind reads and writes: one when they move
// together.
std::vector<snd_mixer_selem_channel_id_t> valueChannels(snd_mixer_elem_t* elem, Direction direction,
                                                        MixerControlKind kind) {
  std::vector<snd_mixer_selem_channel_id_t> channels = channelsOf(elem, direction);
  const bool joined = kind == MixerControlKind::Enumeration ||
                      (kind == MixerControlKind::Volume && api(direction).volumeJoined(elem)) ||
                      (kind == MixerControlKind::Switch && api(direction).switchJoined(elem));
  if (joined) channels.resize(1);
  return channels;
}

std::string elementName(snd_mixer_elem_t* elem) {
  std::string name = snd_mixer_selem_get_name(elem);
  if (const unsigned index = snd_mixer_selem_get_index(elem); index != 0)
    name += " " + std::to_string(index);
  return name;
}

std::optional<MixerControl> describe(snd_mixer_elem_t* elem, Direction direction,
                                     MixerControlKind kind) {
  MixerControl control;
  control.kind = kind;
  control.channels = static_cast<std::uint32_t>(valueChannels(elem, direction, kind).size());
  switch (kind) {
    case MixerControlKind::Volume: {
      long minimum = 0;
      long maximum = 0;
      if (api(direction).volumeRange(elem, &minimum, &maximum) < 0 || minimum > maximum)
        return std::nullopt;
      control.name = elementName(elem) + " Volume";
      control.minimum = minimum;
      control.maximum = maximum;
      return control;
    }
    case MixerControlKind::Switch:
      control.name = elementName(elem) + " Switch";
      control.maximum = 1;
      return control;
    case MixerControlKind::Enumeration: {
      const int items = snd_mixer_selem_get_enum_items(elem);
      if (items <= 0 || items > kMaxEnumItems) return std::nullopt;
      control.name = elementName(elem);
      control.maximum = items - 1;
      for (int item = 0; item < items; ++item) {
        std::array<char, kItemNameLength> text{};
        if (snd_mixer_selem_get_enum_item_name(elem, static_cast<unsigned>(item), text.size() - 1,
                                               text.data()) < 0)
          return std::nullopt;
        control.items.emplace_back(text.data());
      }
      return control;
    }
  }
  return std::nullopt;
}

// The library's version as one number, 0x010208 for 1.2.8: the part of ALSA that this
// program talks to.
std::uint32_t libraryVersion() {
  const std::string_view text = snd_asoundlib_version();
  std::uint32_t version = 0;
  const char* at = text.data();
  const char* end = text.data() + text.size();
  for (int part = 0; part < 3; ++part) {
    unsigned value = 0;
    auto [next, error] = std::from_chars(at, end, value);
    if (error != std::errc{} || value > 0xFF) break;
    version |= value << (8 * (2 - part));
    if (next == end || *next != '.') break;
    at = next + 1;
  }
  return version;
}

}  // namespace

std::unique_ptr<AlsaMixerDevice> AlsaMixerDevice::open(int card, std::int32_t handle,
                                                       MixerChangeHandler onChange) {
  snd_hctl_t* hctl = nullptr;
  const std::string name = "hw:" + std::to_string(card);
  if (snd_hctl_open(&hctl, name.c_str(), 0) < 0) return nullptr;
  std::string productName;
  if (char* cardName = nullptr; snd_card_get_name(card, &cardName) == 0) {
    productName = cardName;
    std::free(cardName);
  }
  return attach(hctl, std::move(productName), handle, std::move(onChange));
}

std::unique_ptr<AlsaMixerDevice> AlsaMixerDevice::attach(snd_hctl_t* hctl, std::string productName,
                                                         std::int32_t handle,
                                                         MixerChangeHandler onChange) {
  snd_mixer_t* mixer = nullptr;
  if (snd_mixer_open(&mixer, 0) < 0) {
    snd_hctl_close(hctl);
    return nullptr;
  }
  // From here on the mixer owns the control handle and closes it with itself.
  if (snd_mixer_attach_hctl(mixer, hctl) < 0 ||
      snd_mixer_selem_register(mixer, nullptr, nullptr) < 0 || snd_mixer_load(mixer) < 0) {
    snd_mixer_close(mixer);
    return nullptr;
  }
  return std::unique_ptr<AlsaMixerDevice>(
      new AlsaMixerDevice(mixer, handle, std::move(onChange), std::move(productName)));
}

AlsaMixerDevice::AlsaMixerDevice(snd_mixer_t* mixer, std::int32_t handle,
                                 MixerChangeHandler onChange, std::string productName)
    : mixer_(mixer),
      handle_(handle),
      onChange_(std::move(onChange)),
      productName_(std::move(productName)) {
  for (snd_mixer_elem_t* elem = snd_mixer_first_elem(mixer_); elem;
       elem = snd_mixer_elem_next(elem))
    adopt(elem);
  snd_mixer_set_callback_private(mixer_, this);
  snd_mixer_set_callback(mixer_, &AlsaMixerDevice::onMixerEvent);
  watchDescriptors();
}

AlsaMixerDevice::~AlsaMixerDevice() {
  // The notifiers go before the descriptors they watch are closed.
  watches_.clear();
  // ALSA reports every element's removal while it closes: nobody may listen by then.
  snd_mixer_set_callback(mixer_, nullptr);
  for (const auto& slot : slots_)
    if (slot->elem) snd_mixer_elem_set_callback(slot->elem, nullptr);
  snd_mixer_close(mixer_);
}

void AlsaMixerDevice::adopt(snd_mixer_elem_t* elem) {
  // Element numbers must fit their identifiers; a card with more is not believed.
  if (slots_.size() >= kMaxElements) return;
  auto slot = std::make_unique<Slot>(Slot{this, static_cast<std::uint32_t>(slots_.size()), elem});
  snd_mixer_elem_set_callback_private(elem, slot.get());
  snd_mixer_elem_set_callback(elem, &AlsaMixerDevice::onElementEvent);
  refreshValues(*slot, false);
  slots_.push_back(std::move(slot));
}

void AlsaMixerDevice::watchDescriptors() {
  const int count = snd_mixer_poll_descriptors_count(mixer_);
  if (count <= 0 || count > kMaxPollDescriptors) return;
  std::vector<pollfd> descriptors(static_cast<std::size_t>(count));
  const int filled =
      snd_mixer_poll_descriptors(mixer_, descriptors.data(), static_cast<unsigned>(count));
  for (int i = 0; i < std::min(filled, count); ++i) {
    const pollfd& descriptor = descriptors[static_cast<std::size_t>(i)];
    const WatchFor what = (descriptor.events & POLLOUT) && !(descriptor.events & (POLLIN | POLLPRI))
                              ? WatchFor::Writable
                              : WatchFor::Readable;
    watches_.push_back(std::make_unique<LoopWatch>(descriptor.fd, what, [this] { handleEvents(); }));
  }
}

void AlsaMixerDevice::handleEvents() {
  // ALSA calls our element callbacks from inside this; they only take notes. The owner
  // hears of them afterwards, when its handler may close this device safely.
  if (snd_mixer_handle_events(mixer_) < 0) {
    // The card went away. Its descriptor would stay readable for ever: stop watching it,
    // and tell the owner that both destinations changed.
    broken_ = true;
    for (const auto& watch : watches_) watch->setEnabled(false);
    for (Direction direction : kDirections)
      note(MixerChangeKind::Line, destinationLineId(direction));
  }
  deliverPending();
}

void AlsaMixerDevice::deliverPending() {
  const std::vector<MixerChange> changes = std::exchange(pending_, {});
  const std::weak_ptr<const bool> alive = lifetime_;
  const MixerChangeHandler handler = onChange_;
  for (const MixerChange& change : changes) {
    if (alive.expired()) return;
    handler(change);
  }
}

void AlsaMixerDevice::note(MixerChangeKind kind, std::uint32_t id) {
  const MixerChange change{kind, id};
  if (std::find(pending_.begin(), pending_.end(), change) == pending_.end())
    pending_.push_back(change);
}

int AlsaMixerDevice::onMixerEvent(snd_mixer_t* mixer, unsigned int mask, snd_mixer_elem_t* elem) {
  auto* device = static_cast<AlsaMixerDevice*>(snd_mixer_get_callback_private(mixer));
  if (!device || !elem || mask == SND_CTL_EVENT_MASK_REMOVE || !(mask & SND_CTL_EVENT_MASK_ADD))
    return 0;
  const auto& adopted = device->slots_;
  if (std::any_of(adopted.begin(), adopted.end(),
                  [&](const auto& slot) { return slot->elem == elem; }))
    return 0;
  device->adopt(elem);
  if (!adopted.empty() && adopted.back()->elem == elem) device->noteLinesOf(*adopted.back(), true);
  return 0;
}

int AlsaMixerDevice::onElementEvent(snd_mixer_elem_t* elem, unsigned int mask) {
  auto* slot = static_cast<Slot*>(snd_mixer_elem_get_callback_private(elem));
  if (slot && slot->elem == elem) slot->device->elementEvent(*slot, mask);
  return 0;
}

void AlsaMixerDevice::elementEvent(Slot& slot, unsigned int mask) {
  if (mask == SND_CTL_EVENT_MASK_REMOVE) {
    // The element is still readable during this call, and freed after it.
    noteLinesOf(slot, true);
    for (Direction direction : kDirections)
      for (MixerControlKind kind : kKinds)
        lastValues_.erase(controlId(direction, slot.element, kind));
    slot.elem = nullptr;
    return;
  }
  if (mask & SND_CTL_EVENT_MASK_INFO) {
    noteLinesOf(slot, false);
    refreshValues(slot, false);
  }
  if (mask & SND_CTL_EVENT_MASK_VALUE) refreshValues(slot, true);
}

void AlsaMixerDevice::noteLinesOf(const Slot& slot, bool withDestinations) {
  for (Direction direction : kDirections) {
    if (!works(slot.elem, direction)) continue;
    note(MixerChangeKind::Line, sourceLineId(direction, slot.element));
    // Sources are numbered among the live elements: an element coming or going
    // renumbers the destination's sources.
    if (withDestinations) note(MixerChangeKind::Line, destinationLineId(direction));
  }
}

void AlsaMixerDevice::refreshValues(const Slot& slot, bool noteDifferences) {
  for (Direction direction : kDirections) {
    for (MixerControlKind kind : kKinds) {
      if (!hasKind(slot.elem, direction, kind)) continue;
      const ControlRef control{direction, slot.element, kind};
      const std::uint32_t id = controlId(direction, slot.element, kind);
      std::optional<std::vector<std::int64_t>> values = readValues(slot.elem, control);
      if (!values) continue;
      std::vector<std::int64_t>& last = lastValues_[id];
      if (noteDifferences && last != *values) note(MixerChangeKind::Control, id);
      last = std::move(*values);
    }
  }
}

snd_mixer_elem_t* AlsaMixerDevice::element(std::uint32_t element, Direction direction) const {
  if (broken_ || element >= slots_.size()) return nullptr;
  snd_mixer_elem_t* elem = slots_[element]->elem;
  return elem && works(elem, direction) ? elem : nullptr;
}

std::uint32_t AlsaMixerDevice::connectionCount(Direction direction) const {
  return static_cast<std::uint32_t>(
      std::count_if(slots_.begin(), slots_.end(),
                    [&](const auto& slot) { return slot->elem && works(slot->elem, direction); }));
}

MixerCaps AlsaMixerDevice::caps() {
  MixerCaps caps;
  // ALSA has no manufacturer or product numbers: both stay 0.
  caps.driverVersion = libraryVersion();
  caps.productName = productName_;
  caps.destinations = kDestinationCount;
  return caps;
}

// A destination has no controls of its own: every element, the master volume included,
// is one of its sources.
std::optional<MixerLine> AlsaMixerDevice::destinationLine(std::uint32_t destination) {
  if (broken_ || destination >= kDestinationCount) return std::nullopt;
  const auto direction = static_cast<Direction>(destination);
  MixerLine line;
  line.destination = destination;
  line.lineId = destinationLineId(direction);
  line.connections = connectionCount(direction);
  line.name = api(direction).destinationName;
  return line;
}

std::optional<MixerLine> AlsaMixerDevice::sourceLine(std::uint32_t destination,
                                                     std::uint32_t source) {
  if (broken_ || destination >= kDestinationCount) return std::nullopt;
  const auto direction = static_cast<Direction>(destination);
  std::uint32_t number = 0;
  for (const auto& slot : slots_) {
    if (!slot->elem || !works(slot->elem, direction)) continue;
    if (number++ != source) continue;
    MixerLine line;
    line.destination = destination;
    line.source = source;
    line.lineId = sourceLineId(direction, slot->element);
    line.controls =
        static_cast<std::uint32_t>(controlsOf(slot->elem, slot->element, direction).size());
    line.channels = static_cast<std::uint32_t>(channelsOf(slot->elem, direction).size());
    line.name = elementName(slot->elem);
    return line;
  }
  return std::nullopt;
}

std::optional<std::vector<MixerControl>> AlsaMixerDevice::lineControls(std::uint32_t lineId) {
  const std::optional<LineRef> line = decodeLineId(lineId);
  if (broken_ || !line) return std::nullopt;
  if (!line->element) return std::vector<MixerControl>{};
  snd_mixer_elem_t* elem = element(*line->element, line->direction);
  if (!elem) return std::nullopt;
  return controlsOf(elem, *line->element, line->direction);
}

std::vector<MixerControl> AlsaMixerDevice::controlsOf(snd_mixer_elem_t* elem, std::uint32_t element,
                                                      Direction direction) const {
  std::vector<MixerControl> controls;
  for (MixerControlKind kind : kKinds) {
    if (!hasKind(elem, direction, kind)) continue;
    if (std::optional<MixerControl> control = describe(elem, direction, kind)) {
      control->controlId = controlId(direction, element, kind);
      controls.push_back(std::move(*control));
    }
  }
  return controls;
}

std::optional<std::vector<std::int64_t>> AlsaMixerDevice::controlValues(std::uint32_t id) {
  const std::optional<ControlRef> control = decodeControlId(id);
  if (!control) return std::nullopt;
  snd_mixer_elem_t* elem = element(control->element, control->direction);
  if (!elem || !hasKind(elem, control->direction, control->kind)) return std::nullopt;
  return readValues(elem, *control);
}

std::optional<std::vector<std::int64_t>> AlsaMixerDevice::readValues(
    snd_mixer_elem_t* elem, const ControlRef& control) const {
  const DirectionApi& calls = api(control.direction);
  std::vector<std::int64_t> values;
  for (snd_mixer_selem_channel_id_t channel :
       valueChannels(elem, control.direction, control.kind)) {
    int failed = 0;
    if (control.kind == MixerControlKind::Volume) {
      long value = 0;
      failed = calls.getVolume(elem, channel, &value);
      values.push_back(value);
    } else if (control.kind == MixerControlKind::Switch) {
      int value = 0;
      failed = calls.getSwitch(elem, channel, &value);
      values.push_back(value ? 1 : 0);
    } else {
      unsigned item = 0;
      failed = snd_mixer_selem_get_enum_item(elem, channel, &item);
      values.push_back(item);
    }
    if (failed < 0) return std::nullopt;
  }
  return values;
}

bool AlsaMixerDevice::setControlValues(std::uint32_t id, std::span<const std::int64_t> values) {
  const std::optional<ControlRef> control = decodeControlId(id);
  if (!control) return false;
  snd_mixer_elem_t* elem = element(control->element, control->direction);
  if (!elem || !hasKind(elem, control->direction, control->kind)) return false;
  const std::optional<MixerControl> description = describe(elem, control->direction, control->kind);
  // ALSA ignores a volume outside its range and still answers success: check it here.
  if (!description || (values.size() != 1 && values.size() != description->channels) ||
      std::any_of(values.begin(), values.end(), [&](std::int64_t v) {
        return v < description->minimum || v > description->maximum;
      }))
    return false;

  const DirectionApi& calls = api(control->direction);
  if (control->kind == MixerControlKind::Enumeration) {
    // Every channel takes the item; the first channel that does not exist ends the list.
    const auto item = static_cast<unsigned>(values[0]);
    if (snd_mixer_selem_set_enum_item(elem, SND_MIXER_SCHN_MONO, item) < 0) return false;
    for (int c = SND_MIXER_SCHN_FRONT_LEFT + 1; c <= SND_MIXER_SCHN_LAST; ++c)
      if (snd_mixer_selem_set_enum_item(elem, static_cast<snd_mixer_selem_channel_id_t>(c), item) <
          0)
        break;
    return true;
  }
  const bool isVolume = control->kind == MixerControlKind::Volume;
  if (values.size() == 1)
    return (isVolume ? calls.setVolumeAll(elem, static_cast<long>(values[0]))
                     : calls.setSwitchAll(elem, static_cast<int>(values[0]))) >= 0;
  const std::vector<snd_mixer_selem_channel_id_t> channels =
      valueChannels(elem, control->direction, control->kind);
  for (std::size_t i = 0; i < values.size(); ++i) {
    const int result = isVolume ? calls.setVolume(elem, channels[i], static_cast<long>(values[i]))
                                : calls.setSwitch(elem, channels[i], static_cast<int>(values[i]));
    if (result < 0) return false;
  }
  return true;
}

}  // namespace tov::alsa
