// The JPEG decoder on Windows: the Windows Imaging Component, the system's own, converting to
// 32-bit BGRA, from which the bitmap takes its B, G, R.
#include "imaging/jpeg_decode.h"

#include <windows.h>
#include <wincodec.h>
#include <wrl/client.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "imaging/jpeg.h"
#include "platform/win32/com_for_this_thread.h"

namespace tov {

namespace {

using win32::ComForThisThread;

using Microsoft::WRL::ComPtr;

// WIC's reason in the system's words where it has them, else its number.
std::string reasonOf(HRESULT result) {
  wchar_t* text = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, DWORD(result), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string reason;
  if (length > 0) {
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, text, int(length), nullptr, 0, nullptr, nullptr);
    reason.resize(std::size_t(bytes));
    WideCharToMultiByte(CP_UTF8, 0, text, int(length), reason.data(), bytes, nullptr, nullptr);
    while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r' || reason.back() == '.'))
      reason.pop_back();
  }
  LocalFree(text);
  if (!reason.empty()) return reason;
  char number[32];
  std::snprintf(number, sizeof number, "error 0x%08lX", static_cast<unsigned long>(result));
  return number;
}

void check(HRESULT result) {
  if (FAILED(result)) throw EJPEG(ErrorCode::JpegUndecodable, reasonOf(result));
}

// WIC would take any picture it knows; this is the JPEG kind, so others are refused as
// libjpeg refuses them, with its words.
void checkJpegSignature(std::span<const std::uint8_t> data) {
  if (data.empty()) throw EJPEG(ErrorCode::JpegEmptyFile);
  if (data.size() >= 2 && data[0] == 0xFF && data[1] == 0xD8) return;
  char start[16];
  std::snprintf(start, sizeof start, "0x%02x 0x%02x", data[0], data.size() > 1 ? data[1] : 0);
  throw EJPEG(ErrorCode::JpegNotAJpegFile, start);
}

struct FrameSize {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
};

// The size in the file's frame header (SOF), read before WIC sees the file: Wine's decoder
// allocates the whole picture while it reads the headers, its size computed in 32 bits, so a
// header claiming 65000 x 65000 made it write past what it had allocated. Nothing when the
// markers end or go wrong before a frame header; the decoder then says what is wrong.
std::optional<FrameSize> frameSizeOf(std::span<const std::uint8_t> data) {
  std::size_t at = 2;  // after SOI
  while (at + 4 <= data.size()) {
    if (data[at] != 0xFF) return std::nullopt;
    const std::uint8_t marker = data[at + 1];
    if (marker == 0xFF) {  // a fill byte before the marker
      ++at;
      continue;
    }
    const bool standalone = marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7);
    if (standalone) {
      at += 2;
      continue;
    }
    const std::size_t length = std::size_t(data[at + 2]) << 8 | data[at + 3];
    const bool frameHeader = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
    if (frameHeader) {
      // Length, precision, height, width.
      if (length < 7 || at + 9 > data.size()) return std::nullopt;
      return FrameSize{std::uint32_t(data[at + 7]) << 8 | data[at + 8], std::uint32_t(data[at + 5]) << 8 | data[at + 6]};
    }
    if (marker == 0xDA || marker == 0xD9 || length < 2) return std::nullopt;  // scan or end before a frame
    at += 2 + length;
  }
  return std::nullopt;
}

// The picture must fit a bitmap of 24 bits a pixel (which also keeps Wine's 32-bit
// computation of its own buffer's size from wrapping).
void checkFrameSize(std::span<const std::uint8_t> data) {
  const std::optional<FrameSize> size = frameSizeOf(data);
  if (size && std::uint64_t(size->width) * size->height * 3 > Bitmap::kMaxPixelBytes)
    throw EOutOfMemory(ErrorCode::PictureTooLarge);
}

ComPtr<IWICBitmapFrameDecode> firstFrame(IWICImagingFactory& factory, std::span<const std::uint8_t> data) {
  ComPtr<IWICStream> stream;
  check(factory.CreateStream(&stream));
  // The stream reads the caller's bytes where they are; they outlive the decoding.
  check(stream->InitializeFromMemory(const_cast<BYTE*>(data.data()), DWORD(data.size())));
  ComPtr<IWICBitmapDecoder> decoder;
  check(factory.CreateDecoder(GUID_ContainerFormatJpeg, nullptr, &decoder));
  check(decoder->Initialize(stream.Get(), WICDecodeMetadataCacheOnDemand));
  ComPtr<IWICBitmapFrameDecode> frame;
  check(decoder->GetFrame(0, &frame));
  return frame;
}

// The pixels come in bands of rows, so that a large picture never needs a second whole copy.
void copyRows(IWICBitmapSource& source, Bitmap& image) {
  constexpr int kBandRows = 64;
  const int width = image.width();
  const UINT stride = UINT(width) * 4;
  std::vector<BYTE> band(std::size_t(stride) * kBandRows);
  for (int top = 0; top < image.height(); top += kBandRows) {
    const int rows = std::min(kBandRows, image.height() - top);
    const WICRect area{0, top, width, rows};
    check(source.CopyPixels(&area, stride, UINT(band.size()), band.data()));
    for (int row = 0; row < rows; ++row) {
      const BYTE* from = band.data() + std::size_t(stride) * std::size_t(row);
      std::uint8_t* to = image.scanLine(top + row);
      for (int x = 0; x < width; ++x, from += 4, to += 3) std::memcpy(to, from, 3);
    }
  }
}

}  // namespace

Bitmap decodeJpeg(std::span<const std::uint8_t> data) {
  checkJpegSignature(data);
  if (data.size() > MAXDWORD) throw EOutOfMemory(ErrorCode::PictureTooLarge);
  checkFrameSize(data);
  ComForThisThread com;
  ComPtr<IWICImagingFactory> factory;
  check(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&factory)));
  const ComPtr<IWICBitmapFrameDecode> frame = firstFrame(*factory.Get(), data);

  UINT width = 0, height = 0;
  check(frame->GetSize(&width, &height));
  // Checked by sizing the bitmap, before any pixel is decoded.
  if (width > UINT(INT32_MAX) || height > UINT(INT32_MAX)) throw EOutOfMemory(ErrorCode::PictureTooLarge);
  Bitmap image;
  image.setSizeForOverwrite(int(width), int(height), PixelFormat::pf24bit);

  ComPtr<IWICFormatConverter> converter;
  check(factory->CreateFormatConverter(&converter));
  check(converter->Initialize(frame.Get(), GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone, nullptr,
                              0.0, WICBitmapPaletteTypeCustom));
  copyRows(*converter.Get(), image);
  return image;
}

}  // namespace tov
