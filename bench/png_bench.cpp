// PNG decoding: our TPngPicture against libpng, libspng and stb_image on the same files,
// side by side in one process. The files are made here: photograph-like pictures (smooth
// shading with sensor noise) and drawings (flat colours, shapes, lines), small and large, in
// several colour types. At the end the ratios to libpng (ours / peer) are printed.

#include <benchmark/benchmark.h>
#include <png.h>
#include <spng.h>
#include <stb/stb_image.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "imaging/pngreader.h"
#include "png_testing.h"

namespace {

using tov::test::Bytes;
using tov::test::PicturePlan;

int channelsOf(int colorType) {
  switch (colorType) {
    case 2: return 3;
    case 4: return 2;
    case 6: return 4;
    default: return 1;
  }
}

// Smooth shading with a little noise, as a camera gives; alpha, when there is one, a soft ramp.
std::vector<Bytes> photograph(const PicturePlan& plan) {
  std::mt19937 random(7);
  std::normal_distribution<double> noise(0.0, 2.0);
  const int channels = channelsOf(plan.colorType);
  const int bytes = plan.bitDepth / 8;
  const double max = plan.bitDepth == 16 ? 65535.0 : 255.0;
  std::vector<Bytes> rows(plan.height, Bytes(std::size_t(plan.width) * channels * bytes));
  for (int y = 0; y < plan.height; ++y)
    for (int x = 0; x < plan.width; ++x)
      for (int c = 0; c < channels; ++c) {
        double v;
        if ((plan.colorType == 6 || plan.colorType == 4) && c == channels - 1)
          v = std::fmod((x + y) * 0.7, 256.0) / 255.0;
        else
          v = 0.5 + 0.25 * std::sin(x * 0.013 * (c + 1) + y * 0.007) + 0.2 * std::cos(y * 0.011 - x * 0.004 * c) +
              noise(random) / 255.0;
        const auto value = unsigned(std::clamp(v, 0.0, 1.0) * max);
        std::uint8_t* at = rows[y].data() + (std::size_t(x) * channels + c) * bytes;
        if (bytes == 2) {
          at[0] = std::uint8_t(value >> 8);
          at[1] = std::uint8_t(value);
        } else {
          at[0] = std::uint8_t(value);
        }
      }
  return rows;
}

// Flat colours: a background, filled rectangles and circles, thin lines; alpha transparent
// outside the shapes with soft edges on the circles.
std::vector<Bytes> drawing(const PicturePlan& plan) {
  const int channels = channelsOf(plan.colorType);
  const int perByte = plan.colorType == 3 ? 8 / plan.bitDepth : 1;
  std::vector<Bytes> rows(plan.height, Bytes((std::size_t(plan.width) * channels * plan.bitDepth + 7) / 8));
  const int colours = plan.colorType == 3 ? (1 << plan.bitDepth) : 256;
  for (int y = 0; y < plan.height; ++y)
    for (int x = 0; x < plan.width; ++x) {
      int index = 1;
      double alpha = 0;
      for (int k = 0; k < 12; ++k) {
        const int cx = (k * 197) % plan.width, cy = (k * 131) % plan.height, r = 8 + (k * 37) % (plan.width / 4 + 1);
        const double d = std::hypot(x - cx, y - cy);
        if (k % 2 == 0 && std::abs(x - cx) < r && std::abs(y - cy) < r / 2) index = 2 + k, alpha = 1;
        if (k % 2 == 1 && d < r) index = 3 + k, alpha = std::max(alpha, std::clamp(r - d, 0.0, 1.0));
      }
      if ((x + 2 * y) % 97 == 0) index = 0, alpha = 1;
      index %= colours;
      if (plan.colorType == 3) {
        const int shift = 8 - plan.bitDepth * (x % perByte + 1);
        rows[y][x / perByte] = std::uint8_t(rows[y][x / perByte] | (index << shift));
        continue;
      }
      for (int c = 0; c < channels; ++c) {
        std::uint8_t value = std::uint8_t(index * (53 + 40 * c));
        if ((plan.colorType == 6 || plan.colorType == 4) && c == channels - 1) value = std::uint8_t(alpha * 255);
        rows[y][std::size_t(x) * channels + c] = value;
      }
    }
  return rows;
}

struct BenchFile {
  std::string name;
  Bytes data;
};

std::vector<BenchFile> makeFiles() {
  struct FilePlan {
    const char* name;
    bool photo;
    int type, depth, width, height;
    bool interlaced;
  };
  const FilePlan plans[] = {
      {"photo_rgb8_1920x1080", true, 2, 8, 1920, 1080, false},
      {"photo_rgba8_1920x1080", true, 6, 8, 1920, 1080, false},
      {"photo_grey8_1024x768", true, 0, 8, 1024, 768, false},
      {"photo_rgb16_640x480", true, 2, 16, 640, 480, false},
      {"photo_rgb8_64x64", true, 2, 8, 64, 64, false},
      {"drawing_palette8_1920x1080", false, 3, 8, 1920, 1080, false},
      {"drawing_rgba8_800x600", false, 6, 8, 800, 600, false},
      {"drawing_rgba8_adam7_800x600", false, 6, 8, 800, 600, true},
      {"drawing_palette4_77x68", false, 3, 4, 77, 68, false},
      {"icon_rgba8_adam7_40x40", false, 6, 8, 40, 40, true},
  };
  std::vector<BenchFile> files;
  for (const FilePlan& p : plans) {
    PicturePlan plan;
    plan.name = p.name;
    plan.colorType = p.type;
    plan.bitDepth = p.depth;
    plan.width = p.width;
    plan.height = p.height;
    plan.interlaced = p.interlaced;
    files.push_back({p.name, tov::test::writePngRows(plan, p.photo ? photograph(plan) : drawing(plan))});
  }
  return files;
}

// ---- the decoders ----

void decodeOurs(const Bytes& file) {
  tov::TPngPicture picture;
  picture.loadFromMemory(file);
  benchmark::DoNotOptimize(picture.header().image().pixels.data());
}

struct LibpngInput {
  const Bytes* file;
  std::size_t at;
};

void readLibpng(png_structp png, png_bytep out, png_size_t length) {
  auto* in = static_cast<LibpngInput*>(png_get_io_ptr(png));
  if (in->file->size() - in->at < length) png_error(png, "short");
  std::memcpy(out, in->file->data() + in->at, length);
  in->at += length;
}

// libpng's fastest comparable path: samples as stored, 16-bit cut to 8 as ours keeps them.
bool runLibpng(png_structp png, png_infop info, LibpngInput& input, std::vector<png_byte>& pixels,
               std::vector<png_bytep>& rows) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_read_fn(png, &input, readLibpng);
  png_read_info(png, info);
  png_set_strip_16(png);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  const png_size_t rowBytes = png_get_rowbytes(png, info);
  const png_uint_32 height = png_get_image_height(png, info);
  pixels.resize(rowBytes * height);
  rows.resize(height);
  for (png_uint_32 y = 0; y < height; ++y) rows[y] = pixels.data() + y * rowBytes;
  png_read_image(png, rows.data());
  png_read_end(png, nullptr);
  return true;
}

