#pragma once
// TJPEGImage: JPEG pictures, decoded through libjpeg-turbo on Linux and the Windows Imaging
// Component on Windows (jpeg_decode.h).

#include "imaging/graphic.h"
#include "platform/errors.h"

namespace tov {

// A JPEG that the decoder cannot decode; the message is libjpeg's own, or WIC's reason.
TOV_DECLARE_ERROR(EJPEG, EInvalidGraphic);

class TJPEGImage : public Graphic {
 public:
  const char* className() const override { return "TJPEGImage"; }
  int width() const override { return bitmap_.width(); }
  int height() const override { return bitmap_.height(); }
  bool empty() const override { return bitmap_.empty(); }
  void draw(Canvas& canvas, const Rect& dest) const override;
  void loadFromMemory(std::span<const std::uint8_t> data) override;
  void loadFromBuffer(std::vector<std::uint8_t>&& data) override;
  // Stored data: a 32-bit little-endian length, then the JPEG file; length 0 is an empty image.
  void readStoredData(std::span<const std::uint8_t> data, std::size_t& consumed) override;
  void writeStoredData(std::vector<std::uint8_t>& out) const override;
  std::unique_ptr<Graphic> clone() const override;

  const Bitmap& bitmap() const { return bitmap_; }
  const std::vector<std::uint8_t>& fileData() const { return file_; }

 private:
  std::vector<std::uint8_t> file_;  // kept whole: it is what a stored picture writes back
  Bitmap bitmap_;                   // decoded, 24 bits
};

}  // namespace tov
