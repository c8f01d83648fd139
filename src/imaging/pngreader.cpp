#include "imaging/pngreader.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>
#include <typeinfo>

#include <zlib.h>

#include "imaging/bitmap.h"
#include "imaging/png_internal.h"

namespace tov {

using namespace png;

namespace {

constexpr std::uint8_t kSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};

std::uint32_t bigEndian32(const std::uint8_t* p) {
  return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) |
         std::uint32_t(p[3]);
}

// A critical chunk (first letter upper case) that we cannot read makes the picture unreadable.
bool isCritical(const ChunkName& name) { return name[0] >= 'A' && name[0] <= 'Z'; }

// The registered classes, looked up in this order; any other name is a plain TChunk.
std::unique_ptr<TChunk> newChunkFor(TPngPicture& owner, const ChunkName& name) {
  if (name == kIEND) return std::make_unique<TChunkIEND>(owner, name);
  if (name == kIHDR) return std::make_unique<TChunkIHDR>(owner, name);
  if (name == kIDAT) return std::make_unique<TChunkIDAT>(owner, name);
  if (name == kPLTE) return std::make_unique<TChunkPLTE>(owner, name);
  if (name == kgAMA) return std::make_unique<TChunkgAMA>(owner, name);
  if (name == ktRNS) return std::make_unique<TChunktRNS>(owner, name);
  if (name == ktIME) return std::make_unique<TChunktIME>(owner, name);
  if (name == ktEXt) return std::make_unique<TChunktEXt>(owner, name);
  if (name == kzTXt) return std::make_unique<TChunkzTXt>(owner, name);
  return std::make_unique<TChunk>(owner, name);
}

ChunkName readName(PngStream& stream) {
  const auto bytes = stream.read(4);
  return {char(bytes[0]), char(bytes[1]), char(bytes[2]), char(bytes[3])};
}

// Rounds to the nearest integer, halves to the even neighbour, whatever the floating-point
// environment's rounding mode.
int roundHalfToEven(double value) {
  const double below = std::floor(value);
  const double fraction = value - below;
  int result = int(below);
  if (fraction > 0.5 || (fraction == 0.5 && (result % 2) != 0)) ++result;
  return result;
}

// Inflates a zTXt text; false when the data is not a complete zlib stream or would inflate
// beyond the limit.
bool inflateText(std::span<const std::uint8_t> compressed, std::string& text) {
  z_stream z{};
  if (inflateInit(&z) != Z_OK) return false;
  z.next_in = const_cast<Bytef*>(compressed.data());
  z.avail_in = uInt(std::min<std::size_t>(compressed.size(), UINT32_MAX));
  std::string out;
  char piece[16384];
  int status = Z_OK;
  while (status == Z_OK) {
    z.next_out = reinterpret_cast<Bytef*>(piece);
    z.avail_out = sizeof piece;
    status = inflate(&z, Z_NO_FLUSH);
    out.append(piece, sizeof piece - z.avail_out);
    if (out.size() > TChunkzTXt::kMaxTextBytes) status = Z_MEM_ERROR;
  }
  inflateEnd(&z);
  if (status != Z_STREAM_END) return false;
  text = std::move(out);
  return true;
}

}  // namespace

// ---- helpers shared by the reader's parts ----

std::uint32_t png::chunkCrc(const ChunkName& name, std::span<const std::uint8_t> data) {
  const uLong crc = crc32(0L, reinterpret_cast<const Bytef*>(name.data()), 4);
  // zlib takes a null buffer as a request for the initial value, which an empty span may give.
  return data.empty() ? std::uint32_t(crc) : std::uint32_t(crc32_z(crc, data.data(), data.size()));
}

int png::bitmapBitsPerPixel(std::uint8_t colorType, std::uint8_t bitDepth) {
  switch (colorType) {
    case 0:
      if (bitDepth == 1 || bitDepth == 4 || bitDepth == 8) return bitDepth;
      if (bitDepth == 2) return 4;
      return bitDepth == 16 ? 8 : 0;
    case 3:
      if (bitDepth == 1 || bitDepth == 4 || bitDepth == 8) return bitDepth;
      return bitDepth == 2 ? 4 : 0;
    case 2:
    case 6:
      return bitDepth == 8 || bitDepth == 16 ? 24 : 0;
    case 4:
      return bitDepth == 8 || bitDepth == 16 ? 8 : 0;
    default:
      return 0;
  }
}

