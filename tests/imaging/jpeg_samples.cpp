#include "jpeg_samples.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>

#include <jpeglib.h>

namespace tov::test {

namespace {

struct Failure {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
};

[[noreturn]] void jumpBack(j_common_ptr info) {
  std::longjmp(reinterpret_cast<Failure*>(info->err)->jump, 1);
}

struct Encoding {
  Failure failure{};
  jpeg_compress_struct info{};
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  std::vector<std::uint8_t> samples;  // all rows, components as libjpeg takes them
  ~Encoding() {
    jpeg_destroy_compress(&info);
    std::free(buffer);
  }
};

void compress(Encoding& e, int width, int height, J_COLOR_SPACE space, int components) {
  jpeg_create_compress(&e.info);
  jpeg_mem_dest(&e.info, &e.buffer, &e.size);
  e.info.image_width = JDIMENSION(width);
  e.info.image_height = JDIMENSION(height);
  e.info.input_components = components;
  e.info.in_color_space = space;
  jpeg_set_defaults(&e.info);
  jpeg_set_quality(&e.info, 95, TRUE);
  jpeg_start_compress(&e.info, TRUE);
  const std::size_t stride = std::size_t(width) * components;
  while (e.info.next_scanline < e.info.image_height) {
    JSAMPROW row = e.samples.data() + e.info.next_scanline * stride;
    jpeg_write_scanlines(&e.info, &row, 1);
  }
  jpeg_finish_compress(&e.info);
}

// The jump target lives here, with nothing after it that a jump could clobber.
bool compressGuarded(Encoding& e, int width, int height, J_COLOR_SPACE space, int components) {
  if (setjmp(e.failure.jump) != 0) return false;
  compress(e, width, height, space, components);
  return true;
}

// Empty on a libjpeg error, which the calling test then reports.
std::vector<std::uint8_t> encode(int width, int height, JpegKind kind,
                                 const std::function<Color(int x)>& colourAt) {
  Encoding e;
  e.info.err = jpeg_std_error(&e.failure.pub);
  e.failure.pub.error_exit = jumpBack;
  const int components = kind == JpegKind::grey ? 1 : kind == JpegKind::adobeCmyk ? 4 : 3;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const Color c = colourAt(x);
      if (kind == JpegKind::grey) {
        e.samples.push_back(greenOf(c));
      } else if (kind == JpegKind::colour) {
        e.samples.insert(e.samples.end(), {redOf(c), greenOf(c), blueOf(c)});
      } else {  // inverted ink, no black: 255 - ink = the RGB component itself
        e.samples.insert(e.samples.end(), {redOf(c), greenOf(c), blueOf(c), 255});
      }
    }
  }
  const J_COLOR_SPACE space =
      kind == JpegKind::grey ? JCS_GRAYSCALE : kind == JpegKind::adobeCmyk ? JCS_CMYK : JCS_RGB;
  if (!compressGuarded(e, width, height, space, components)) return {};
  return {e.buffer, e.buffer + e.size};
}

}  // namespace

std::vector<std::uint8_t> solidJpeg(int width, int height, Color color, JpegKind kind) {
  return encode(width, height, kind, [&](int) { return color; });
}

std::vector<std::uint8_t> twoColourJpeg(int width, int height, Color left, Color right) {
  return encode(width, height, JpegKind::colour, [&](int x) { return x < width / 2 ? left : right; });
}

bool nearColour(Color a, Color b, int tolerance) {
  auto near = [&](int p, int q) { return std::abs(p - q) <= tolerance; };
  return near(redOf(a), redOf(b)) && near(greenOf(a), greenOf(b)) && near(blueOf(a), blueOf(b));
}

}  // namespace tov::test
