// A menu frame painted to the screen: unscaled at 800 x 600, as on an X11 desktop switched to
// the menu's mode, against scaled to a 1920 x 1080 Wayland output (factor 1.8, the form in the
// middle with black bars), the way the form paints its full-screen window there: the
// controls into the back buffer at the form's size, then the back buffer enlarged.
#include <benchmark/benchmark.h>

#include <QImage>
#include <QPainter>

#include "imaging/graphic.h"
#include "ui/control.h"
#include "ui/form.h"
#include "ui/qt/qt_access.h"

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
    tov::qt::WindowWidget* window = tov::qt::windowOf(*this);
    window->resize(width, height);
    window->setPresentation(QSize(800, 600), scale,
                            QPointF((width - int(800 * scale + 0.5)) / 2, (height - int(600 * scale + 0.5)) / 2));
  }

 private:
  tov::TImage frame_;
};

// As the window system's back store: an image of the output's pixels; area is what the
// window repaints, in the form's window coordinates.
void paintRepeatedly(benchmark::State& state, QSize output, double scale, bool formOnly) {
  MenuLikeForm form;
  if (scale != 1.0) form.presentOn(output.width(), output.height(), scale);
  tov::qt::WindowWidget* window = tov::qt::windowOf(form);
  QImage screen(output, QImage::Format_RGB32);
  const QRect area =
      formOnly ? window->contentToWindow().mapRect(QRectF(0, 0, 800, 600)).toAlignedRect() : window->rect();
  for (auto _ : state) {
    QPainter painter(&screen);
    window->paintWindow(painter, area);
  }
  state.counters["pixels"] = double(area.width()) * area.height();
}

void BM_PaintFrameUnscaled800x600(benchmark::State& state) { paintRepeatedly(state, {800, 600}, 1.0, false); }
void BM_PaintFrameScaled1920x1080(benchmark::State& state) { paintRepeatedly(state, {1920, 1080}, 1.8, false); }
// A frame change repaints the form's own rectangle only; the bars stay as they are.
void BM_FrameChangeScaled1920x1080(benchmark::State& state) { paintRepeatedly(state, {1920, 1080}, 1.8, true); }

BENCHMARK(BM_PaintFrameUnscaled800x600)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PaintFrameScaled1920x1080)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FrameChangeScaled1920x1080)->Unit(benchmark::kMillisecond);

}  // namespace
