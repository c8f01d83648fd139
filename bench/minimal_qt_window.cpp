// The peer of the menu's start-up and memory benchmarks: the least a Qt 6 program does to
// show a picture: a frameless 800 x 600 window that draws the JPEG named on its command line.
#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QWidget>

namespace {

class PictureWindow : public QWidget {
 public:
  explicit PictureWindow(QImage picture) : picture_(std::move(picture)) {
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    resize(800, 600);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.drawImage(0, 0, picture_);
  }

 private:
  QImage picture_;
};

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc < 2) return 2;
  PictureWindow window{QImage(QString::fromLocal8Bit(argv[1]))};
  window.show();
  return QApplication::exec();
}
