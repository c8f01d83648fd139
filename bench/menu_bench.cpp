// ShowFrame (file read, JPEG decode, conversion, painting into the back buffer) against a
// plain libjpeg-turbo decode of the same file; and the intervals between animation ticks.
#include <benchmark/benchmark.h>
#include <jpeglib.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <algorithm>
#include <csetjmp>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "components/appsupport.h"
#include "components/threadedtimer.h"
#include "doubles/fake_platform.h"
#include "imaging/graphic.h"
#include "mainmenu/mainform.h"
#include "platform/sdl/sdl_audio.h"

namespace {

const std::string kSuite = TOVALEER_SUITE_DIR;

// The peer: read the file and decode it with libjpeg-turbo, as plainly as it allows.
void plainDecode(const std::string& path, std::vector<unsigned char>& rgb) {
  std::ifstream in(path, std::ios::binary);
  const std::vector<unsigned char> file((std::istreambuf_iterator<char>(in)), {});
  jpeg_decompress_struct info;
  jpeg_error_mgr errors;
  info.err = jpeg_std_error(&errors);
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, file.data(), file.size());
  jpeg_read_header(&info, TRUE);
  jpeg_start_decompress(&info);
  const std::size_t stride = std::size_t(info.output_width) * info.output_components;
  rgb.resize(stride * info.output_height);
  while (info.output_scanline < info.output_height) {
    JSAMPROW row = rgb.data() + stride * info.output_scanline;
    jpeg_read_scanlines(&info, &row, 1);
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
}

void BM_PlainLibjpegDecode(benchmark::State& state) {
  std::vector<unsigned char> rgb;
  const std::string path = kSuite + "/menu/m5.jpg";
  for (auto _ : state) {
    plainDecode(path, rgb);
    benchmark::DoNotOptimize(rgb.data());
  }
}
BENCHMARK(BM_PlainLibjpegDecode)->Unit(benchmark::kMillisecond);

// A main form on test doubles, working in the demo program folder.
struct MenuInSuite {
  explicit MenuInSuite(const std::function<void(tov::Platform&)>& adjust = {}) {
    tov::registerBuiltInGraphicKinds();
    std::filesystem::current_path(kSuite);
    platform.display.caps = tov::DeviceCaps{60, 800, 600, 32};  // no switch, so no message box
    tov::Platform services = platform.services();
    if (adjust) adjust(services);
    form = std::make_unique<tov::TForm1>(services);
    form->menuFolder = kSuite + "/menu/";
    form->fxSoundsFolder = kSuite + "/fxsounds/";
    backBuffer.setSize(800, 600, tov::PixelFormat::pf32bit);
  }
  tov::TAppSupport appSupport;
  tov::test::FakePlatform platform;
  std::unique_ptr<tov::TForm1> form;
  tov::Bitmap backBuffer;
};

void BM_ShowFrame(benchmark::State& state) {
  MenuInSuite menu;
  for (auto _ : state) {
    menu.form->ShowFrame(5, 0);
    menu.form->paintControls(menu.backBuffer, tov::Rect{0, 0, 800, 600});
    benchmark::DoNotOptimize(menu.backBuffer.data());
  }
}
BENCHMARK(BM_ShowFrame)->Unit(benchmark::kMillisecond);

// Intervals between ticks of a 200 ms threaded timer whose handler returns at once, served
// by the message loop. Reports the median and the spread.
void BM_AnimationTickInterval(benchmark::State& state) {
  constexpr int kTicks = 16;
  for (auto _ : state) {
    tov::TThreadedTimer timer;
    QEventLoop loop;
    QElapsedTimer clock;
    std::vector<double> intervals;
    qint64 last = -1;
    timer.OnTimer = [&](tov::TThreadedTimer*) {
      const qint64 now = clock.nsecsElapsed();
      if (last >= 0) intervals.push_back(double(now - last) / 1e6);
      last = now;
      if (int(intervals.size()) == kTicks) {
        timer.setEnabled(false);
        loop.quit();
      }
    };
    timer.setInterval(200);
    clock.start();
    timer.setEnabled(true);
    loop.exec();
    std::sort(intervals.begin(), intervals.end());
    state.SetIterationTime(double(clock.nsecsElapsed()) / 1e9);
    state.counters["median_ms"] = intervals[intervals.size() / 2];
    state.counters["min_ms"] = intervals.front();
    state.counters["max_ms"] = intervals.back();
  }
}
BENCHMARK(BM_AnimationTickInterval)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

// PlayFxSound for each demo effect sound, through the real SDL_mixer output (the dummy
// audio driver: no sound card needed), against reading the same file alone.
const char* const kEffectSounds[] = {"blaai.wav", "back.wav", "report.wav"};

void BM_ReadSoundFile(benchmark::State& state) {
  const std::string path = kSuite + "/fxsounds/" + kEffectSounds[state.range(0)];
  for (auto _ : state) {
    // Read whole, as the wave player reads it: size first, then one read.
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    std::vector<char> bytes(std::size_t(in.tellg()));
    in.seekg(0);
    in.read(bytes.data(), std::streamsize(bytes.size()));
    benchmark::DoNotOptimize(bytes.data());
  }
  state.SetLabel(kEffectSounds[state.range(0)]);
}
BENCHMARK(BM_ReadSoundFile)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond);

void BM_PlayFxSound(benchmark::State& state) {
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  tov::SdlAudio audio;
  MenuInSuite menu([&](tov::Platform& platform) { audio.addTo(platform); });
  for (auto _ : state) menu.form->PlayFxSound(kEffectSounds[state.range(0)]);
  state.SetLabel(kEffectSounds[state.range(0)]);
}
BENCHMARK(BM_PlayFxSound)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond);

}  // namespace
