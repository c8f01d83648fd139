#include "png_testing.h"

#include <cmath>
#include <csetjmp>
#include <cstring>
#include <ostream>
#include <random>
#include <stdexcept>

#include <png.h>
#include <zlib.h>

namespace tov::test {

namespace {

void silent(png_structp, png_const_charp) {}

void appendToBytes(png_structp png, png_bytep data, png_size_t length) {
  auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + length);
}
void flushNothing(png_structp) {}

struct MemoryReader {
  const Bytes* data = nullptr;
  std::size_t position = 0;
};

void readFromBytes(png_structp png, png_bytep into, png_size_t length) {
  auto* in = static_cast<MemoryReader*>(png_get_io_ptr(png));
  if (in->data->size() - in->position < length) png_error(png, "short");
  std::memcpy(into, in->data->data() + in->position, length);
  in->position += length;
}

int samplesPerPixel(int colorType) {
  switch (colorType) {
    case 2: return 3;
    case 4: return 2;
    case 6: return 4;
    default: return 1;
  }
}

unsigned storedValue(const Bytes& trns, std::size_t at) { return (unsigned(trns[at]) << 8) | trns[at + 1]; }

void putSample(Bytes& row, std::size_t index, int depth, unsigned value) {
  if (depth == 16) {
    row[2 * index] = std::uint8_t(value >> 8);
    row[2 * index + 1] = std::uint8_t(value);
  } else if (depth == 8) {
    row[index] = std::uint8_t(value);
  } else {
    const std::size_t bit = index * depth;
    const int shift = 8 - depth - int(bit % 8);
    row[bit / 8] = std::uint8_t(row[bit / 8] | ((value & ((1u << depth) - 1)) << shift));
  }
}

// A sample that is, by turns, the transparent value, one differing only in its low byte, and
// something random.
unsigned sampleNear(unsigned key, int depth, std::mt19937& random) {
  const unsigned max = depth == 16 ? 0xFFFF : (1u << depth) - 1;
  switch (random() % 3) {
    case 0: return key & max;
    case 1: return depth == 16 ? (key ^ 0x0001) & max : random() % (max + 1);
    default: return random() % (max + 1);
  }
}

}  // namespace

void PrintTo(const PicturePlan& plan, std::ostream* out) { *out << plan.name; }

Bytes paletteFor(int entries) {
  Bytes palette;
  for (int i = 0; i < entries; ++i) {
    palette.push_back(std::uint8_t(i * 37 + 11));
    palette.push_back(std::uint8_t(255 - i * 13));
    palette.push_back(std::uint8_t(i * 91 + 128));
  }
  return palette;
}

std::vector<Bytes> samplesFor(const PicturePlan& plan) {
  std::mt19937 random(plan.seed);
  const int perPixel = samplesPerPixel(plan.colorType);
  const std::size_t rowBytes = (std::size_t(plan.width) * perPixel * plan.bitDepth + 7) / 8;
  const unsigned max = plan.bitDepth == 16 ? 0xFFFF : (1u << plan.bitDepth) - 1;
  std::vector<Bytes> rows(plan.height, Bytes(rowBytes, 0));
  const bool keyed = plan.trns && (plan.colorType == 0 || plan.colorType == 2);
  for (int y = 0; y < plan.height; ++y) {
    for (int x = 0; x < plan.width; ++x) {
      for (int s = 0; s < perPixel; ++s) {
        unsigned value;
        if (keyed && plan.trns->size() >= std::size_t(2 * perPixel))
          value = sampleNear(storedValue(*plan.trns, 2 * s), plan.bitDepth, random);
        else if (plan.colorType == 3)
          value = (x + 3 * y + s) % (1 << plan.bitDepth);
        else if (s == perPixel - 1 && (plan.colorType == 4 || plan.colorType == 6))
          value = (x * 40 + y * 7) % 3 == 0 ? (x % 2 ? 0 : max) : random() % (max + 1);  // alpha: ends and between
        else
          value = random() % (max + 1);
        putSample(rows[y], std::size_t(x) * perPixel + s, plan.bitDepth, value);
      }
    }
  }
  return rows;
}

