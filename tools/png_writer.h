#pragma once
// A small PNG writer for the pictures the tools make: 8-bit RGBA, optionally Adam7-interlaced,
// with the ancillary chunks a stored picture carries. The program itself never writes PNG.

#include <cstdint>
#include <string>
#include <vector>

namespace tov::tools {

struct PngPicture {
  int width = 0, height = 0;
  std::vector<std::uint8_t> rgba;  // top-down rows, R, G, B, A, not premultiplied
  bool interlaced = false;
  std::uint32_t gamma = 0;         // gAMA in 1/100000; 0 writes none
  std::string profileName;         // iCCP: written when profile is not empty
  std::vector<std::uint8_t> profile;
};

std::vector<std::uint8_t> encodePng(const PngPicture& picture);

// A small ICC display profile of sRGB's primaries and white point with a 2.2 tone curve.
std::vector<std::uint8_t> srgbLikeIccProfile();

}  // namespace tov::tools