void decodeLibpng(const Bytes& file) {
  LibpngInput input{&file, 0};
  std::vector<png_byte> pixels;
  std::vector<png_bytep> rows;
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  const bool ok = runLibpng(png, info, input, pixels, rows);
  png_destroy_read_struct(&png, &info, nullptr);
  if (!ok) std::abort();
  benchmark::DoNotOptimize(pixels.data());
}

void decodeSpng(const Bytes& file) {
  spng_ctx* ctx = spng_ctx_new(0);
  spng_set_png_buffer(ctx, file.data(), file.size());
  std::size_t size = 0;
  if (spng_decoded_image_size(ctx, SPNG_FMT_PNG, &size) != 0) std::abort();
  std::vector<unsigned char> pixels(size);
  if (spng_decode_image(ctx, pixels.data(), size, SPNG_FMT_PNG, 0) != 0) std::abort();
  spng_ctx_free(ctx);
  benchmark::DoNotOptimize(pixels.data());
}

void decodeStb(const Bytes& file) {
  int w, h, n;
  unsigned char* pixels = stbi_load_from_memory(file.data(), int(file.size()), &w, &h, &n, 0);
  if (!pixels) std::abort();
  benchmark::DoNotOptimize(pixels);
  stbi_image_free(pixels);
}

// Keeps the time per iteration of every run, to print the ratios at the end.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Iteration && run.aggregate_name != "median") continue;
      const std::string name = run.run_name.function_name;
      const auto slash = name.find('/');
      times_[name.substr(slash + 1)][name.substr(0, slash)] = run.GetAdjustedCPUTime();
    }
  }
  void printRatios() const {
    std::printf("\n%-30s %10s %10s %10s %10s %10s\n", "file", "ours", "libpng", "ours/png", "ours/spng",
                "ours/stb");
    for (const auto& [file, byDecoder] : times_) {
      if (byDecoder.size() < 4) continue;  // a filtered run
      const double ours = byDecoder.at("ours"), libpng = byDecoder.at("libpng");
      std::printf("%-30s %8.1fus %8.1fus %10.2f %10.2f %10.2f\n", file.c_str(), ours, libpng,
                  ours / libpng, ours / byDecoder.at("spng"), ours / byDecoder.at("stb"));
    }
  }

 private:
  std::map<std::string, std::map<std::string, double>> times_;  // file -> decoder -> ns
};

}  // namespace

int main(int argc, char** argv) {
  static const std::vector<BenchFile> files = makeFiles();
  const std::pair<const char*, void (*)(const Bytes&)> decoders[] = {
      {"ours", decodeOurs}, {"libpng", decodeLibpng}, {"spng", decodeSpng}, {"stb", decodeStb}};
  for (const BenchFile& file : files)
    for (auto [name, decode] : decoders)
      benchmark::RegisterBenchmark((std::string(name) + "/" + file.name).c_str(), [&file, decode = decode](benchmark::State& state) {
        for (auto _ : state) decode(file.data);
        state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(file.data.size()));
      })->Unit(benchmark::kMicrosecond);
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.printRatios();
  benchmark::Shutdown();
  return 0;
}
