#include "imaging/jpeg.h"

#include "imaging/jpeg_decode.h"

namespace tov {

void TJPEGImage::draw(Canvas& canvas, const Rect& dest) const {
  if (bitmap_.empty()) return;
  const long long destWidth = (long long)dest.right - dest.left;
  const long long destHeight = (long long)dest.bottom - dest.top;
  if (destWidth == bitmap_.width() && destHeight == bitmap_.height())
    canvas.copyBitmap(dest.left, dest.top, bitmap_);
  else
    canvas.stretchBitmap(dest, bitmap_);
}

void TJPEGImage::loadFromMemory(std::span<const std::uint8_t> data) {
  loadFromBuffer(std::vector<std::uint8_t>(data.begin(), data.end()));
}

void TJPEGImage::loadFromBuffer(std::vector<std::uint8_t>&& data) {
  // Keeps every file image storable with the 32-bit length of the stored form.
  if (data.size() > Bitmap::kMaxPixelBytes) throw EOutOfMemory(ErrorCode::PictureTooLarge);
  Bitmap decoded = decodeJpeg(data);
  file_ = std::move(data);
  bitmap_ = std::move(decoded);
}

void TJPEGImage::readStoredData(std::span<const std::uint8_t> data, std::size_t& consumed) {
  if (data.size() < 4) throw EInvalidGraphic(ErrorCode::StoredPictureTruncated);
  const std::uint32_t length = std::uint32_t(data[0]) | (std::uint32_t(data[1]) << 8) |
                               (std::uint32_t(data[2]) << 16) | (std::uint32_t(data[3]) << 24);
  if (data.size() - 4 < length) throw EInvalidGraphic(ErrorCode::StoredPictureTruncated);
  if (length == 0) {
    // The stored form of an empty image.
    file_.clear();
    bitmap_ = Bitmap();
  } else {
    loadFromMemory(data.subspan(4, length));
  }
  consumed = 4 + std::size_t(length);
}

void TJPEGImage::writeStoredData(std::vector<std::uint8_t>& out) const {
  const auto length = std::uint32_t(file_.size());  // within 32 bits: see loadFromBuffer
  for (int shift = 0; shift < 32; shift += 8) out.push_back(std::uint8_t(length >> shift));
  out.insert(out.end(), file_.begin(), file_.end());
}

std::unique_ptr<Graphic> TJPEGImage::clone() const { return std::make_unique<TJPEGImage>(*this); }

}  // namespace tov
