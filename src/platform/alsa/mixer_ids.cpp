#include "platform/alsa/mixer_ids.h"

namespace tov::alsa {

namespace {
constexpr std::uint32_t kDirectionShift = 16;
constexpr std::uint32_t kElementMask = 0xFFFF;
// A control identifier is its line's identifier with the kind in the two low bits; the
// largest one stays below 2^19, so it survives the signed 32-bit field of a change event.
constexpr std::uint32_t kKindBits = 2;
constexpr std::uint32_t kKindMask = (1u << kKindBits) - 1;
}  // namespace

std::uint32_t destinationLineId(Direction direction) {
  return static_cast<std::uint32_t>(direction) << kDirectionShift;
}

std::uint32_t sourceLineId(Direction direction, std::uint32_t element) {
  return destinationLineId(direction) | (element + 1);
}

std::uint32_t controlId(Direction direction, std::uint32_t element, MixerControlKind kind) {
  return (sourceLineId(direction, element) << kKindBits) | static_cast<std::uint32_t>(kind);
}

std::optional<LineRef> decodeLineId(std::uint32_t lineId) {
  const std::uint32_t direction = lineId >> kDirectionShift;
  if (direction >= kDestinationCount) return std::nullopt;
  LineRef line{static_cast<Direction>(direction), std::nullopt};
  if (const std::uint32_t element = lineId & kElementMask; element != 0) line.element = element - 1;
  return line;
}

std::optional<ControlRef> decodeControlId(std::uint32_t controlId) {
  const std::uint32_t kind = controlId & kKindMask;
  if (kind > static_cast<std::uint32_t>(MixerControlKind::Enumeration)) return std::nullopt;
  const std::optional<LineRef> line = decodeLineId(controlId >> kKindBits);
  if (!line || !line->element) return std::nullopt;
  return ControlRef{line->direction, *line->element, static_cast<MixerControlKind>(kind)};
}

}  // namespace tov::alsa
