#pragma once
// TPngPicture: PNG pictures (the PNG standard, ISO/IEC 15948) read by our own decoder on
// zlib's inflate, kept as a list of chunk objects, and drawn with their transparency.

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "imaging/graphic.h"
#include "platform/errors.h"

namespace tov {

TOV_DECLARE_ERROR(EPngError, EInvalidGraphic);
TOV_DECLARE_ERROR(EPNGOutMemory, EPngError);
TOV_DECLARE_ERROR(EPngUnexpectedEnd, EPngError);
TOV_DECLARE_ERROR(EPNGInvalidFileHeader, EPngError);
TOV_DECLARE_ERROR(EPNGIHDRNotFirst, EPngError);
TOV_DECLARE_ERROR(EPNGUnknownCriticalChunk, EPngError);
TOV_DECLARE_ERROR(EPngInvalidCRC, EPngError);
TOV_DECLARE_ERROR(EPngInvalidIHDR, EPngError);
TOV_DECLARE_ERROR(EPNGSizeExceeds, EPngError);
TOV_DECLARE_ERROR(EPNGUnknownCompression, EPngError);
TOV_DECLARE_ERROR(EPNGUnknownInterlace, EPngError);
TOV_DECLARE_ERROR(EPNGInvalidPalette, EPngError);
TOV_DECLARE_ERROR(EPNGMissingMultipleIDAT, EPngError);
TOV_DECLARE_ERROR(EPNGZLIBError, EPngError);
TOV_DECLARE_ERROR(EPNGNoImageData, EPngError);
TOV_DECLARE_ERROR(EPNGHeaderNotPresent, EPngError);

class TPngPicture;

// A cursor over the bytes of one PNG. Every read is checked against the end: a chunk that
// claims more bytes than there are is an unexpected end, never a read past the buffer.
class PngStream {
 public:
  explicit PngStream(std::span<const std::uint8_t> data) : data_(data) {}
  std::size_t position() const { return position_; }
  std::size_t remaining() const { return data_.size() - position_; }
  // False, reading nothing, when fewer than 4 bytes are left.
  bool tryReadBigEndian32(std::uint32_t& value);
  std::uint32_t readBigEndian32();                  // EPngUnexpectedEnd when short
  std::span<const std::uint8_t> read(std::size_t count);  // EPngUnexpectedEnd when short

 private:
  std::span<const std::uint8_t> data_;
  std::size_t position_ = 0;
};

using ChunkName = std::array<char, 4>;

// One chunk of the file: its name and a copy of its data. Chunks of unregistered names (an
// "iCCP" colour profile, say) are kept as plain TChunk objects.
class TChunk {
 public:
  TChunk(TPngPicture& owner, const ChunkName& name) : owner_(&owner), name_(name) {}
  virtual ~TChunk() = default;
  TChunk(const TChunk&) = delete;
  TChunk& operator=(const TChunk&) = delete;

  const ChunkName& name() const { return name_; }
  std::string nameText() const { return std::string(name_.begin(), name_.end()); }
  const std::vector<std::uint8_t>& data() const { return data_; }
  TPngPicture& owner() const { return *owner_; }

  // Reads `length` data bytes and the CRC that follows them (EPngInvalidCRC when they
  // disagree), then takes the data apart. The stream stands just after the chunk's name.
  virtual void loadFromStream(PngStream& stream, std::uint32_t length);
  // Copies name, data and parsed content of a chunk of the same class; EPngError otherwise.
  virtual void assign(const TChunk& source);

 protected:
  // Called with the data in data_ and its CRC checked.
  virtual void parse() {}
  void checkSameClass(const TChunk& source) const;