namespace {

// Everything with a destructor is made before libpng runs, so that its error jump skips none.
struct WriteJob {
  const PicturePlan* plan = nullptr;
  Bytes out;
  std::vector<Bytes> rows;
  std::vector<png_bytep> rowPointers;
  Bytes palette;
  std::vector<png_text> texts;
  png_color_16 key{};
};

bool runWrite(png_structp png, png_infop info, WriteJob& job) {
  if (setjmp(png_jmpbuf(png))) return false;
  const PicturePlan& plan = *job.plan;
  png_set_write_fn(png, &job.out, appendToBytes, flushNothing);
  png_set_compression_buffer_size(png, png_size_t(plan.idatBytes));
  if (plan.filters >= 0) png_set_filter(png, 0, plan.filters);
  png_set_IHDR(png, info, png_uint_32(plan.width), png_uint_32(plan.height), plan.bitDepth,
               plan.colorType, plan.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (plan.gamma) png_set_gAMA_fixed(png, info, png_fixed_point(*plan.gamma));
  if (!job.palette.empty())
    png_set_PLTE(png, info, reinterpret_cast<png_const_colorp>(job.palette.data()), int(job.palette.size() / 3));
  if (plan.trns) {
    const bool indexed = plan.colorType == 3;
    png_set_tRNS(png, info, indexed ? plan.trns->data() : nullptr, indexed ? int(plan.trns->size()) : 0,
                 indexed ? nullptr : &job.key);
  }
  if (!job.texts.empty()) png_set_text(png, info, job.texts.data(), int(job.texts.size()));
  if (plan.time) {
    png_time time{2004, 3, 17, 9, 45, 30};
    png_set_tIME(png, info, &time);
  }
  png_write_info(png, info);
  if (plan.interlaced) png_set_interlace_handling(png);
  png_write_image(png, job.rowPointers.data());
  png_write_end(png, info);
  return true;
}

struct ReadJob {
  MemoryReader reader;
  ReferenceImage image;
  std::vector<png_bytep> rowPointers;
};

bool runReadHeader(png_structp png, png_infop info, ReadJob& job) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_read_fn(png, &job.reader, readFromBytes);
  png_read_info(png, info);
  job.image.width = int(png_get_image_width(png, info));
  job.image.height = int(png_get_image_height(png, info));
  job.image.colorType = png_get_color_type(png, info);
  png_set_expand(png);
  png_set_strip_16(png);
  png_set_gray_to_rgb(png);
  png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  return true;
}

bool runReadRows(png_structp png, ReadJob& job) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_read_image(png, job.rowPointers.data());
  png_read_end(png, nullptr);
  return true;
}

}  // namespace

Bytes writePng(const PicturePlan& plan) { return writePngRows(plan, samplesFor(plan)); }

Bytes writePngRows(const PicturePlan& plan, std::vector<Bytes> rows) {
  WriteJob job;
  job.plan = &plan;
  job.rows = std::move(rows);
  for (auto& row : job.rows) job.rowPointers.push_back(row.data());
  if (plan.colorType == 3) job.palette = paletteFor(1 << plan.bitDepth);
  if (plan.trns && plan.colorType == 0) job.key.gray = png_uint_16(storedValue(*plan.trns, 0));
  if (plan.trns && plan.colorType == 2) {
    job.key.red = png_uint_16(storedValue(*plan.trns, 0));
    job.key.green = png_uint_16(storedValue(*plan.trns, 2));
    job.key.blue = png_uint_16(storedValue(*plan.trns, 4));
  }
  job.texts.resize(plan.texts.size());
  for (std::size_t i = 0; i < plan.texts.size(); ++i) {
    job.texts[i].compression = plan.texts[i].compressed ? PNG_TEXT_COMPRESSION_zTXt : PNG_TEXT_COMPRESSION_NONE;
    job.texts[i].key = const_cast<char*>(plan.texts[i].keyword.c_str());
    job.texts[i].text = const_cast<char*>(plan.texts[i].text.c_str());
  }
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, silent, silent);
  png_infop info = png_create_info_struct(png);
  const bool written = runWrite(png, info, job);
  png_destroy_write_struct(&png, &info);
  if (!written) throw std::runtime_error("libpng could not write " + plan.name);
  return std::move(job.out);
}