// ---- PngStream ----

bool PngStream::tryReadBigEndian32(std::uint32_t& value) {
  if (remaining() < 4) return false;
  value = bigEndian32(data_.data() + position_);
  position_ += 4;
  return true;
}

std::uint32_t PngStream::readBigEndian32() {
  std::uint32_t value;
  if (!tryReadBigEndian32(value)) throw EPngUnexpectedEnd(ErrorCode::PngUnexpectedEnd);
  return value;
}

std::span<const std::uint8_t> PngStream::read(std::size_t count) {
  if (count > remaining()) throw EPngUnexpectedEnd(ErrorCode::PngUnexpectedEnd);
  const auto bytes = data_.subspan(position_, count);
  position_ += count;
  return bytes;
}

// ---- PngPlane ----

PngPlane::PngPlane(std::size_t size) {
  if (size == 0) return;
  if (size > Bitmap::kMaxPixelBytes) throw EPNGOutMemory(ErrorCode::PngOutOfResources);
  // calloc: large blocks come straight from the system already zero, untouched until written.
  bytes_.reset(static_cast<std::uint8_t*>(std::calloc(size, 1)));
  if (!bytes_) throw EPNGOutMemory(ErrorCode::PngOutOfResources);
  size_ = size;
}

PngPlane::PngPlane(const PngPlane& other) : PngPlane(other.size_) {
  if (size_ != 0) std::memcpy(bytes_.get(), other.bytes_.get(), size_);
}

PngPlane& PngPlane::operator=(const PngPlane& other) {
  if (this != &other) *this = PngPlane(other);
  return *this;
}

void PngPlane::Free::operator()(std::uint8_t* p) const { std::free(p); }

// ---- TChunk and the registered chunk classes ----

void TChunk::loadFromStream(PngStream& stream, std::uint32_t length) {
  const auto bytes = stream.read(length);
  const std::uint32_t storedCrc = stream.readBigEndian32();
  if (chunkCrc(name_, bytes) != storedCrc) throw EPngInvalidCRC(ErrorCode::PngInvalidCRC);
  data_.assign(bytes.begin(), bytes.end());
  parse();
}

void TChunk::checkSameClass(const TChunk& source) const {
  if (typeid(*this) != typeid(source)) throw EPngError(ErrorCode::PngChunksIncompatible);
}

void TChunk::assign(const TChunk& source) {
  checkSameClass(source);
  name_ = source.name_;
  data_ = source.data_;
}

void TChunkIHDR::parse() {
  const auto& d = data();
  if (d.size() < 13) throw EPngInvalidIHDR(ErrorCode::PngInvalidIHDR);
  width_ = bigEndian32(d.data());
  height_ = bigEndian32(d.data() + 4);
  bitDepth_ = d[8];
  colorType_ = d[9];
  compressionMethod_ = d[10];
  filterMethod_ = d[11];
  interlaceMethod_ = d[12];
  if (width_ > 65535 || height_ > 65535) throw EPNGSizeExceeds(ErrorCode::PngSizeExceeds);
  if (compressionMethod_ != 0) throw EPNGUnknownCompression(ErrorCode::PngUnknownCompression);
  if (interlaceMethod_ > 1) throw EPNGUnknownInterlace(ErrorCode::PngUnknownInterlace);
  // A depth the colour type does not have would leave the row layout undefined.
  if (bitmapBitsPerPixel(colorType_, bitDepth_) == 0) throw EPngInvalidIHDR(ErrorCode::PngInvalidIHDR);
  createImage();
}

