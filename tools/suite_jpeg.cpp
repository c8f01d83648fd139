#include "suite_jpeg.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>
#include <string_view>

#include <jpeglib.h>

#include "platform/errors.h"

namespace tov::suite {

namespace {

// libjpeg reports errors by calling error_exit, which must not return; we jump back to the
// encoder's frame (which holds no C++ objects) and turn the message into an exception there.
struct JumpingErrorManager {
  jpeg_error_mgr base;
  std::jmp_buf jumpBack;
  char message[JMSG_LENGTH_MAX];
};

void jumpOnError(j_common_ptr info) {
  auto* manager = reinterpret_cast<JumpingErrorManager*>(info->err);
  (*info->err->format_message)(info, manager->message);
  std::longjmp(manager->jumpBack, 1);
}

struct EncodedBuffer {
  unsigned char* data = nullptr;  // malloc'ed by libjpeg's memory destination
  unsigned long size = 0;
};

// Returns false with manager.message filled when libjpeg fails. rgbRows holds height rows
// of width * 3 bytes, rowStride apart.
bool compressRgb(const unsigned char* rgbRows, int width, int height, int rowStride,
                 int quality, EncodedBuffer& out, JumpingErrorManager& manager) {
  jpeg_compress_struct info;
  info.err = jpeg_std_error(&manager.base);
  manager.base.error_exit = jumpOnError;
  if (setjmp(manager.jumpBack)) {
    jpeg_destroy_compress(&info);
    return false;
  }
  jpeg_create_compress(&info);
  jpeg_mem_dest(&info, &out.data, &out.size);
  info.image_width = static_cast<JDIMENSION>(width);
  info.image_height = static_cast<JDIMENSION>(height);
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, quality, TRUE);
  info.optimize_coding = TRUE;  // smaller files for the same pixels
  jpeg_start_compress(&info, TRUE);
  while (info.next_scanline < info.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(rgbRows + static_cast<std::size_t>(info.next_scanline) *
                                                      static_cast<std::size_t>(rowStride));
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  return true;
}

}  // namespace

std::vector<std::uint8_t> encodeJpeg(const QImage& image, int quality) {
  const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
  if (rgb.isNull() || rgb.width() <= 0 || rgb.height() <= 0)
    throw Exception(ErrorCode::JpegEncodeFailed, "empty image");
  JumpingErrorManager manager{};
  EncodedBuffer buffer;
  const bool done = compressRgb(rgb.constBits(), rgb.width(), rgb.height(),
                                static_cast<int>(rgb.bytesPerLine()), quality, buffer, manager);
  std::vector<std::uint8_t> file;
  if (done) file.assign(buffer.data, buffer.data + buffer.size);
  std::free(buffer.data);
  if (!done) throw Exception(ErrorCode::JpegEncodeFailed, manager.message);
  return file;
}

std::vector<std::uint8_t> storedJpeg(const std::vector<std::uint8_t>& jpegFile) {
  constexpr std::string_view kClassName = "TJPEGImage";
  // The stored length field is 32 bits wide.
  if (jpegFile.size() > std::numeric_limits<std::uint32_t>::max())
    throw Exception(ErrorCode::PictureTooLarge);
  const auto length = static_cast<std::uint32_t>(jpegFile.size());
  std::vector<std::uint8_t> stored;
  stored.reserve(1 + kClassName.size() + 4 + jpegFile.size());
  stored.push_back(static_cast<std::uint8_t>(kClassName.size()));
  stored.insert(stored.end(), kClassName.begin(), kClassName.end());
  for (int shift = 0; shift < 32; shift += 8)
    stored.push_back(static_cast<std::uint8_t>((length >> shift) & 0xFFu));
  stored.insert(stored.end(), jpegFile.begin(), jpegFile.end());
  return stored;
}

}  // namespace tov::suite
