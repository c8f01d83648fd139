#pragma once
// Test PNGs written with libpng, libpng's own decode as the reference, chunk surgery on valid
// files, and what our drawing must give for a reference pixel.

#include <array>
#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace tov::test {

using Bytes = std::vector<std::uint8_t>;

struct PngText {
  std::string keyword, text;
  bool compressed = false;  // zTXt instead of tEXt
};

struct PicturePlan {
  std::string name;  // the test case's name
  int width = 13, height = 11;
  int colorType = 2, bitDepth = 8;
  bool interlaced = false;
  int filters = -1;        // one of the PNG_FILTER_* flags of libpng; -1 lets libpng choose
  int idatBytes = 8192;    // the most data in one IDAT chunk
  std::optional<std::uint32_t> gamma;
  std::optional<Bytes> trns;  // the tRNS chunk's data as stored
  std::vector<PngText> texts;
  bool time = false;
  unsigned seed = 1;
};

void PrintTo(const PicturePlan& plan, std::ostream* out);

// The samples of plan's picture: rows of packed samples in the file's own layout. Indexed
// pictures use all palette entries; tRNS test pictures include the transparent colour and
// near misses of it (same high byte, another low byte).
std::vector<Bytes> samplesFor(const PicturePlan& plan);
// A palette of `entries` colours.
Bytes paletteFor(int entries);
// The PNG file of plan with samplesFor(plan), through libpng's writer.
Bytes writePng(const PicturePlan& plan);
// The same with samples of the caller's: rows of packed samples in the file's layout.
Bytes writePngRows(const PicturePlan& plan, std::vector<Bytes> rows);

// libpng's decode, expanded to 8-bit RGBA: palette looked up, low-bit grey scaled, 16-bit
// samples cut to their high byte, tRNS turned into alpha.
struct Rgba {
  std::uint8_t r, g, b, a;
};
struct ReferenceImage {
  int width = 0, height = 0, colorType = 0;
  std::vector<Rgba> pixels;
  const Rgba& at(int x, int y) const { return pixels[std::size_t(y) * width + x]; }
};
ReferenceImage decodeWithLibpng(const Bytes& png);

// Our gamma table for a gAMA value, worked out independently in long double.
std::array<std::uint8_t, 256> referenceGamma(std::optional<std::uint32_t> gamma);

// The exact blend of the drawing rule.
std::uint8_t blendChannel(unsigned source, unsigned destination, unsigned alpha);

// What our drawing puts over background (r, g, b) for a reference pixel.
std::array<std::uint8_t, 3> expectedOver(const Rgba& p, int colorType,
                                         const std::array<std::uint8_t, 256>& gamma,
                                         std::array<std::uint8_t, 3> background);

// Chunks of a PNG file, for making broken ones.
struct RawChunk {
  std::string name;
  Bytes data;
  bool keepCrc = false;  // write `crc` as it is instead of the right one
  std::uint32_t crc = 0;
};
std::vector<RawChunk> splitChunks(const Bytes& png);
Bytes joinChunks(const std::vector<RawChunk>& chunks);  // with the signature
std::uint32_t crcOf(const std::string& name, const Bytes& data);
Bytes deflateBytes(const Bytes& raw);

}  // namespace tov::test
