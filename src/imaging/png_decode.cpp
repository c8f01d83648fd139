// The image data of a PNG: zlib's inflate over the IDAT chunks, one row at a time into two
// row buffers, the row filters of the PNG standard undone in place, Adam7, and every row
// converted into the header's image bitmap, palette and alpha plane.

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <type_traits>
#include <utility>
#include <vector>

#include <zlib.h>

#include "imaging/png_internal.h"

namespace tov::png {

namespace {

// ---- where the rows of a pass go ----

struct Pass {
  int colStart, rowStart, colStep, rowStep;
};
constexpr Pass kAdam7[7] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                            {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
constexpr Pass kWholeImage = {0, 0, 1, 1};

int passExtent(int size, int start, int step) { return size > start ? (size - start + step - 1) / step : 0; }

std::size_t filteredRowBytes(std::uint8_t colorType, std::size_t depth, std::size_t width) {
  switch (colorType) {
    case 2: return width * depth * 3 / 8;
    case 4: return width * depth * 2 / 8;
    case 6: return width * depth * 4 / 8;
    default: return (width * depth + 7) / 8;
  }
}

// Bytes of one complete pixel (at least one): the distance the Sub, Average and Paeth filters
// look back.
int filterDistance(std::uint8_t colorType, int depth) {
  switch (colorType) {
    case 0: return depth == 16 ? 2 : 1;
    case 2: return depth * 3 / 8;
    case 4: return depth / 4;
    case 6: return depth / 2;
    default: return 1;
  }
}

// ---- the row filters ----

inline std::uint8_t paethPredictor(int a, int b, int c) {
  int pa = std::abs(b - c);
  const int pb = std::abs(a - c);
  const int pc = std::abs(a + b - 2 * c);
  if (pb < pa) {
    a = b;
    pa = pb;
  }
  return std::uint8_t(pc < pa ? c : a);
}

// Sub, Average and Paeth look back one pixel, so their work runs from pixel to pixel; the
// channels of a pixel are independent and go side by side in the lanes of one vector. Pixels
// of 3 to 8 bytes (8-bit RGB and RGBA, 16-bit grey with alpha, RGB and RGBA) take this way.
using FourLanes = std::int16_t __attribute__((vector_size(8)));
using EightLanes = std::int16_t __attribute__((vector_size(16)));
template <int kDistance>
using PixelLanes = std::conditional_t<(kDistance <= 4), FourLanes, EightLanes>;

using FourBytes = std::uint8_t __attribute__((vector_size(4)));
using EightBytes = std::uint8_t __attribute__((vector_size(8)));
template <int kDistance>
using PixelBytes = std::conditional_t<(kDistance <= 4), FourBytes, EightBytes>;

// Reads a whole vector, up to 2 bytes past the pixel: the row buffers have kRowSlack bytes
// beyond their last row for it. Lanes beyond the pixel are never stored.
template <int kDistance>
inline PixelLanes<kDistance> loadPixel(const std::uint8_t* p) {
  PixelBytes<kDistance> bytes;
  std::memcpy(&bytes, p, sizeof bytes);
  return __builtin_convertvector(bytes, PixelLanes<kDistance>);
}

template <int kDistance>
inline void storePixel(std::uint8_t* p, const PixelLanes<kDistance>& v) {
  const PixelBytes<kDistance> bytes = __builtin_convertvector(v, PixelBytes<kDistance>);
  std::memcpy(p, &bytes, kDistance);
}

template <int kDistance>
inline PixelLanes<kDistance> absolute(const PixelLanes<kDistance>& v) {
  return v < 0 ? -v : v;
}

// Rows of these pixel sizes always hold whole pixels.
template <int kDistance, int kFilter>
void unfilterPixels(std::uint8_t* row, const std::uint8_t* prior, std::size_t size) {
  using Lanes = PixelLanes<kDistance>;
  Lanes a = {}, c = {};  // the unfiltered pixel to the left, and the one above it
  for (std::size_t i = 0; i < size; i += kDistance) {
    const Lanes x = loadPixel<kDistance>(row + i);
    Lanes predicted;
    if constexpr (kFilter == 1) {
      predicted = a;
    } else if constexpr (kFilter == 3) {
      predicted = (a + loadPixel<kDistance>(prior + i)) >> 1;
    } else {
      const Lanes b = loadPixel<kDistance>(prior + i);
      const Lanes bc = b - c, ac = a - c;
      const Lanes pa = absolute<kDistance>(bc), pb = absolute<kDistance>(ac), pc = absolute<kDistance>(bc + ac);
      const Lanes aOrB = pb < pa ? b : a;
      const Lanes best = pb < pa ? pb : pa;
      predicted = pc < best ? c : aOrB;
      c = b;
    }
    a = (x + predicted) & 0xFF;
    storePixel<kDistance>(row + i, a);
  }
}

// Undoes the filter of one row in place. `row` and `prior` hold `size` bytes of samples (the
// filter byte is not among them); `prior` is the previous row of the pass, unfiltered.
template <int kDistance>
void unfilterRow(std::uint8_t filter, std::uint8_t* row, const std::uint8_t* prior, std::size_t size) {
  constexpr bool kLanes = kDistance >= 3;
  const std::size_t head = std::min<std::size_t>(kDistance, size);
  switch (filter) {
    case 1:
      if constexpr (kLanes) return unfilterPixels<kDistance, 1>(row, prior, size);
      for (std::size_t i = kDistance; i < size; ++i) row[i] = std::uint8_t(row[i] + row[i - kDistance]);
      break;
    case 2:
      for (std::size_t i = 0; i < size; ++i) row[i] = std::uint8_t(row[i] + prior[i]);
      break;
    case 3:
      if constexpr (kLanes) return unfilterPixels<kDistance, 3>(row, prior, size);
      for (std::size_t i = 0; i < head; ++i) row[i] = std::uint8_t(row[i] + (prior[i] >> 1));
      for (std::size_t i = kDistance; i < size; ++i)
        row[i] = std::uint8_t(row[i] + ((row[i - kDistance] + prior[i]) >> 1));
      break;
    case 4:
      if constexpr (kLanes) return unfilterPixels<kDistance, 4>(row, prior, size);
      for (std::size_t i = 0; i < head; ++i) row[i] = std::uint8_t(row[i] + prior[i]);
      for (std::size_t i = kDistance; i < size; ++i)
        row[i] = std::uint8_t(row[i] + paethPredictor(row[i - kDistance], prior[i], prior[i - kDistance]));
      break;
    default:  // 0 is None; an unknown type leaves the row as it came
      break;
  }
}

using Unfilter = void (*)(std::uint8_t, std::uint8_t*, const std::uint8_t*, std::size_t);

Unfilter unfilterFor(int distance) {
  switch (distance) {
    case 2: return unfilterRow<2>;
    case 3: return unfilterRow<3>;
    case 4: return unfilterRow<4>;
    case 6: return unfilterRow<6>;
    case 8: return unfilterRow<8>;
    default: return unfilterRow<1>;
  }
}

// ---- rows of samples into the image bitmap and the alpha plane ----

using TwoBitPairs = std::array<std::array<std::uint8_t, 2>, 256>;

struct ConvertContext {
  const std::uint8_t* gamma;
  int depth;
  // 2-bit samples: each input byte (four samples) becomes two bytes of 4-bit indices.
  const TwoBitPairs* twoBitPairs;
};

using ConvertRow = void (*)(const std::uint8_t* samples, int count, std::uint8_t* bitmapRow,
                            std::uint8_t* alphaRow, const ConvertContext& c);

void copyIndices(const std::uint8_t* samples, int count, std::uint8_t* bitmapRow, std::uint8_t*,
                 const ConvertContext& c) {
  std::memcpy(bitmapRow, samples, (std::size_t(count) * c.depth + 7) / 8);
}

void expandTwoBitIndices(const std::uint8_t* samples, int count, std::uint8_t* bitmapRow,
                         std::uint8_t*, const ConvertContext& c) {
  const int inputBytes = (count + 3) / 4;
  for (int i = 0; i < inputBytes; ++i) {
    const auto& pair = (*c.twoBitPairs)[samples[i]];
    bitmapRow[2 * i] = pair[0];
    // The second byte of the last input byte holds no pixel when count leaves it empty; it is
    // not written, so the row's padding is never overrun.
    if (4 * i + 2 < count) bitmapRow[2 * i + 1] = pair[1];
  }
}

template <int kSampleBytes, bool kAlpha>
void convertGrey(const std::uint8_t* samples, int count, std::uint8_t* bitmapRow,
                 std::uint8_t* alphaRow, const ConvertContext&) {
  constexpr int kStep = (kAlpha ? 2 : 1) * kSampleBytes;
  for (int i = 0; i < count; ++i, samples += kStep) {
    bitmapRow[i] = samples[0];  // the high byte at 16 bits: big-endian
    if constexpr (kAlpha) alphaRow[i] = samples[kSampleBytes];
  }
}

template <int kSampleBytes, bool kAlpha, bool kGamma>
void convertTruecolour(const std::uint8_t* samples, int count, std::uint8_t* bitmapRow,
                       std::uint8_t* alphaRow, const ConvertContext& c) {
  constexpr int kStep = (kAlpha ? 4 : 3) * kSampleBytes;
  const std::uint8_t* gamma = c.gamma;
  for (int i = 0; i < count; ++i, samples += kStep, bitmapRow += 3) {
    std::uint8_t red = samples[0], green = samples[kSampleBytes], blue = samples[2 * kSampleBytes];
    if constexpr (kGamma) {
      red = gamma[red];
      green = gamma[green];
      blue = gamma[blue];
    }
    bitmapRow[0] = blue;
    bitmapRow[1] = green;
    bitmapRow[2] = red;
    if constexpr (kAlpha) alphaRow[i] = samples[3 * kSampleBytes];
  }
}

// The common case, 8-bit RGBA without gamma, a word at a time: R,G,B,A loaded as one
// little-endian word and byte-swapped is A,B,G,R; shifted down a byte it is B,G,R,0. Each
// store writes one byte too many, which the next pixel overwrites; the last pixel goes byte by
// byte so that the row's end is never passed.
void convertRgba8(const std::uint8_t* samples, int count, std::uint8_t* bitmapRow, std::uint8_t* alphaRow,
                  const ConvertContext& c) {
  int i = 0;
  for (; i + 1 < count; ++i) {
    std::uint32_t word;
    std::memcpy(&word, samples + 4 * i, 4);
    word = std::uint32_t(__builtin_bswap32(std::uint32_t(word))) >> 8;
    std::memcpy(bitmapRow + 3 * i, &word, 4);
    alphaRow[i] = samples[4 * i + 3];
  }
  if (i < count) convertTruecolour<1, true, false>(samples + 4 * i, 1, bitmapRow + 3 * i, alphaRow + i, c);
}

template <int kSampleBytes, bool kAlpha>
ConvertRow truecolourConverter(bool gamma) {
  if (kSampleBytes == 1 && kAlpha && !gamma && std::endian::native == std::endian::little) return convertRgba8;
  return gamma ? convertTruecolour<kSampleBytes, kAlpha, true> : convertTruecolour<kSampleBytes, kAlpha, false>;
}

ConvertRow converterFor(std::uint8_t colorType, int depth, bool gamma) {
  const bool wide = depth == 16;
  switch (colorType) {
    case 0:
      if (wide) return convertGrey<2, false>;
      return depth == 2 ? expandTwoBitIndices : copyIndices;
    case 3:
      return depth == 2 ? expandTwoBitIndices : copyIndices;
    case 4:
      return wide ? convertGrey<2, true> : convertGrey<1, true>;
    case 2:
      return wide ? truecolourConverter<2, false>(gamma) : truecolourConverter<1, false>(gamma);
    default:
      return wide ? truecolourConverter<2, true>(gamma) : truecolourConverter<1, true>(gamma);
  }
}

// Greyscale 2-bit sample v shows as the 4-bit index 5v, the ramp's entry for 85v; indexed
// 2-bit samples keep their value.
constexpr TwoBitPairs twoBitPairsFor(bool greyscale) {
  TwoBitPairs pairs{};
  for (int b = 0; b < 256; ++b) {
    int index[4] = {};
    for (int k = 0; k < 4; ++k) {
      const int v = (b >> (6 - 2 * k)) & 3;
      index[k] = greyscale ? 5 * v : v;
    }
    pairs[b] = {std::uint8_t((index[0] << 4) | index[1]), std::uint8_t((index[2] << 4) | index[3])};
  }
  return pairs;
}

// ---- the transparent colour of greyscale and truecolour pictures ----

// The stored samples that are transparent, compared at the picture's own precision: the
// displayed colour would not do, since 16-bit samples keep only their high byte and gamma
// can map two samples to one value.
struct TransparentKey {
  std::uint8_t colorType = 0;
  int depth = 0;
  std::uint16_t grey = 0, red = 0, green = 0, blue = 0;
};

std::uint16_t sampleAt(const std::uint8_t* samples, std::size_t index, int depth) {
  if (depth == 16) return std::uint16_t((samples[2 * index] << 8) | samples[2 * index + 1]);
  if (depth == 8) return samples[index];
  const std::size_t bit = index * depth;
  const int shift = 8 - depth - int(bit % 8);
  return std::uint16_t((samples[bit / 8] >> shift) & ((1 << depth) - 1));
}

void markTransparent(const std::uint8_t* samples, int count, std::uint8_t* maskRow, const TransparentKey& key) {
  for (int i = 0; i < count; ++i) {
    bool transparent;
    if (key.colorType == 0) {
      transparent = sampleAt(samples, std::size_t(i), key.depth) == key.grey;
    } else {
      const std::size_t first = std::size_t(i) * 3;
      transparent = sampleAt(samples, first, key.depth) == key.red &&
                    sampleAt(samples, first + 1, key.depth) == key.green &&
                    sampleAt(samples, first + 2, key.depth) == key.blue;
    }
    maskRow[i] = transparent ? 1 : 0;
  }
}

// Values beyond the bit depth cannot be stored in a sample: only the low bits count, as the
// low byte does for 8-bit samples.
bool transparentKeyFor(const TChunkIHDR& header, const TChunktRNS* transparency, TransparentKey& key) {
  if (!transparency) return false;
  const auto& d = transparency->data();
  const std::uint8_t colorType = header.colorType();
  const int depth = header.bitDepth();
  const unsigned valueMask = depth == 16 ? 0xFFFFu : (1u << depth) - 1;
  auto value = [&](std::size_t at) { return std::uint16_t(((d[at] << 8) | d[at + 1]) & valueMask); };
  key.colorType = colorType;
  key.depth = depth;
  if (colorType == 0 && d.size() >= 2) {
    key.grey = value(0);
    return true;
  }
  if (colorType == 2 && d.size() >= 6) {
    key.red = value(0);
    key.green = value(2);
    key.blue = value(4);
    return true;
  }
  return false;
}

// ---- Adam7 placement ----

void scatterPixels(const std::uint8_t* from, int count, std::uint8_t* row, const Pass& pass, int bitsPerPixel) {
  int x = pass.colStart;
  switch (bitsPerPixel) {
    case 24:
      for (int i = 0; i < count; ++i, x += pass.colStep) std::memcpy(row + 3 * std::size_t(x), from + 3 * std::size_t(i), 3);
      break;
    case 8:
      for (int i = 0; i < count; ++i, x += pass.colStep) row[x] = from[i];
      break;
    case 4:
      for (int i = 0; i < count; ++i, x += pass.colStep) {
        const int value = (from[i >> 1] >> ((i & 1) ? 0 : 4)) & 0x0F;
        const int shift = (x & 1) ? 0 : 4;
        row[x >> 1] = std::uint8_t((row[x >> 1] & ~(0x0F << shift)) | (value << shift));
      }
      break;
    default:  // 1
      for (int i = 0; i < count; ++i, x += pass.colStep) {
        const int value = (from[i >> 3] >> (7 - (i & 7))) & 1;
        const int shift = 7 - (x & 7);
        row[x >> 3] = std::uint8_t((row[x >> 3] & ~(1 << shift)) | (value << shift));
      }
      break;
  }
}

void scatterBytes(const std::uint8_t* from, int count, std::uint8_t* row, const Pass& pass) {
  for (int i = 0, x = pass.colStart; i < count; ++i, x += pass.colStep) row[x] = from[i];
}

// ---- the compressed input ----

// Hands zlib the image data in pieces of at most 65535 bytes, never past the end of the current
// chunk, and follows the stream into the next IDAT chunk, checking each chunk's CRC.
class IdatInput {
 public:
  IdatInput(PngStream& stream, std::uint32_t firstLength)
      : stream_(stream), left_(firstLength), crc_(chunkCrc(kIDAT, {})) {}

  void refill(z_stream& z) {
    while (left_ == 0) nextChunk();
    const std::size_t piece = std::min<std::uint32_t>(left_, 65535);
    const auto bytes = stream_.read(piece);
    crc_ = std::uint32_t(crc32_z(crc_, bytes.data(), piece));
    left_ -= std::uint32_t(piece);
    z.next_in = const_cast<Bytef*>(bytes.data());
    z.avail_in = uInt(piece);
  }

  // Passes over what is left of the current chunk and checks its CRC.
  void finish() {
    const auto rest = stream_.read(left_);
    if (!rest.empty()) crc_ = std::uint32_t(crc32_z(crc_, rest.data(), rest.size()));
    left_ = 0;
    checkCrc();
  }

 private:
  void checkCrc() {
    if (stream_.readBigEndian32() != crc_) throw EPngInvalidCRC(ErrorCode::PngInvalidCRC);
  }

  void nextChunk() {
    checkCrc();
    left_ = stream_.readBigEndian32();
    const auto name = stream_.read(4);
    if (std::memcmp(name.data(), kIDAT.data(), 4) != 0)
      throw EPNGMissingMultipleIDAT(ErrorCode::PngMissingMultipleIDAT);
    crc_ = chunkCrc(kIDAT, {});
  }

  PngStream& stream_;
  std::uint32_t left_;  // data bytes of the current chunk not yet handed over
  std::uint32_t crc_;   // over the current chunk's name and the data handed over so far
};

struct Inflater {
  z_stream z{};
  Inflater() {
    if (inflateInit(&z) != Z_OK) throw EPNGOutMemory(ErrorCode::PngOutOfResources);
    // Every chunk's CRC already guards the data, and the stream's own check value at its end
    // is never reached when the rows are complete before it: computing it is wasted work.
    inflateValidate(&z, 0);
  }
  ~Inflater() { inflateEnd(&z); }
  Inflater(const Inflater&) = delete;
  Inflater& operator=(const Inflater&) = delete;
};

// ---- the decoder ----

class ImageDataDecoder {
 public:
  ImageDataDecoder(PngStream& stream, std::uint32_t firstLength, TChunkIHDR& header,
                   const std::array<std::uint8_t, 256>& gamma, const TChunktRNS* transparency)
      : input_(stream, firstLength), header_(header), image_(header.image()) {
    const std::uint8_t colorType = header.colorType();
    const int depth = header.bitDepth();
    bool identity = true;
    for (int i = 0; i < 256; ++i) identity = identity && gamma[i] == i;
    context_.gamma = gamma.data();
    context_.depth = depth;
    static constexpr TwoBitPairs kGreyPairs = twoBitPairsFor(true);
    static constexpr TwoBitPairs kIndexPairs = twoBitPairsFor(false);
    context_.twoBitPairs = colorType == 0 ? &kGreyPairs : &kIndexPairs;
    convert_ = converterFor(colorType, depth, !identity);
    unfilter_ = unfilterFor(filterDistance(colorType, depth));
    if (colorType == 0 || colorType == 4) buildGreyRamp(gamma);
    if (transparentKeyFor(header, transparency, key_))
      image_.transparencyMask = PngPlane(std::size_t(image_.width) * std::size_t(image_.height));
    allocateRows();
  }

  void run() {
    if (header_.interlaceMethod() == 1) {
      for (const Pass& pass : kAdam7)
        if (!decodePass(pass, true)) break;
    } else {
      decodePass(kWholeImage, false);
    }
    input_.finish();
  }

 private:
  void buildGreyRamp(const std::array<std::uint8_t, 256>& gamma) {
    const int entries = 1 << image_.bitsPerPixel;
    for (int k = 0; k < entries; ++k) {
      // k x 255 / (entries - 1), rounded with halves upwards
      const int level = (2 * k * 255 + (entries - 1)) / (2 * (entries - 1));
      const std::uint8_t shown = gamma[level];
      image_.palette[k] = {shown, shown, shown, 0};
    }
  }

  void allocateRows() {
    // One byte in front of each row's samples holds its filter type.
    const std::size_t stride = filteredRowBytes(header_.colorType(), header_.bitDepth(), std::size_t(image_.width)) + 1;
    // Never more than the image needs: small pictures are the common case.
    const std::size_t imageBytes = stride * std::size_t(image_.height);
    batchSize_ = std::max(stride, std::min(kBatchBytes, imageBytes));
    batch_.reset(new std::uint8_t[batchSize_ + kRowSlack]);  // written by inflate before it is read
    previous_.assign(stride + kRowSlack, 0);
    if (header_.interlaceMethod() == 1) {
      passBitmap_.assign(image_.bytesPerRow + 4, 0);
      passPlane_.assign(std::size_t(image_.width), 0);
    }
  }

  // False when the compressed stream ended before the pass was complete.
  bool decodePass(const Pass& pass, bool interlaced) {
    const int passWidth = passExtent(image_.width, pass.colStart, pass.colStep);
    const int passHeight = passExtent(image_.height, pass.rowStart, pass.rowStep);
    const std::size_t rowBytes = filteredRowBytes(header_.colorType(), header_.bitDepth(), std::size_t(passWidth));
    if (rowBytes == 0 || passHeight == 0) return true;
    const std::size_t stride = rowBytes + 1;
    const int batchRows = int(batchSize_ / stride);
    std::fill_n(previous_.begin(), stride, 0);
    const std::uint8_t* prior = previous_.data();
    for (int r = 0; r < passHeight;) {
      const int wanted = std::min(batchRows, passHeight - r);
      const int got = inflateRows(batch_.get(), stride, wanted);
      for (int k = 0; k < got; ++k, ++r) {
        std::uint8_t* row = batch_.get() + std::size_t(k) * stride;
        unfilter_(row[0], row + 1, prior + 1, rowBytes);
        const int y = pass.rowStart + r * pass.rowStep;
        if (interlaced && pass.colStep != 1)
          storeScattered(row + 1, passWidth, y, pass);
        else
          storeRow(row + 1, passWidth, y);
        prior = row;
      }
      if (got < wanted) return false;
      // The batch is about to be overwritten: its last row is the next one's prior row.
      std::memcpy(previous_.data(), prior, stride);
      prior = previous_.data();
    }
    return true;
  }

  // Inflates up to `rows` rows of `stride` bytes; returns the complete rows, fewer when the
  // stream ended (a partial row is dropped).
  int inflateRows(std::uint8_t* into, std::size_t stride, int rows) {
    if (ended_) return 0;
    z_stream& z = inflater_.z;
    const std::size_t size = stride * std::size_t(rows);
    z.next_out = into;
    z.avail_out = uInt(size);
    while (z.avail_out > 0) {
      if (z.avail_in == 0) input_.refill(z);
      const int status = inflate(&z, Z_NO_FLUSH);
      if (status == Z_STREAM_END) {
        ended_ = true;
        break;
      }
      if (status != Z_OK && status != Z_BUF_ERROR) throwZlibError(status);
    }
    return int((size - z.avail_out) / stride);
  }

  [[noreturn]] void throwZlibError(int status) const {
    const char* text = inflater_.z.msg ? inflater_.z.msg : zError(status);
    throw EPNGZLIBError(ErrorCode::PngZlibError, text);
  }

  std::uint8_t* alphaRow(int y) {
    return image_.alpha.empty() ? nullptr : image_.alpha.data() + std::size_t(y) * image_.width;
  }
  std::uint8_t* maskRow(int y) { return image_.transparencyMask.data() + std::size_t(y) * image_.width; }

  void storeRow(const std::uint8_t* samples, int count, int y) {
    convert_(samples, count, image_.row(y), alphaRow(y), context_);
    if (!image_.transparencyMask.empty()) markTransparent(samples, count, maskRow(y), key_);
  }

  void storeScattered(const std::uint8_t* samples, int count, int y, const Pass& pass) {
    std::uint8_t* alpha = alphaRow(y);
    convert_(samples, count, passBitmap_.data(), passPlane_.data(), context_);
    scatterPixels(passBitmap_.data(), count, image_.row(y), pass, image_.bitsPerPixel);
    if (alpha) scatterBytes(passPlane_.data(), count, alpha, pass);
    if (!image_.transparencyMask.empty()) {
      markTransparent(samples, count, passPlane_.data(), key_);
      scatterBytes(passPlane_.data(), count, maskRow(y), pass);
    }
  }

  IdatInput input_;
  Inflater inflater_;
  TChunkIHDR& header_;
  PngImage& image_;
  ConvertContext context_{};
  ConvertRow convert_ = nullptr;
  Unfilter unfilter_ = nullptr;
  TransparentKey key_;
  bool ended_ = false;
  // zlib's fast path needs room ahead in its output: inflating a row at a time would spend
  // the end of every row in the slow path. Rows are inflated a batch at a time instead and
  // unfiltered where they lie; `previous_` carries the prior row from one batch to the next.
  static constexpr std::size_t kBatchBytes = 32768;
  static constexpr std::size_t kRowSlack = 8;  // see loadPixel
  std::unique_ptr<std::uint8_t[]> batch_;  // per row: filter byte, then the samples
  std::size_t batchSize_ = 0;
  std::vector<std::uint8_t> previous_;
  std::vector<std::uint8_t> passBitmap_, passPlane_;  // one converted row of an Adam7 pass
};

}  // namespace

void decodeImageData(PngStream& stream, std::uint32_t firstLength, TChunkIHDR& header,
                     const std::array<std::uint8_t, 256>& gamma, const TChunktRNS* transparency) {
  ImageDataDecoder decoder(stream, firstLength, header, gamma, transparency);
  decoder.run();
}

}  // namespace tov::png