void TChunkIHDR::createImage() {
  PngImage image;
  image.width = int(width_);
  image.height = int(height_);
  image.bitsPerPixel = bitmapBitsPerPixel(colorType_, bitDepth_);
  // Both sides are at most 65535, so these products stay far inside 64 bits; PngPlane
  // refuses anything beyond the bitmap limit before allocating.
  image.bytesPerRow = (std::uint64_t(image.bitsPerPixel) * width_ + 31) / 32 * 4;
  image.pixels = PngPlane(std::uint64_t(image.bytesPerRow) * height_);
  if (hasAlpha()) image.alpha = PngPlane(std::uint64_t(width_) * height_);
  image_ = std::move(image);
}

void TChunkIHDR::assign(const TChunk& source) {
  TChunk::assign(source);
  const auto& s = static_cast<const TChunkIHDR&>(source);
  width_ = s.width_;
  height_ = s.height_;
  bitDepth_ = s.bitDepth_;
  colorType_ = s.colorType_;
  compressionMethod_ = s.compressionMethod_;
  filterMethod_ = s.filterMethod_;
  interlaceMethod_ = s.interlaceMethod_;
  image_ = s.image_;
}

void TChunkIDAT::loadFromStream(PngStream& stream, std::uint32_t length) {
  TPngPicture& picture = owner();
  decodeImageData(stream, length, picture.header(), picture.gammaTable(),
                  picture.findChunk<TChunktRNS>());
  picture.setImageDataDecoded();
}

void TChunkPLTE::parse() {
  const auto& d = data();
  if (d.size() % 3 != 0 || d.size() > 768) throw EPNGInvalidPalette(ErrorCode::PngInvalidPalette);
  count_ = int(d.size() / 3);
  const auto& gamma = owner().gammaTable();
  auto& palette = owner().header().image().palette;
  for (int i = 0; i < count_; ++i) {
    palette[i].red = gamma[d[3 * i]];
    palette[i].green = gamma[d[3 * i + 1]];
    palette[i].blue = gamma[d[3 * i + 2]];
    palette[i].reserved = 0;
  }
}

PngPaletteEntry TChunkPLTE::item(int index) const {
  if (index < 0 || index >= count_) throw EPngError(ErrorCode::PngNoSuchPaletteEntry);
  return owner().header().image().palette[index];
}

void TChunkPLTE::assign(const TChunk& source) {
  TChunk::assign(source);
  count_ = static_cast<const TChunkPLTE&>(source).count_;
}

void TChunkgAMA::parse() {
  // Four bytes are the whole content; a shorter chunk has no value to take.
  if (data().size() < 4) return;
  gamma_ = bigEndian32(data().data());
  owner().setGamma(gamma_);
}

void TChunkgAMA::assign(const TChunk& source) {
  TChunk::assign(source);
  gamma_ = static_cast<const TChunkgAMA&>(source).gamma_;
}

void TChunktRNS::parse() {
  const auto& d = data();
  if (d.size() > 256) throw EPNGInvalidPalette(ErrorCode::PngInvalidPalette);
  values_.fill(255);
  std::copy(d.begin(), d.end(), values_.begin());
  const std::uint8_t colorType = owner().header().colorType();
  if (colorType == 0 || colorType == 2) {
    bitTransparency_ = true;
  } else if (colorType == 3) {
    // One fully transparent entry among opaque ones is drawn through a mask; a single entry of
    // any other value must be blended, or it would show as opaque.
    const auto notOpaque = std::count_if(d.begin(), d.end(), [](std::uint8_t v) { return v != 255; });
    const bool oneTransparent = std::find(d.begin(), d.end(), 0) != d.end();
    bitTransparency_ = notOpaque == 1 && oneTransparent;
  } else {
    bitTransparency_ = false;
  }
}

void TChunktRNS::assign(const TChunk& source) {
  TChunk::assign(source);
  const auto& s = static_cast<const TChunktRNS&>(source);
  values_ = s.values_;
  bitTransparency_ = s.bitTransparency_;
}

void TChunktIME::parse() {
  const auto& d = data();
  if (d.size() != 7) return;
  year_ = (d[0] << 8) | d[1];
  month_ = d[2];
  day_ = d[3];
  hour_ = d[4];
  minute_ = d[5];
  second_ = d[6];
}

