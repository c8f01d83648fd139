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

// As the window system's back store: an image of the output's pixels, at the scale.
void paintOnce(MenuLikeForm& form, QImage& screen, double scale) {
  screen.setDevicePixelRatio(scale);
  QPainter painter(&screen);
  form.paintWindow(painter, form.rect());
}

void BM_PaintFrameUnscaled800x600(benchmark::State& state) {
  MenuLikeForm form;
  QImage screen(800, 600, QImage::Format_RGB32);
  for (auto _ : state) paintOnce(form, screen, 1.0);
  state.counters["pixels"] = 800 * 600;
}

void BM_PaintFrameScaled1920x1080(benchmark::State& state) {
  MenuLikeForm form;
  form.presentOn(1920, 1080, 1.8);
  QImage screen(1920, 1080, QImage::Format_RGB32);
  for (auto _ : state) paintOnce(form, screen, 1.8);
  state.counters["pixels"] = 1920 * 1080;
}

// A frame change repaints the form's own rectangle only; the bars stay as they are.
void BM_FrameChangeScaled1920x1080(benchmark::State& state) {
  MenuLikeForm form;
  form.presentOn(1920, 1080, 1.8);
  QImage screen(1920, 1080, QImage::Format_RGB32);
  screen.setDevicePixelRatio(1.8);
  for (auto _ : state) {
    QPainter painter(&screen);
    form.paintWindow(painter, form.contentRect());
  }
  state.counters["pixels"] = 1440 * 1080;
}

BENCHMARK(BM_PaintFrameUnscaled800x600)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PaintFrameScaled1920x1080)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FrameChangeScaled1920x1080)->Unit(benchmark::kMillisecond);

}  // namespace
