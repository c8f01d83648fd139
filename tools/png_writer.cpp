#include "png_writer.h"

#include <array>
#include <cstdlib>
#include <cstring>
#include <span>

#include "platform/errors.h"

#include <zlib.h>

namespace tov::tools {

namespace {

using Bytes = std::vector<std::uint8_t>;

void put32(Bytes& out, std::uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(std::uint8_t(v >> shift));
}
void put16(Bytes& out, std::uint16_t v) {
  out.push_back(std::uint8_t(v >> 8));
  out.push_back(std::uint8_t(v));
}

void putChunk(Bytes& out, const char* name, const Bytes& data) {
  put32(out, std::uint32_t(data.size()));
  const std::size_t start = out.size();
  out.insert(out.end(), name, name + 4);
  out.insert(out.end(), data.begin(), data.end());
  const uLong crc = crc32(0L, out.data() + start, uInt(out.size() - start));
  put32(out, std::uint32_t(crc));
}

Bytes deflateAll(const Bytes& raw) {
  uLongf size = compressBound(uLong(raw.size()));
  Bytes out(size);
  if (compress2(out.data(), &size, raw.data(), uLong(raw.size()), 9) != Z_OK)
    throw EWriteError(ErrorCode::PngEncodeFailed);
  out.resize(size);
  return out;
}

int paeth(int a, int b, int c) {
  const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
  if (pa <= pb && pa <= pc) return a;
  return pb <= pc ? b : c;
}

// Each row takes the filter whose output has the smallest sum of absolute values, the usual
// heuristic of the PNG standard's recommendations.
void appendFilteredRow(Bytes& out, const Bytes& row, const Bytes& prior) {
  constexpr int kBpp = 4;
  Bytes best;
  long bestCost = -1;
  for (int filter = 0; filter <= 4; ++filter) {
    Bytes candidate{std::uint8_t(filter)};
    long cost = 0;
    for (std::size_t i = 0; i < row.size(); ++i) {
      const int a = i >= kBpp ? row[i - kBpp] : 0, b = prior[i], c = i >= kBpp ? prior[i - kBpp] : 0;
      const int predictor = filter == 0 ? 0 : filter == 1 ? a : filter == 2 ? b : filter == 3 ? (a + b) / 2 : paeth(a, b, c);
      const auto value = std::uint8_t(row[i] - predictor);
      candidate.push_back(value);
      cost += value < 128 ? value : 256 - value;
    }
    if (bestCost < 0 || cost < bestCost) {
      bestCost = cost;
      best = std::move(candidate);
    }
  }
  out.insert(out.end(), best.begin(), best.end());
}

struct Pass {
  int colStart, rowStart, colStep, rowStep;
};

Bytes filteredImage(const PngPicture& p) {
  static constexpr Pass kAdam7[7] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                                     {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
  static constexpr Pass kWhole[1] = {{0, 0, 1, 1}};
  Bytes out;
  for (const Pass& pass : p.interlaced ? std::span<const Pass>(kAdam7) : std::span<const Pass>(kWhole)) {
    const int width = p.width > pass.colStart ? (p.width - pass.colStart + pass.colStep - 1) / pass.colStep : 0;
    if (width == 0) continue;
    Bytes prior(std::size_t(width) * 4, 0);
    for (int y = pass.rowStart; y < p.height; y += pass.rowStep) {
      Bytes row;
      for (int x = pass.colStart; x < p.width; x += pass.colStep) {
        const std::uint8_t* px = p.rgba.data() + (std::size_t(y) * p.width + x) * 4;
        row.insert(row.end(), px, px + 4);
      }
      appendFilteredRow(out, row, prior);
      prior = std::move(row);
    }
  }
  return out;
}

bool validKeyword(const std::string& keyword) {
  if (keyword.empty() || keyword.size() > 79) return false;
  for (const char c : keyword) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 32 || (byte > 126 && byte < 161)) return false;
  }
  return true;
}

}  // namespace