void TChunktIME::assign(const TChunk& source) {
  TChunk::assign(source);
  const auto& s = static_cast<const TChunktIME&>(source);
  year_ = s.year_;
  month_ = s.month_;
  day_ = s.day_;
  hour_ = s.hour_;
  minute_ = s.minute_;
  second_ = s.second_;
}

void TChunktEXt::parse() {
  const auto& d = data();
  if (d.size() <= 2) return;
  const auto zero = std::find(d.begin(), d.end(), 0);
  keyword_.assign(d.begin(), zero);
  if (zero != d.end()) text_.assign(zero + 1, d.end());
}

void TChunktEXt::assign(const TChunk& source) {
  TChunk::assign(source);
  const auto& s = static_cast<const TChunktEXt&>(source);
  keyword_ = s.keyword_;
  text_ = s.text_;
}

void TChunkzTXt::parse() {
  const auto& d = data();
  if (d.size() < 4) return;
  const auto zero = std::find(d.begin(), d.end(), 0);
  keyword_.assign(d.begin(), zero);
  // The compressed text starts after the zero and the compression-method byte.
  const std::size_t start = std::size_t(zero - d.begin()) + 2;
  if (start > d.size()) return;
  inflateText(std::span(d).subspan(start), text_);
}

// ---- TPngPicture ----

TPngPicture::TPngPicture() { clear(); }
TPngPicture::~TPngPicture() = default;
TPngPicture::TPngPicture(TPngPicture&& other) noexcept { takeFrom(other); }

void TPngPicture::takeFrom(TPngPicture& other) noexcept {
  chunks_ = std::move(other.chunks_);
  for (auto& chunk : chunks_) chunk->owner_ = this;
  gammaTable_ = other.gammaTable_;
  imageDataDecoded_ = other.imageDataDecoded_;
  file_ = std::move(other.file_);
  other.clear();
}

void TPngPicture::clear() {
  chunks_.clear();
  chunks_.shrink_to_fit();
  for (int i = 0; i < 256; ++i) gammaTable_[i] = std::uint8_t(i);
  imageDataDecoded_ = false;
  file_.clear();
}

void TPngPicture::addChunk(std::unique_ptr<TChunk> chunk) {
  // The list starts with room for 10 chunks and grows by 10.
  if (chunks_.size() == chunks_.capacity()) chunks_.reserve(chunks_.capacity() + 10);
  chunks_.push_back(std::move(chunk));
}

const TChunkIHDR* TPngPicture::headerOrNull() const {
  if (chunks_.empty()) return nullptr;
  return dynamic_cast<const TChunkIHDR*>(chunks_.front().get());
}

const TChunkIHDR& TPngPicture::header() const {
  const TChunkIHDR* header = headerOrNull();
  if (!header) throw EPNGHeaderNotPresent(ErrorCode::PngHeaderNotPresent);
  return *header;
}

TChunkIHDR& TPngPicture::header() {
  return const_cast<TChunkIHDR&>(std::as_const(*this).header());
}

int TPngPicture::width() const {
  const TChunkIHDR* header = headerOrNull();
  return header ? int(header->width()) : 0;
}

int TPngPicture::height() const {
  const TChunkIHDR* header = headerOrNull();
  return header ? int(header->height()) : 0;
}

void TPngPicture::setWidth(int) { throw EPngError(ErrorCode::PngCannotResize); }
void TPngPicture::setHeight(int) { throw EPngError(ErrorCode::PngCannotResize); }

void TPngPicture::setGamma(std::uint32_t gamma) {
  if (gamma == 0) return;
  const double exponent = 1.0 / (double(gamma) / 100000.0 * 2.2);
  for (int i = 0; i < 256; ++i) {
    const double value = 255.0 * std::pow(i / 255.0, exponent);
    gammaTable_[i] = std::uint8_t(std::clamp(roundHalfToEven(value), 0, 255));
  }
}

