#pragma once
// Random mutations almost never keep a chunk's CRC right, so a fuzzer would hardly get past
// the first chunk. The harness rewrites every complete chunk's CRC before loading; the kept
// regression inputs are loaded the same way. (The CRC check itself is covered by the tests.)

#include <cstdint>
#include <vector>

#include <zlib.h>

namespace tov::test {

inline void fixChunkCrcs(std::vector<std::uint8_t>& png) {
  std::size_t at = 8;
  while (png.size() >= 12 && at <= png.size() - 12) {
    const std::uint64_t length = (std::uint64_t(png[at]) << 24) | (png[at + 1] << 16) | (png[at + 2] << 8) | png[at + 3];
    if (length > png.size() - at - 12) return;
    const std::size_t crcAt = at + 8 + std::size_t(length);
    const uLong crc = crc32(0L, png.data() + at + 4, uInt(length + 4));
    for (int i = 0; i < 4; ++i) png[crcAt + i] = std::uint8_t(crc >> (24 - 8 * i));
    at = crcAt + 4;
  }
}

}  // namespace tov::test
