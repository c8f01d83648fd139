#include "midi_writer.h"

#include <algorithm>
#include <array>
#include <bitset>
#include <limits>
#include <string_view>

namespace tov::midi {
namespace {

constexpr std::uint8_t kNoteOff = 0x80;
constexpr std::uint8_t kNoteOn = 0x90;
constexpr std::uint8_t kControlChange = 0xB0;
constexpr std::uint8_t kProgramChange = 0xC0;
constexpr std::uint8_t kMeta = 0xFF;
constexpr std::uint8_t kMetaTrackName = 0x03;
constexpr std::uint8_t kMetaEndOfTrack = 0x2F;
constexpr std::uint8_t kMetaTempo = 0x51;
constexpr std::uint8_t kMetaTimeSignature = 0x58;
// A note-off's release velocity; 64 is the standard's value for "none given".
constexpr std::uint8_t kDefaultReleaseVelocity = 64;
constexpr int kChannels = 16;
constexpr int kKeys = 128;

std::uint32_t checked(std::string_view what, std::int64_t value, std::int64_t low,
                      std::int64_t high) {
  if (value < low || value > high)
    throw EMidiWrite(ErrorCode::MidiValueOutOfRange,
                     std::string(what) + " " + std::to_string(value));
  return static_cast<std::uint32_t>(value);
}

std::uint8_t dataByte(std::string_view what, int value) {
  return static_cast<std::uint8_t>(checked(what, value, 0, 127));
}

std::uint8_t channelStatus(std::uint8_t kind, int channel) {
  return static_cast<std::uint8_t>(kind | checked("channel", channel, 0, kChannels - 1));
}

void appendBigEndian(Bytes& out, std::uint32_t value, int byteCount) {
  for (int shift = 8 * (byteCount - 1); shift >= 0; shift -= 8)
    out.push_back(static_cast<std::uint8_t>(value >> shift));
}

Bytes metaEvent(std::uint8_t type, const Bytes& payload) {
  Bytes data{kMeta, type};
  appendVariableLength(data, checked("meta event length", static_cast<std::int64_t>(payload.size()),
                                     0, kMaxVariableLength));
  data.insert(data.end(), payload.begin(), payload.end());
  return data;
}

Bytes chunkOf(const char (&type)[5], const Bytes& body) {
  Bytes chunk(type, type + 4);
  appendBigEndian(chunk, checked("chunk length", static_cast<std::int64_t>(body.size()), 0,
                                 std::numeric_limits<std::uint32_t>::max()),
                  4);
  chunk.insert(chunk.end(), body.begin(), body.end());
  return chunk;
}

}  // namespace

void appendVariableLength(Bytes& out, std::uint32_t value) {
  checked("variable-length quantity", value, 0, kMaxVariableLength);
  std::array<std::uint8_t, 4> groups{};
  std::size_t count = 0;
  do {
    groups[count++] = static_cast<std::uint8_t>(value & 0x7F);
    value >>= 7;
  } while (value != 0);
  // Every group but the last carries the continuation bit.
  while (count > 1) out.push_back(static_cast<std::uint8_t>(groups[--count] | 0x80));
  out.push_back(groups[0]);
}

void Track::add(std::uint32_t tick, Order order, Bytes data) {
  events_.push_back({tick, order, std::move(data)});
}

void Track::addName(std::uint32_t tick, const std::string& name) {
  add(tick, Order::Setting, metaEvent(kMetaTrackName, Bytes(name.begin(), name.end())));
}

void Track::addTempo(std::uint32_t tick, std::uint32_t microsecondsPerQuarter) {
  // Three bytes hold the tempo; zero would be an infinitely fast beat.
  Bytes payload;
  appendBigEndian(payload, checked("tempo", microsecondsPerQuarter, 1, 0xFFFFFF), 3);
  add(tick, Order::Setting, metaEvent(kMetaTempo, payload));
}

void Track::addTimeSignature(std::uint32_t tick, int numerator, int denominatorPower,
                             int clocksPerClick) {
  constexpr std::uint8_t kThirtySecondsPerQuarter = 8;
  const auto byte = [](std::string_view what, int value, int low, int high) {
    return static_cast<std::uint8_t>(checked(what, value, low, high));
  };
  const Bytes payload{byte("time signature numerator", numerator, 1, 255),
                      byte("time signature denominator power", denominatorPower, 0, 6),
                      byte("clocks per click", clocksPerClick, 1, 255), kThirtySecondsPerQuarter};
  add(tick, Order::Setting, metaEvent(kMetaTimeSignature, payload));
}

void Track::addProgramChange(std::uint32_t tick, int channel, int program) {
  add(tick, Order::Setting, {channelStatus(kProgramChange, channel), dataByte("program", program)});
}

void Track::addControlChange(std::uint32_t tick, int channel, int controller, int value) {
  add(tick, Order::Setting,
      {channelStatus(kControlChange, channel), dataByte("controller", controller),
       dataByte("controller value", value)});
}

void Track::addNote(std::uint32_t start, std::uint32_t duration, int channel, int key,
                    int velocity) {
  checked("note duration", duration, 1, std::numeric_limits<std::uint32_t>::max() - start);
  const std::uint8_t key7 = dataByte("key", key);
  // A note-on with velocity 0 means note-off in the MIDI standard.
  const auto velocity7 = static_cast<std::uint8_t>(checked("velocity", velocity, 1, 127));
  add(start, Order::NoteOn, {channelStatus(kNoteOn, channel), key7, velocity7});
  add(start + duration, Order::NoteOff,
      {channelStatus(kNoteOff, channel), key7, kDefaultReleaseVelocity});
}

void Track::checkNoOverlaps(const std::vector<Event>& sorted) const {
  std::array<std::bitset<kKeys>, kChannels> sounding;
  for (const Event& event : sorted) {
    if (event.order == Order::Setting) continue;
    const int channel = event.data[0] & 0x0F;
    const int key = event.data[1];
    const bool on = event.order == Order::NoteOn;
    if (on && sounding[channel][key])
      throw EMidiWrite(ErrorCode::MidiNotesOverlap,
                       "channel " + std::to_string(channel) + ", key " + std::to_string(key) +
                           ", tick " + std::to_string(event.tick));
    sounding[channel][key] = on;
  }
}

Bytes Track::chunk() const {
  std::vector<Event> sorted = events_;
  std::stable_sort(sorted.begin(), sorted.end(), [](const Event& a, const Event& b) {
    return a.tick != b.tick ? a.tick < b.tick : a.order < b.order;
  });
  checkNoOverlaps(sorted);

  Bytes body;
  std::uint32_t now = 0;
  for (const Event& event : sorted) {
    appendVariableLength(body, event.tick - now);
    body.insert(body.end(), event.data.begin(), event.data.end());
    now = event.tick;
  }
  appendVariableLength(body, std::max(endTick_, now) - now);
  const Bytes endOfTrack = metaEvent(kMetaEndOfTrack, {});
  body.insert(body.end(), endOfTrack.begin(), endOfTrack.end());
  return chunkOf("MTrk", body);
}

Bytes writeFile(Format format, int ticksPerQuarter, const std::vector<Track>& tracks) {
  const std::int64_t trackCount = static_cast<std::int64_t>(tracks.size());
  if (format == Format::SingleTrack)
    checked("track count of a single-track file", trackCount, 1, 1);
  else
    checked("track count", trackCount, 1, 0xFFFF);
  // The top bit of the division would make it a SMPTE time code.
  const std::uint32_t division = checked("ticks per quarter note", ticksPerQuarter, 1, 0x7FFF);

  Bytes header;
  appendBigEndian(header, static_cast<std::uint32_t>(format), 2);
  appendBigEndian(header, static_cast<std::uint32_t>(trackCount), 2);
  appendBigEndian(header, division, 2);
  Bytes file = chunkOf("MThd", header);
  for (const Track& track : tracks) {
    const Bytes chunk = track.chunk();
    file.insert(file.end(), chunk.begin(), chunk.end());
  }
  return file;
}

}  // namespace tov::midi
