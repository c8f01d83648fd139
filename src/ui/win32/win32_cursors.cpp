#include "ui/win32/win32_cursors.h"

#include <cstdint>
#include <map>
#include <vector>

namespace tov::win32 {

namespace {

// The user-interface thread is the only one that registers and looks up cursors.
std::map<TCursor, HCURSOR>& registry() {
  static std::map<TCursor, HCURSOR> cursors;
  return cursors;
}

HBITMAP colourPicture(const CursorImage& image) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = image.width;
  info.bmiHeader.biHeight = -image.height;  // top-down, as the image's rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!bitmap) return nullptr;
  auto* pixels = static_cast<std::uint32_t*>(bits);
  for (int y = 0; y < image.height; ++y)
    for (int x = 0; x < image.width; ++x) {
      const CursorPixel pixel = image.at(x, y);
      pixels[std::size_t(y) * std::size_t(image.width) + std::size_t(x)] =
          pixel == CursorPixel::Transparent ? 0x00000000u : pixel == CursorPixel::Black ? 0xFF000000u : 0xFFFFFFFFu;
    }
  return bitmap;
}

// One bit a pixel, rows padded to 16 bits: set where the screen shows through.
HBITMAP transparencyMask(const CursorImage& image) {
  const int rowBytes = ((image.width + 15) / 16) * 2;
  std::vector<std::uint8_t> bits(std::size_t(rowBytes) * std::size_t(image.height), 0);
  for (int y = 0; y < image.height; ++y)
    for (int x = 0; x < image.width; ++x)
      if (image.at(x, y) == CursorPixel::Transparent)
        bits[std::size_t(y) * std::size_t(rowBytes) + std::size_t(x / 8)] |= std::uint8_t(0x80 >> (x % 8));
  return CreateBitmap(image.width, image.height, 1, 1, bits.data());
}

}  // namespace

HCURSOR makeCursor(const CursorImage& image) {
  if (image.width <= 0 || image.height <= 0) return nullptr;
  HBITMAP colour = colourPicture(image);
  HBITMAP mask = transparencyMask(image);
  HCURSOR cursor = nullptr;
  if (colour && mask) {
    ICONINFO info{};
    info.fIcon = FALSE;
    info.xHotspot = DWORD(image.hotX);
    info.yHotspot = DWORD(image.hotY);
    info.hbmMask = mask;
    info.hbmColor = colour;
    cursor = CreateIconIndirect(&info);
  }
  // The cursor keeps copies of both pictures.
  if (colour) DeleteObject(colour);
  if (mask) DeleteObject(mask);
  return cursor;
}

void registerCursor(TCursor id, const CursorImage& image) {
  HCURSOR cursor = makeCursor(image);
  HCURSOR& entry = registry()[id];
  // The one on the screen is replaced there first: a cursor in use must not be destroyed.
  if (entry && GetCursor() == entry) SetCursor(cursor ? cursor : LoadCursorW(nullptr, IDC_ARROW));
  if (entry) DestroyCursor(entry);
  entry = cursor;
}

HCURSOR cursorOf(TCursor id) {
  auto found = registry().find(id);
  if (found != registry().end() && found->second) return found->second;
  return LoadCursorW(nullptr, IDC_ARROW);
}

}  // namespace tov::win32
