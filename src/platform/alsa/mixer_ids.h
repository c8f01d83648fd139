#pragma once
// How the ALSA mixer's lines and controls are named by number. Destination 0 is playback,
// 1 is capture; a source line is one simple-mixer element seen from one destination, so
// the same element can be a source of both. An identifier carries everything needed to
// find its element again, and stays the same for as long as the device is open.

#include <cstdint>
#include <optional>

#include "platform/mixer.h"

namespace tov::alsa {

enum class Direction : std::uint32_t { Playback = 0, Capture = 1 };
inline constexpr std::uint32_t kDestinationCount = 2;
// Element numbers take 16 bits of a line identifier, 0 there being the destination itself.
inline constexpr std::uint32_t kMaxElements = 0xFFFF;

// A line: its direction, and its element number unless it is the destination.
struct LineRef {
  Direction direction = Direction::Playback;
  std::optional<std::uint32_t> element;
  bool operator==(const LineRef&) const = default;
};

struct ControlRef {
  Direction direction = Direction::Playback;
  std::uint32_t element = 0;
  MixerControlKind kind = MixerControlKind::Volume;
  bool operator==(const ControlRef&) const = default;
};

std::uint32_t destinationLineId(Direction direction);
// element < kMaxElements.
std::uint32_t sourceLineId(Direction direction, std::uint32_t element);
std::uint32_t controlId(Direction direction, std::uint32_t element, MixerControlKind kind);

// Nothing for a number that no line or control of any device can have.
std::optional<LineRef> decodeLineId(std::uint32_t lineId);
std::optional<ControlRef> decodeControlId(std::uint32_t controlId);

}  // namespace tov::alsa
