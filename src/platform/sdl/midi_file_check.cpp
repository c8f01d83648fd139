#include "platform/sdl/midi_file_check.h"

#include <cstring>

namespace tov::sdl {

namespace {
constexpr std::size_t kChunkHeaderBytes = 8;
constexpr std::uint32_t kMinimumHeaderLength = 6;

std::uint32_t bigEndian32(const std::uint8_t* at) {
  return std::uint32_t(at[0]) << 24 | std::uint32_t(at[1]) << 16 | std::uint32_t(at[2]) << 8 |
         at[3];
}

std::uint16_t bigEndian16(const std::uint8_t* at) { return std::uint16_t(at[0] << 8 | at[1]); }

bool hasType(const std::uint8_t* chunk, const char* type) {
  return std::memcmp(chunk, type, 4) == 0;
}
}  // namespace

bool isPlayableMidiFile(std::span<const std::uint8_t> data) {
  if (data.size() > kMaxMidiFileBytes) return false;
  if (data.size() < kChunkHeaderBytes + kMinimumHeaderLength) return false;
  const std::uint8_t* header = data.data();
  if (!hasType(header, "MThd")) return false;
  // All arithmetic on lengths is done in 64 bits: a length read from the file is up to 2^32-1.
  const std::uint64_t headerLength = bigEndian32(header + 4);
  if (headerLength < kMinimumHeaderLength || kChunkHeaderBytes + headerLength > data.size())
    return false;
  const std::uint16_t format = bigEndian16(header + 8);
  const std::uint16_t trackCount = bigEndian16(header + 10);
  const std::uint16_t division = bigEndian16(header + 12);
  if (format > 2 || trackCount == 0 || (format == 0 && trackCount != 1)) return false;
  if (division & 0x8000) return false;  // SMPTE frames, not ticks per quarter note

  std::uint64_t at = kChunkHeaderBytes + headerLength;
  unsigned tracksFound = 0;
  while (tracksFound < trackCount) {
    if (data.size() - at < kChunkHeaderBytes) return false;
    const std::uint8_t* chunk = data.data() + at;
    const std::uint64_t length = bigEndian32(chunk + 4);
    if (length > data.size() - at - kChunkHeaderBytes) return false;
    if (hasType(chunk, "MTrk")) ++tracksFound;
    at += kChunkHeaderBytes + length;
  }
  return true;
}

}  // namespace tov::sdl