ReferenceImage decodeWithLibpng(const Bytes& file) {
  ReadJob job;
  job.reader.data = &file;
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, silent, silent);
  png_infop info = png_create_info_struct(png);
  bool read = runReadHeader(png, info, job);
  if (read) {
    job.image.pixels.resize(std::size_t(job.image.width) * job.image.height);
    for (int y = 0; y < job.image.height; ++y)
      job.rowPointers.push_back(reinterpret_cast<png_bytep>(job.image.pixels.data() + std::size_t(y) * job.image.width));
    read = runReadRows(png, job);
  }
  png_destroy_read_struct(&png, &info, nullptr);
  if (!read) throw std::runtime_error("libpng could not read the file");
  return std::move(job.image);
}

std::array<std::uint8_t, 256> referenceGamma(std::optional<std::uint32_t> gamma) {
  std::array<std::uint8_t, 256> table{};
  for (int i = 0; i < 256; ++i) {
    if (!gamma || *gamma == 0) {
      table[i] = std::uint8_t(i);
      continue;
    }
    const long double exponent = 1.0L / ((long double)*gamma / 100000.0L * 2.2L);
    const long double value = 255.0L * std::pow((long double)i / 255.0L, exponent);
    table[i] = std::uint8_t(std::nearbyint(value));  // the default rounding: halves to even
  }
  return table;
}

std::uint8_t blendChannel(unsigned source, unsigned destination, unsigned alpha) {
  return std::uint8_t((source * alpha + (255 - alpha) * destination + 255) >> 8);
}

std::array<std::uint8_t, 3> expectedOver(const Rgba& p, int colorType,
                                         const std::array<std::uint8_t, 256>& gamma,
                                         std::array<std::uint8_t, 3> background) {
  // Greyscale with alpha draws its grey sample as it is; every other colour passes the table.
  auto shown = [&](std::uint8_t v) { return colorType == 4 ? v : gamma[v]; };
  return {blendChannel(shown(p.r), background[0], p.a), blendChannel(shown(p.g), background[1], p.a),
          blendChannel(shown(p.b), background[2], p.a)};
}

std::uint32_t crcOf(const std::string& name, const Bytes& data) {
  uLong crc = crc32(0L, reinterpret_cast<const Bytef*>(name.data()), 4);
  return data.empty() ? std::uint32_t(crc) : std::uint32_t(crc32(crc, data.data(), uInt(data.size())));
}

std::vector<RawChunk> splitChunks(const Bytes& png) {
  std::vector<RawChunk> chunks;
  std::size_t at = 8;
  while (at + 12 <= png.size()) {
    const std::uint32_t length = (std::uint32_t(png[at]) << 24) | (png[at + 1] << 16) | (png[at + 2] << 8) | png[at + 3];
    RawChunk chunk;
    chunk.name.assign(png.begin() + at + 4, png.begin() + at + 8);
    chunk.data.assign(png.begin() + at + 8, png.begin() + at + 8 + length);
    chunks.push_back(std::move(chunk));
    at += 12 + length;
  }
  return chunks;
}

Bytes joinChunks(const std::vector<RawChunk>& chunks) {
  Bytes out = {137, 80, 78, 71, 13, 10, 26, 10};
  auto put32 = [&](std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(std::uint8_t(v >> shift));
  };
  for (const RawChunk& c : chunks) {
    put32(std::uint32_t(c.data.size()));
    out.insert(out.end(), c.name.begin(), c.name.end());
    out.insert(out.end(), c.data.begin(), c.data.end());
    put32(c.keepCrc ? c.crc : crcOf(c.name, c.data));
  }
  return out;
}

Bytes deflateBytes(const Bytes& raw) {
  uLongf size = compressBound(uLong(raw.size()));
  Bytes out(size);
  if (compress(out.data(), &size, raw.data(), uLong(raw.size())) != Z_OK) throw std::runtime_error("compress");
  out.resize(size);
  return out;
}

}  // namespace tov::test
