// The JPEG decoder on Linux: libjpeg-turbo.
#include "imaging/jpeg_decode.h"
#include "imaging/jpeg.h"

#include <csetjmp>
#include <cstdio>  // jpeglib.h needs FILE and size_t declared first
#include <cstring>
#include <vector>

#include <jpeglib.h>

namespace tov {

namespace {

// libjpeg reports a fatal error by calling error_exit, which must not return; ours jumps
// back to the guard that started the current step. C++ exceptions are never thrown through
// libjpeg's C frames.
struct ErrorManager {
  jpeg_error_mgr pub;  // first, so that libjpeg's pointer to it is a pointer to the whole
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

[[noreturn]] void jumpWithMessage(j_common_ptr info) {
  auto* errors = reinterpret_cast<ErrorManager*>(info->err);
  (*info->err->format_message)(info, errors->message);
  std::longjmp(errors->jump, 1);
}

// Warnings (a file cut short, corrupt data libjpeg can step over) leave a usable picture;
// libjpeg would print them on stderr.
void ignoreMessage(j_common_ptr) {}

// One decompression from memory. Everything with a destructor lives here and is built before
// any step runs, so that a jump out of libjpeg skips no destructor.
struct Session {
  ErrorManager errors{};
  jpeg_decompress_struct info{};  // zeroed: destroying it is safe even if creation failed
  std::span<const std::uint8_t> data;
  Bitmap* target = nullptr;
  std::vector<std::uint8_t> cmykRow;

  explicit Session(std::span<const std::uint8_t> fileData) : data(fileData) {
    info.err = jpeg_std_error(&errors.pub);
    errors.pub.error_exit = jumpWithMessage;
    errors.pub.output_message = ignoreMessage;
  }
  ~Session() { jpeg_destroy_decompress(&info); }
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  bool isCmyk() const { return info.out_color_space == JCS_CMYK; }
};

using Step = void (*)(Session&);

// Runs a step that calls libjpeg; false when libjpeg reported an error. The step's own
// variables are all trivial, which is what makes the jump back here well defined.
bool runGuarded(Step step, Session& session) {
  if (setjmp(session.errors.jump) != 0) return false;
  step(session);
  return true;
}

void readHeader(Session& s) {
  jpeg_create_decompress(&s.info);
  jpeg_mem_src(&s.info, s.data.data(), static_cast<unsigned long>(s.data.size()));
  jpeg_read_header(&s.info, TRUE);
  // libjpeg has no conversion from CMYK to RGB: those come out as CMYK and we convert them.
  const bool cmyk = s.info.jpeg_color_space == JCS_CMYK || s.info.jpeg_color_space == JCS_YCCK;
  s.info.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGR;
  jpeg_calc_output_dimensions(&s.info);
}

std::uint8_t scaled(unsigned a, unsigned b) { return std::uint8_t((a * b + 127) / 255); }

// Programs that write CMYK JPEGs with an Adobe marker store the components inverted (0 is
// full ink); without the marker they are taken as plain ink amounts.
void convertCmykRow(const std::uint8_t* cmyk, std::uint8_t* bgr, unsigned width, bool inverted) {
  for (unsigned x = 0; x < width; ++x, cmyk += 4, bgr += 3) {
    const unsigned c = inverted ? cmyk[0] : 255u - cmyk[0];
    const unsigned m = inverted ? cmyk[1] : 255u - cmyk[1];
    const unsigned y = inverted ? cmyk[2] : 255u - cmyk[2];
    const unsigned k = inverted ? cmyk[3] : 255u - cmyk[3];
    bgr[0] = scaled(y, k);
    bgr[1] = scaled(m, k);
    bgr[2] = scaled(c, k);
  }
}

void readCmykRows(Session& s) {
  JSAMPROW row = s.cmykRow.data();
  while (s.info.output_scanline < s.info.output_height) {
    const JDIMENSION y = s.info.output_scanline;
    // A memory source never suspends; no rows would mean no progress, so stop rather than spin.
    if (jpeg_read_scanlines(&s.info, &row, 1) != 1) return;
    convertCmykRow(row, s.target->scanLine(int(y)), s.info.output_width,
                   s.info.saw_Adobe_marker);
  }
}

// Straight into the bitmap's rows: the bitmap's 24-bit rows are exactly libjpeg's BGR rows.
void readBgrRows(Session& s) {
  constexpr JDIMENSION kRowsPerCall = 16;
  JSAMPROW rows[kRowsPerCall];
  while (s.info.output_scanline < s.info.output_height) {
    const JDIMENSION first = s.info.output_scanline;
    JDIMENSION count = s.info.output_height - first;
    if (count > kRowsPerCall) count = kRowsPerCall;
    for (JDIMENSION i = 0; i < count; ++i) rows[i] = s.target->scanLine(int(first + i));
    if (jpeg_read_scanlines(&s.info, rows, count) == 0) return;  // see readCmykRows
  }
}

// The rest of the file after the last row is not read: trailing bytes do not spoil a
// complete picture, and destroying the session releases what finishing would.
void readPixels(Session& s) {
  jpeg_start_decompress(&s.info);
  if (s.isCmyk())
    readCmykRows(s);
  else
    readBgrRows(s);
}

}  // namespace

Bitmap decodeJpeg(std::span<const std::uint8_t> data) {
  Session session(data);
  if (!runGuarded(readHeader, session)) throw EJPEG(session.errors.message);

  // libjpeg's own limit (65500 a side) still allows bitmaps far beyond ours: check, by
  // sizing the bitmap, before libjpeg allocates anything for the image.
  Bitmap image;
  image.setSizeForOverwrite(int(session.info.output_width), int(session.info.output_height),
                PixelFormat::pf24bit);
  if (session.isCmyk()) session.cmykRow.resize(std::size_t(session.info.output_width) * 4);
  session.target = &image;

  if (!runGuarded(readPixels, session)) throw EJPEG(session.errors.message);
  // The bitmap was not cleared first: rows libjpeg did not deliver must not show old memory.
  for (int y = int(session.info.output_scanline); y < image.height(); ++y)
    std::memset(image.scanLine(y), 0, image.bytesPerLine());
  return image;
}

}  // namespace tov
