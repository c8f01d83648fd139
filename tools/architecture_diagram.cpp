// Draws docs/architecture.png: the layers of the menu from the program down to the platform
// interfaces, and the implementations behind those interfaces. Kept as code so the picture
// changes with the layers in one reviewed place.
//
// Usage: architecture_diagram OUT.png

#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <cmath>
#include <cstdio>

namespace tov {
namespace {

struct Box {
  QRectF rect;
  QString title;
  QString detail;
  QColor fill;
};

const QColor kLayer(0xdc, 0xea, 0xf7);
const QColor kInterface(0xff, 0xf1, 0xc4);
const QColor kImplementation(0xe2, 0xf2, 0xdc);
const QColor kProcess(0xf6, 0xdc, 0xdc);

void drawBox(QPainter& p, const Box& box) {
  p.setPen(QPen(Qt::black, 1.5));
  p.setBrush(box.fill);
  p.drawRoundedRect(box.rect, 8, 8);
  p.setFont(QFont("DejaVu Sans", 11, QFont::Bold));
  p.drawText(box.rect.adjusted(4, 4, -4, -box.rect.height() / 2), Qt::AlignCenter, box.title);
  p.setFont(QFont("DejaVu Sans", 8));
  p.drawText(box.rect.adjusted(4, box.rect.height() / 2 - 2, -4, -3), Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap,
             box.detail);
}

// An arrow from the bottom of one box to the top of another: "uses".
void drawArrow(QPainter& p, QPointF from, QPointF to, Qt::PenStyle style = Qt::SolidLine) {
  p.setPen(QPen(Qt::black, 1.5, style));
  p.drawLine(from, to);
  const double angle = std::atan2(to.y() - from.y(), to.x() - from.x());
  QPainterPath head;
  head.moveTo(to);
  head.lineTo(to - QPointF(10 * std::cos(angle - 0.4), 10 * std::sin(angle - 0.4)));
  head.lineTo(to - QPointF(10 * std::cos(angle + 0.4), 10 * std::sin(angle + 0.4)));
  head.closeSubpath();
  p.setPen(Qt::NoPen);
  p.setBrush(Qt::black);
  p.drawPath(head);
}

QPointF bottomOf(const Box& b) { return {b.rect.center().x(), b.rect.bottom()}; }
QPointF topOf(const Box& b) { return {b.rect.center().x(), b.rect.top()}; }

void drawDiagram(QPainter& p, const QSize& size) {
  p.fillRect(QRect(QPoint(0, 0), size), Qt::white);
  const double w = 300, h = 52, x = 250, gap = 26;
  auto layer = [&](int row, QString title, QString detail, QColor fill = kLayer) {
    return Box{QRectF(x, 20 + row * (h + gap), w, h), title, detail, fill};
  };
  const Box app = layer(0, "app", "main: one instance, runs the forms");
  const Box menu = layer(1, "mainmenu", "the start menu form: language, name, hand, options");
  const Box advert{QRectF(x - 80, 20 + 2 * (h + gap), 220, h), "advert", "the form shown on leaving", kLayer};
  const Box sound{QRectF(x + 160, 20 + 2 * (h + gap), 220, h), "sound", "sounds and music", kLayer};
  const Box components = layer(3, "components", "morph buttons, lamps, frames");
  const Box ui = layer(4, "ui", "windows, painting, input");
  const Box imaging = layer(5, "imaging", "PNG and JPEG pictures into bitmaps");
  const Box platform = layer(6, "platform (interfaces)", "display, taskbar, pointer, audio, mixer, process, instance, hotkey, errors",
                             kInterface);
  for (const Box* b : {&app, &menu, &advert, &components, &sound, &ui, &imaging, &platform}) drawBox(p, *b);

  drawArrow(p, bottomOf(app), topOf(menu));
  drawArrow(p, bottomOf(menu), topOf(advert));
  drawArrow(p, bottomOf(menu), topOf(sound));
  drawArrow(p, bottomOf(advert), topOf(components));
  // Sound needs only the platform: its arrow passes beside the picture layers.
  const QPointF soundBend(sound.rect.right() - 30, platform.rect.center().y());
  p.setPen(QPen(Qt::black, 1.5));
  p.drawLine(QPointF(soundBend.x(), sound.rect.bottom()), soundBend);
  drawArrow(p, soundBend, QPointF(platform.rect.right(), soundBend.y()));
  drawArrow(p, bottomOf(components), topOf(ui));
  drawArrow(p, bottomOf(ui), topOf(imaging));
  drawArrow(p, bottomOf(imaging), topOf(platform));

  const double implY = platform.rect.bottom() + 60, implW = 170;
  const Box impls[] = {
      {QRectF(20, implY, implW, 74), "x11/", "XRandR, EWMH taskbar, pointer, hotkey, lock", kImplementation},
      {QRectF(215, implY, implW, 74), "sdl/", "audio output, MIDI music", kImplementation},
      {QRectF(410, implY, implW, 74), "alsa/", "mixer volumes", kImplementation},
      {QRectF(605, implY, implW, 74), "posix/", "starting activity programs", kImplementation},
  };
  for (const Box& impl : impls) {
    drawBox(p, impl);
    drawArrow(p, topOf(impl), bottomOf(platform), Qt::DashLine);
  }

  const double procY = implY + 114;
  const Box guardian{QRectF(20, procY, 365, 64), "guardian process (platform/guardian)",
                     "started by the menu; gives back display mode, taskbar, mouse buttons and desktop settings "
                     "if the menu dies",
                     kProcess};
  const Box standins{QRectF(410, procY, 365, 64), "stand-ins (tools/standin)",
                     "demo activity and report programs started through posix/", kProcess};
  drawBox(p, guardian);
  drawBox(p, standins);
  drawArrow(p, bottomOf(impls[0]), topOf(guardian), Qt::DotLine);
  drawArrow(p, bottomOf(impls[3]), QPointF(standins.rect.right() - 90, standins.rect.top()), Qt::DotLine);

  p.setPen(Qt::black);
  p.setFont(QFont("DejaVu Sans", 8));
  p.drawText(QRectF(20, size.height() - 24, size.width() - 40, 18), Qt::AlignLeft,
             "solid arrow: uses   dashed: implements   dotted: starts a separate process");
}

}  // namespace
}  // namespace tov

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: architecture_diagram OUT.png\n");
    return 2;
  }
  // Fonts need a platform plugin; offscreen needs no display.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  QImage image(QSize(800, 830), QImage::Format_RGB32);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  tov::drawDiagram(painter, image.size());
  painter.end();
  if (!image.save(QString::fromLocal8Bit(argv[1]), "PNG")) {
    std::fprintf(stderr, "architecture_diagram: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
