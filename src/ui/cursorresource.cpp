#include "ui/cursorresource.h"

#include <charconv>
#include <string_view>

namespace tov {

namespace {

[[noreturn]] void fail(const char* what) { throw EInvalidCursor(ErrorCode::InvalidCursorResource, what); }

// Takes the next line off text, without its "\n" and an "\r" before it; false at the end.
bool nextLine(std::string_view& text, std::string_view& line) {
  if (text.empty()) return false;
  const std::size_t end = text.find('\n');
  line = text.substr(0, end);
  text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  return true;
}

// The four numbers of the size line, each a plain decimal of at most four digits.
void readSizeLine(std::string_view line, CursorImage& image) {
  int* const fields[] = {&image.width, &image.height, &image.hotX, &image.hotY};
  for (int* field : fields) {
    const std::size_t start = line.find_first_not_of(' ');
    if (start == std::string_view::npos) fail("the size line needs four numbers");
    line.remove_prefix(start);
    const std::size_t length = std::min(line.find(' '), line.size());
    if (length > 4) fail("a number of the size line is too long");
    const auto [end, error] = std::from_chars(line.data(), line.data() + length, *field);
    if (error != std::errc{} || end != line.data() + length)
      fail("the size line holds something other than numbers");
    line.remove_prefix(length);
  }
  if (line.find_first_not_of(' ') != std::string_view::npos) fail("the size line has more than four numbers");
}

CursorPixel pixelOf(char c) {
  switch (c) {
    case '.': return CursorPixel::Transparent;
    case '#': return CursorPixel::Black;
    case 'o': return CursorPixel::White;
    default: fail("a row holds a character other than '.', '#' and 'o'");
  }
}

}  // namespace

CursorImage parseCursorResource(std::span<const std::uint8_t> resource) {
  std::string_view text(reinterpret_cast<const char*>(resource.data()), resource.size());
  std::string_view line;
  if (!nextLine(text, line) || line != "TOVCURSOR") fail("it does not begin with TOVCURSOR");
  CursorImage image;
  if (!nextLine(text, line)) fail("the size line is missing");
  readSizeLine(line, image);
  if (image.width < 1 || image.height < 1 || image.width > kMaxCursorSide || image.height > kMaxCursorSide)
    fail("the size is out of range");
  if (image.hotX < 0 || image.hotY < 0 || image.hotX >= image.width || image.hotY >= image.height)
    fail("the hot spot lies outside the cursor");
  image.pixels.reserve(std::size_t(image.width) * std::size_t(image.height));
  for (int y = 0; y < image.height; ++y) {
    if (!nextLine(text, line)) fail("there are fewer rows than the height");
    if (line.size() != std::size_t(image.width)) fail("a row's length differs from the width");
    for (char c : line) image.pixels.push_back(pixelOf(c));
  }
  if (!text.empty()) fail("something follows the last row");
  return image;
}

}  // namespace tov
