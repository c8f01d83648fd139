// A Wayland client for the harness's own tests: one full-screen window of the colour given
// as its argument. It prints "click X Y" where the left button goes down (window pixels,
// which are output pixels when full screen) and "key K" with the keysym of each key pressed.
#include <QColor>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QRasterWindow>
#include <cstdio>

namespace {

class ColourWindow : public QRasterWindow {
 public:
  explicit ColourWindow(const QColor& colour) : colour_(colour) {}

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter(this).fillRect(QRect(QPoint(), size()), colour_);
  }

  void mousePressEvent(QMouseEvent* event) override {
    if (event->button() != Qt::LeftButton) return;
    const QPoint at = event->position().toPoint();
    std::printf("click %d %d\n", at.x(), at.y());
    std::fflush(stdout);
  }

  void keyPressEvent(QKeyEvent* event) override {
    std::printf("key %u\n", unsigned(event->nativeVirtualKey()));
    std::fflush(stdout);
  }

 private:
  QColor colour_;
};

}  // namespace

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  const QColor colour(argc > 1 ? argv[1] : "#c04020");
  if (!colour.isValid()) {
    std::fprintf(stderr, "not a colour: %s\n", argv[1]);
    return 2;
  }
  ColourWindow window(colour);
  window.showFullScreen();
  return app.exec();
}