Bytes encodePng(const PngPicture& p) {
  Bytes out = {137, 80, 78, 71, 13, 10, 26, 10};
  Bytes header;
  put32(header, std::uint32_t(p.width));
  put32(header, std::uint32_t(p.height));
  header.insert(header.end(), {8, 6, 0, 0, std::uint8_t(p.interlaced ? 1 : 0)});
  putChunk(out, "IHDR", header);
  if (p.gamma != 0) {
    Bytes gamma;
    put32(gamma, p.gamma);
    putChunk(out, "gAMA", gamma);
  }
  if (!p.profile.empty()) {
    Bytes iccp(p.profileName.begin(), p.profileName.end());
    iccp.push_back(0);
    iccp.push_back(0);  // compression method: deflate
    const Bytes compressed = deflateAll(p.profile);
    iccp.insert(iccp.end(), compressed.begin(), compressed.end());
    putChunk(out, "iCCP", iccp);
  }
  for (const auto& [keyword, text] : p.texts) {
    if (!validKeyword(keyword) || text.find('\0') != std::string::npos)
      throw EWriteError(ErrorCode::PngEncodeFailed);
    Bytes chunk(keyword.begin(), keyword.end());
    chunk.push_back(0);
    chunk.insert(chunk.end(), text.begin(), text.end());
    putChunk(out, "tEXt", chunk);
  }
  putChunk(out, "IDAT", deflateAll(filteredImage(p)));
  putChunk(out, "IEND", {});
  return out;
}

Bytes srgbLikeIccProfile() {
  // Tags: description, white point, the three primaries (D50-adapted sRGB) and one tone curve
  // shared by the three channels.
  struct Tag {
    const char* signature;
    Bytes data;
  };
  auto xyz = [](double x, double y, double z) {
    Bytes d = {'X', 'Y', 'Z', ' ', 0, 0, 0, 0};
    for (double v : {x, y, z}) put32(d, std::uint32_t(std::int32_t(v * 65536.0 + 0.5)));
    return d;
  };
  Bytes description = {'d', 'e', 's', 'c', 0, 0, 0, 0};
  const std::string name = "Tovaleer sRGB-like";
  put32(description, std::uint32_t(name.size() + 1));
  description.insert(description.end(), name.begin(), name.end());
  description.push_back(0);
  description.resize(description.size() + 4 + 4 + 2 + 1 + 67, 0);  // empty Unicode and ScriptCode parts
  Bytes curve = {'c', 'u', 'r', 'v', 0, 0, 0, 0};
  put32(curve, 1);
  put16(curve, 0x0233);  // gamma 2.2 as u8Fixed8Number
  const Tag tags[] = {{"desc", description},
                      {"wtpt", xyz(0.9642, 1.0, 0.8249)},
                      {"rXYZ", xyz(0.4361, 0.2225, 0.0139)},
                      {"gXYZ", xyz(0.3851, 0.7169, 0.0971)},
                      {"bXYZ", xyz(0.1431, 0.0606, 0.7141)},
                      {"rTRC", curve},
                      {"gTRC", curve},
                      {"bTRC", curve}};
  const std::size_t count = std::size(tags);
  Bytes body;  // tag data, each aligned to 4 bytes
  Bytes table;
  put32(table, std::uint32_t(count));
  std::size_t offset = 128 + 4 + 12 * count;
  for (const Tag& tag : tags) {
    table.insert(table.end(), tag.signature, tag.signature + 4);
    put32(table, std::uint32_t(offset + body.size()));
    put32(table, std::uint32_t(tag.data.size()));
    body.insert(body.end(), tag.data.begin(), tag.data.end());
    while (body.size() % 4) body.push_back(0);
  }
  Bytes profile(128, 0);
  const std::uint32_t size = std::uint32_t(128 + table.size() + body.size());
  auto set32 = [&](std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) profile[at + i] = std::uint8_t(v >> (24 - 8 * i));
  };
  auto setText = [&](std::size_t at, const char* text) { std::memcpy(profile.data() + at, text, 4); };
  set32(0, size);
  set32(8, 0x02100000);  // version 2.1
  setText(12, "mntr");
  setText(16, "RGB ");
  setText(20, "XYZ ");
  setText(36, "acsp");
  set32(68, 0x0000F6D6);  // the PCS illuminant, D50
  set32(72, 0x00010000);
  set32(76, 0x0000D32D);
  profile.insert(profile.end(), table.begin(), table.end());
  profile.insert(profile.end(), body.begin(), body.end());
  return profile;
}

}  // namespace tov::tools
