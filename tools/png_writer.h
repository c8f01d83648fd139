#pragma once
// A small PNG writer for the pictures the tools make: 8-bit RGBA, optionally Adam7-interlaced,
// with the ancillary chunks a stored picture carries. The program itself never writes PNG.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace tov::tools {

struct PngPicture {
  int width = 0, height = 0;
  std::vector<std::uint8_t> rgba;  // top-down rows, R, G, B, A, not premultiplied
  bool interlaced = false;
  std::uint32_t gamma = 0;         // gAMA in 1/100000; 0 writes none
  std::string profileName;         // iCCP: written when profile is not empty
  std::vector<std::uint8_t> profile;
  // tEXt chunks, keyword and Latin-1 text, written before the image data. Keywords are 1 to
  // 79 printable characters without a NUL, as the PNG standard asks; others are refused.
  std::vector<std::pair<std::string, std::string>> texts;
};

std::vector<std::uint8_t> encodePng(const PngPicture& picture);

// A small ICC display profile of sRGB's primaries and white point with a 2.2 tone curve.
std::vector<std::uint8_t> srgbLikeIccProfile();

}  // namespace tov::tools
