#pragma once
// A RIFF WAVE file of one channel of 16-bit samples, made up for the sound tests of both
// systems (header only: the Windows tests have no Qt to link the rest of support against).

#include <cstdint>
#include <vector>

namespace tov::test {

// formatTag 1 is PCM; another makes a file that no converter knows.
inline std::vector<std::uint8_t> monoWaveFile(const std::vector<std::int16_t>& samples, std::uint32_t rate,
                                              std::uint16_t formatTag = 1) {
  std::vector<std::uint8_t> file;
  const auto put = [&](std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) file.push_back(std::uint8_t(value >> (8 * i)));
  };
  const auto tag = [&](const char* code) {
    for (int i = 0; i < 4; ++i) file.push_back(std::uint8_t(code[i]));
  };
  const auto dataBytes = std::uint32_t(samples.size() * 2);
  tag("RIFF");
  put(36 + dataBytes, 4);
  tag("WAVE");
  tag("fmt ");
  put(16, 4);
  put(formatTag, 2);
  put(1, 2);  // one channel
  put(rate, 4);
  put(rate * 2, 4);
  put(2, 2);
  put(16, 2);
  tag("data");
  put(dataBytes, 4);
  for (std::int16_t sample : samples) put(std::uint16_t(sample), 2);
  return file;
}

}  // namespace tov::test