 private:
  friend class TPngPicture;  // hands loaded chunks over to the picture they end up in
  TPngPicture* owner_;
  ChunkName name_;
  std::vector<std::uint8_t> data_;
};

class TChunkIEND : public TChunk {
 public:
  using TChunk::TChunk;
};

// One palette slot of the decoded image, in the order the screen stores it.
struct PngPaletteEntry {
  std::uint8_t blue = 0, green = 0, red = 0, reserved = 0;
  bool operator==(const PngPaletteEntry&) const = default;
};

// A zero-filled byte buffer whose pages the system hands out lazily: a huge picture whose data
// turns out to be short costs only the rows that were written.
class PngPlane {
 public:
  PngPlane() = default;
  explicit PngPlane(std::size_t size);  // EPNGOutMemory when it cannot be had
  PngPlane(const PngPlane& other);
  PngPlane& operator=(const PngPlane& other);
  PngPlane(PngPlane&&) noexcept = default;
  PngPlane& operator=(PngPlane&&) noexcept = default;
  std::uint8_t* data() { return bytes_.get(); }
  const std::uint8_t* data() const { return bytes_.get(); }
  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }

 private:
  struct Free {
    void operator()(std::uint8_t* p) const;
  };
  std::unique_ptr<std::uint8_t[], Free> bytes_;
  std::size_t size_ = 0;
};

// The decoded picture, as the header chunk owns it.
struct PngImage {
  int width = 0;
  int height = 0;
  int bitsPerPixel = 0;          // 1, 4, 8 or 24
  std::size_t bytesPerRow = 0;   // padded to a multiple of 4
  PngPlane pixels;               // bottom-up: the last row in memory is the picture's top
  std::array<PngPaletteEntry, 256> palette{};
  PngPlane alpha;                // top-down, width bytes a row; only for the types with alpha
  // For greyscale and truecolour pictures with a transparent colour: 0 where the stored
  // sample equals it, 255 elsewhere; top-down, width bytes a row.
  PngPlane transparencyMask;

  const std::uint8_t* row(int y) const { return pixels.data() + std::size_t(height - 1 - y) * bytesPerRow; }
  std::uint8_t* row(int y) { return pixels.data() + std::size_t(height - 1 - y) * bytesPerRow; }
};

class TChunkIHDR : public TChunk {
 public:
  using TChunk::TChunk;
  void assign(const TChunk& source) override;

  std::uint32_t width() const { return width_; }
  std::uint32_t height() const { return height_; }
  std::uint8_t bitDepth() const { return bitDepth_; }
  std::uint8_t colorType() const { return colorType_; }
  std::uint8_t compressionMethod() const { return compressionMethod_; }
  std::uint8_t filterMethod() const { return filterMethod_; }
  std::uint8_t interlaceMethod() const { return interlaceMethod_; }
  const PngImage& image() const { return image_; }
  PngImage& image() { return image_; }
  bool hasAlpha() const { return colorType_ == 4 || colorType_ == 6; }

 protected:
  void parse() override;

 private:
  void createImage();

  std::uint32_t width_ = 0, height_ = 0;
  std::uint8_t bitDepth_ = 0, colorType_ = 0, compressionMethod_ = 0, filterMethod_ = 0,
               interlaceMethod_ = 0;
  PngImage image_;
};

// Reads the image data itself, which may run on over the IDAT chunks that follow it; what it
// read is not kept.
class TChunkIDAT : public TChunk {
 public:
  using TChunk::TChunk;
  void loadFromStream(PngStream& stream, std::uint32_t length) override;
};

class TChunkPLTE : public TChunk {
 public:
  using TChunk::TChunk;
  void assign(const TChunk& source) override;
  int count() const { return count_; }
  // The entry as the header keeps it; EPngError for an index at or beyond count().
  PngPaletteEntry item(int index) const;

 protected:
  void parse() override;

 private:
  int count_ = 0;
};

class TChunkgAMA : public TChunk {
 public:
  using TChunk::TChunk;
  void assign(const TChunk& source) override;
  std::uint32_t gamma() const { return gamma_; }  // in 1/100000

 protected:
  void parse() override;

 private:
  std::uint32_t gamma_ = 0;
};

class TChunktRNS : public TChunk {
 public:
  using TChunk::TChunk;
  void assign(const TChunk& source) override;
  const std::array<std::uint8_t, 256>& paletteValues() const { return values_; }
  bool bitTransparency() const { return bitTransparency_; }

 protected:
  void parse() override;

 private:
  std::array<std::uint8_t, 256> values_{};
  bool bitTransparency_ = false;
};

class TChunktIME : public TChunk {
 public:
  using TChunk::TChunk;
  void assign(const TChunk& source) override;
  int year() const { return year_; }
  int month() const { return month_; }
  int day() const { return day_; }
  int hour() const { return hour_; }
  int minute() const { return minute_; }
  int second() const { return second_; }

