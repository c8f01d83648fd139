// A menu frame painted to the screen: unscaled at 800 x 600, as on an X11 desktop switched to
// the menu's mode, against scaled to a 1920 x 1080 Wayland output (factor 1.8, the form in the
// middle with black bars), the way Qt paints a window under QT_SCALE_FACTOR: the controls
// into the back buffer at the form's size, then the back buffer through a scaled painter.
#include <benchmark/benchmark.h>

#include <QImage>
#include <QPainter>

#include "imaging/graphic.h"
#include "ui/control.h"
#include "ui/form.h"

namespace {

const std::string kFrame = std::string(TOVALEER_SUITE_DIR) + "/menu/m5.jpg";

class MenuLikeForm : public tov::TForm {
 public:
  MenuLikeForm() : frame_(*this, "bground") {
    tov::registerBuiltInGraphicKinds();
    setBounds(0, 0, 800, 600);
    frame_.setBounds(0, 0, 800, 600);
    frame_.loadPicture(kFrame);
  }
  // As full screen on an output of width x height at the given scale would make it.
  void presentOn(int width, int height, double scale) {
    const QSize logical(int(width / scale + 0.5), int(height / scale + 0.5));
    resize(logical);
    setContentRect(QRect(QPoint((logical.width() - 800) / 2, (logical.height() - 600) / 2), QSize(800, 600)));
  }

 private:
  tov::TImage frame_;
};

// As the window system's back store: an image of the output's pixels, at the scale; area is
// what the window repaints, in the form's window coordinates.
void paintRepeatedly(benchmark::State& state, QSize output, double scale, bool formOnly) {
  MenuLikeForm form;
  if (scale != 1.0) form.presentOn(output.width(), output.height(), scale);
  QImage screen(output, QImage::Format_RGB32);
  screen.setDevicePixelRatio(scale);
  const QRect area = formOnly ? form.contentRect() : form.rect();
  for (auto _ : state) {
    QPainter painter(&screen);
    form.paintWindow(painter, area);
  }
  state.counters["pixels"] = double(area.width()) * area.height() * scale * scale;
}

void BM_PaintFrameUnscaled800x600(benchmark::State& state) { paintRepeatedly(state, {800, 600}, 1.0, false); }
void BM_PaintFrameScaled1920x1080(benchmark::State& state) { paintRepeatedly(state, {1920, 1080}, 1.8, false); }
// A frame change repaints the form's own rectangle only; the bars stay as they are.
void BM_FrameChangeScaled1920x1080(benchmark::State& state) { paintRepeatedly(state, {1920, 1080}, 1.8, true); }

BENCHMARK(BM_PaintFrameUnscaled800x600)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PaintFrameScaled1920x1080)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FrameChangeScaled1920x1080)->Unit(benchmark::kMillisecond);

}  // namespace
