#pragma once
// The decoder under TJPEGImage, one per system: libjpeg-turbo on Linux (jpeg_libjpeg.cpp),
// the Windows Imaging Component on Windows (jpeg_wic.cpp). Both give the same picture of a
// file, within the rounding of their inverse transforms, and the same errors.

#include <cstdint>
#include <span>

#include "imaging/bitmap.h"

namespace tov {

// The picture of a JPEG file as a 24-bit bitmap. The size is checked against the bitmap
// limit before the pixels are decoded (EOutOfMemory); a file that cannot be decoded raises
// EJPEG with the decoder's reason; rows a file cut short does not deliver are black.
Bitmap decodeJpeg(std::span<const std::uint8_t> data);

}  // namespace tov