PngTransparency TPngPicture::transparencyMode() const {
  const TChunkIHDR* header = headerOrNull();
  if (!header) return PngTransparency::none;
  const TChunktRNS* trns = findChunk<TChunktRNS>();
  switch (header->colorType()) {
    case 0:
    case 2:
      // The decoder keeps a mask only for a tRNS read before the image data and long enough
      // for the colour; any other draws opaque, so the picture must not claim transparency.
      return header->image().transparencyMask.empty() ? PngTransparency::none : PngTransparency::bit;
    case 3:
      if (!trns) return PngTransparency::none;
      return trns->bitTransparency() ? PngTransparency::bit : PngTransparency::partial;
    case 4:
    case 6:
      return PngTransparency::partial;
    default:
      return PngTransparency::none;
  }
}

std::size_t TPngPicture::loadFromStream(std::span<const std::uint8_t> bytes) {
  clear();
  PngStream stream(bytes);
  if (stream.remaining() < sizeof kSignature ||
      std::memcmp(stream.read(sizeof kSignature).data(), kSignature, sizeof kSignature) != 0)
    throw EPNGInvalidFileHeader(ErrorCode::PngInvalidFileHeader);

  for (bool first = true;; first = false) {
    std::uint32_t length;
    if (!stream.tryReadBigEndian32(length)) throw EPngUnexpectedEnd(ErrorCode::PngUnexpectedEnd);
    const ChunkName name = readName(stream);
    if (first && name != kIHDR) throw EPNGIHDRNotFirst(ErrorCode::PngIHDRNotFirst);
    if ((imageDataDecoded_ && name == kIDAT) || name == kcHRM) {
      stream.read(length);
      stream.read(4);  // its CRC, unchecked: the chunk is not used
      continue;
    }
    std::unique_ptr<TChunk> chunk = newChunkFor(*this, name);
    const TChunk& created = *chunk;
    if (typeid(created) == typeid(TChunk) && isCritical(name))
      throw EPNGUnknownCriticalChunk(ErrorCode::PngUnknownCriticalChunk);
    chunk->loadFromStream(stream, length);
    addChunk(std::move(chunk));
    if (name == kIEND) break;
  }
  if (!imageDataDecoded_) throw EPNGNoImageData(ErrorCode::PngNoImageData);
  file_.assign(bytes.begin(), bytes.begin() + std::ptrdiff_t(stream.position()));
  return stream.position();
}

void TPngPicture::loadFromMemory(std::span<const std::uint8_t> data) {
  std::size_t consumed = 0;
  readStoredData(data, consumed);  // bytes after IEND are not the picture's business
}

void TPngPicture::readStoredData(std::span<const std::uint8_t> data, std::size_t& consumed) {
  TPngPicture loaded;
  consumed = loaded.loadFromStream(data);
  takeFrom(loaded);
}

void TPngPicture::writeStoredData(std::vector<std::uint8_t>& out) const {
  out.insert(out.end(), file_.begin(), file_.end());
}

void TPngPicture::assign(const TPngPicture& source) {
  if (&source == this) return;
  std::vector<std::unique_ptr<TChunk>> copies;
  copies.reserve(source.chunks_.capacity());
  for (const auto& chunk : source.chunks_) {
    auto copy = newChunkFor(*this, chunk->name());
    copy->assign(*chunk);
    copies.push_back(std::move(copy));
  }
  chunks_ = std::move(copies);
  gammaTable_ = source.gammaTable_;
  imageDataDecoded_ = source.imageDataDecoded_;
  file_ = source.file_;
}

std::unique_ptr<Graphic> TPngPicture::clone() const {
  auto copy = std::make_unique<TPngPicture>();
  copy->assign(*this);
  return copy;
}

void TPngPicture::draw(Canvas& canvas, const Rect& dest) const { drawPicture(*this, canvas, dest); }

// ---- registration ----

void registerPngPicture() {
  registerGraphicKind("PNG", "TPngPicture", [] { return std::make_unique<TPngPicture>(); });
}

void unregisterPngPicture() { unregisterGraphicKind("TPngPicture"); }

}  // namespace tov
