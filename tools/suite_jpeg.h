#pragma once
// JPEG files and stored pictures written from drawn images, through libjpeg-turbo.

#include <QImage>

#include <cstdint>
#include <vector>

namespace tov::suite {

// Baseline JPEG of the image (any format; alpha is dropped). Throws tov::Exception when
// libjpeg refuses.
std::vector<std::uint8_t> encodeJpeg(const QImage& image, int quality);

// The stored-picture form of a JPEG file: the class name "TJPEGImage" behind its length
// byte, a 32-bit little-endian length, then the file.
std::vector<std::uint8_t> storedJpeg(const std::vector<std::uint8_t>& jpegFile);

}  // namespace tov::suite