 protected:
  void parse() override;

 private:
  int year_ = 0, month_ = 0, day_ = 0, hour_ = 0, minute_ = 0, second_ = 0;
};

class TChunktEXt : public TChunk {
 public:
  using TChunk::TChunk;
  void assign(const TChunk& source) override;
  const std::string& keyword() const { return keyword_; }
  const std::string& text() const { return text_; }

 protected:
  void parse() override;
  std::string keyword_;
  std::string text_;
};

class TChunkzTXt : public TChunktEXt {
 public:
  using TChunktEXt::TChunktEXt;
  // A compressed text that inflates to more than this is treated as one that cannot be
  // inflated: a few bytes must not be able to claim gigabytes.
  static constexpr std::size_t kMaxTextBytes = std::size_t(8) << 20;

 protected:
  void parse() override;
};

enum class PngTransparency { none, bit, partial };

class TPngPicture : public Graphic {
 public:
  TPngPicture();
  ~TPngPicture() override;
  TPngPicture(const TPngPicture&) = delete;  // copies are deep: assign()
  TPngPicture& operator=(const TPngPicture&) = delete;
  TPngPicture(TPngPicture&& other) noexcept;

  const char* className() const override { return "TPngPicture"; }
  int width() const override;
  int height() const override;
  bool empty() const override { return chunks_.empty(); }
  bool transparent() const override { return transparencyMode() != PngTransparency::none; }
  // EPngError: a PNG is not resized through its size.
  void setWidth(int width);
  void setHeight(int height);

  void draw(Canvas& canvas, const Rect& dest) const override;

  // Reads one PNG from the start of `stream`, up to and including its IEND chunk, and
  // returns the number of bytes it took. On an error the chunks read so far stay.
  std::size_t loadFromStream(std::span<const std::uint8_t> stream);
  // The Graphic interface: these keep the picture as it was when the data is refused.
  void loadFromMemory(std::span<const std::uint8_t> data) override;
  // Stored data: the complete PNG file, whose IEND chunk marks its end.
  void readStoredData(std::span<const std::uint8_t> data, std::size_t& consumed) override;
  void writeStoredData(std::vector<std::uint8_t>& out) const override;
  std::unique_ptr<Graphic> clone() const override;
  // A deep copy: every chunk, the decoded image with its palette and alpha plane.
  void assign(const TPngPicture& source);

  const std::vector<std::unique_ptr<TChunk>>& chunks() const { return chunks_; }
  // The header chunk; EPNGHeaderNotPresent when the list does not start with one.
  const TChunkIHDR& header() const;
  TChunkIHDR& header();
  // The first chunk of class T, or null.
  template <typename T>
  const T* findChunk() const {
    for (const auto& chunk : chunks_)
      if (auto* found = dynamic_cast<const T*>(chunk.get())) return found;
    return nullptr;
  }
  PngTransparency transparencyMode() const;

  // Maps stored 8-bit colour values to displayed ones; identity until a gAMA chunk is read.
  const std::array<std::uint8_t, 256>& gammaTable() const { return gammaTable_; }
  void setGamma(std::uint32_t gamma);  // in 1/100000; 0 leaves the table as it is
  bool imageDataDecoded() const { return imageDataDecoded_; }
  void setImageDataDecoded() { imageDataDecoded_ = true; }

 private:
  void clear();
  void takeFrom(TPngPicture& other) noexcept;  // moves the chunks over and makes them ours
  void addChunk(std::unique_ptr<TChunk> chunk);
  const TChunkIHDR* headerOrNull() const;

  std::vector<std::unique_ptr<TChunk>> chunks_;
  std::array<std::uint8_t, 256> gammaTable_{};
  bool imageDataDecoded_ = false;
  std::vector<std::uint8_t> file_;  // what was read: a stored picture writes it back
};

// Registers TPngPicture under the extension "PNG" and the class name "TPngPicture"
// (registerBuiltInGraphicKinds does it too); the unregistration is for the end of the program.
void registerPngPicture();
void unregisterPngPicture();

}  // namespace tov
