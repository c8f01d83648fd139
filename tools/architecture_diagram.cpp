// Draws docs/architecture.png: the layers of the menu from the program down to the platform
// interfaces and the event loop's seam, the windowing layer's backend, and the implementations
// behind those interfaces. Kept as code so the picture changes with the layers in one reviewed
// place.
//
// Usage: architecture_diagram OUT.png

#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <cmath>
#include <cstdio>
#include <initializer_list>
#include <vector>

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
const QColor kToolkit(0x41, 0xa3, 0x3e);

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

// A tag in a box's top-right corner: the toolkit library its target links.
void drawToolkitTag(QPainter& p, const Box& box, const QString& text) {
  p.setFont(QFont("DejaVu Sans", 7, QFont::Bold));
  const double width = p.fontMetrics().horizontalAdvance(text) + 10;
  const QRectF tag(box.rect.right() - width - 4, box.rect.top() + 4, width, 14);
  p.setPen(Qt::NoPen);
  p.setBrush(kToolkit);
  p.drawRoundedRect(tag, 4, 4);
  p.setPen(Qt::white);
  p.drawText(tag, Qt::AlignCenter, text);
}

// A line through the given points, the last segment an arrow.
void drawBentArrow(QPainter& p, std::initializer_list<QPointF> points, Qt::PenStyle style = Qt::SolidLine) {
  const std::vector<QPointF> path(points);
  p.setPen(QPen(Qt::black, 1.5, style));
  for (std::size_t i = 0; i + 2 < path.size(); ++i) p.drawLine(path[i], path[i + 1]);
  drawArrow(p, path[path.size() - 2], path.back(), style);
}

void drawDiagram(QPainter& p, const QSize& size) {
  p.fillRect(QRect(QPoint(0, 0), size), Qt::white);
  const double w = 300, h = 52, x = 330, gap = 26, rightX = 700, rightW = 280;
  auto rowY = [&](int row) { return 20 + row * (h + gap); };
  auto layer = [&](int row, QString title, QString detail, QColor fill = kLayer) {
    return Box{QRectF(x, rowY(row), w, h), title, detail, fill};
  };
  const Box app = layer(0, "app", "main: picks the platform's implementations, installs the backend, runs the forms");
  const Box menu = layer(1, "mainmenu", "the start menu form: language, name, hand, options");
  const Box advert{QRectF(x - 80, rowY(2), 220, h), "advert", "the form shown on leaving", kLayer};
  const Box sound{QRectF(x + 160, rowY(2), 220, h), "sound", "sounds and music", kLayer};
  const Box components = layer(3, "components", "threaded timer, starter, morph and picture buttons");
  const Box ui = layer(4, "ui (contract and core)", "forms, panels, controls, edit box, message boxes, cursors, timers");
  const Box imaging = layer(5, "imaging", "PNG and JPEG pictures into bitmaps");
  const Box platform = layer(6, "platform (interfaces)",
                             "display, taskbar, pointer, audio, mixer, process, instance, hotkey, files, errors",
                             kInterface);
  const Box loop{QRectF(rightX, rowY(6), rightW, h), "event loop seam", "platform/event_loop.h: timers, posted work, watches, worker threads",
                 kInterface};
  const Box qt{QRectF(rightX, rowY(4), rightW, h), "ui/qt/ (Qt backend)",
               "windows, scaled drawing, edit box, boxes, cursors, event loop; ui/win32/ beside it", kImplementation};
  for (const Box* b : {&app, &menu, &advert, &components, &sound, &ui, &imaging, &platform, &loop, &qt}) drawBox(p, *b);
  drawToolkitTag(p, app, "Qt");
  drawToolkitTag(p, qt, "Qt");

  drawArrow(p, bottomOf(app), topOf(menu));
  drawArrow(p, bottomOf(menu), topOf(advert));
  drawArrow(p, bottomOf(menu), topOf(sound));
  drawArrow(p, bottomOf(advert), topOf(components));
  // Sound needs only the platform: its arrow passes beside the picture layers.
  const double soundX = sound.rect.right() - 30;
  drawBentArrow(p, {QPointF(soundX, sound.rect.bottom()), QPointF(soundX, platform.rect.center().y()),
                    QPointF(platform.rect.right(), platform.rect.center().y())});
  drawArrow(p, bottomOf(components), topOf(ui));
  drawArrow(p, bottomOf(ui), topOf(imaging));
  drawArrow(p, bottomOf(imaging), topOf(platform));
  // The core waits on the seam; the entry installs the backend, which implements both.
  drawArrow(p, QPointF(ui.rect.right() - 20, ui.rect.bottom()), QPointF(loop.rect.left() + 20, loop.rect.top()));
  const double appToQtX = qt.rect.center().x();
  drawBentArrow(p, {QPointF(app.rect.right(), app.rect.center().y()), QPointF(appToQtX, app.rect.center().y()),
                    topOf(qt)});
  drawArrow(p, QPointF(qt.rect.left(), qt.rect.center().y()), QPointF(ui.rect.right(), qt.rect.center().y()),
            Qt::DashLine);
  drawArrow(p, QPointF(qt.rect.right() - 40, qt.rect.bottom()), QPointF(loop.rect.right() - 40, loop.rect.top()),
            Qt::DashLine);

  const double implY = platform.rect.bottom() + 60, implW = 178, implH = 84, implGap = 20;
  auto impl = [&](int column, QString title, QString detail) {
    return Box{QRectF(20 + column * (implW + implGap), implY, implW, implH), title, detail, kImplementation};
  };
  const Box impls[] = {
      impl(0, "x11/", "XRandR, EWMH taskbar, pointer, hotkey, lock"),
      impl(1, "wayland/", "output, activation; the hand through gnome/, kde/, sway/ (QtCore)"),
      impl(2, "sdl/", "audio output, MIDI music"),
      impl(3, "alsa/", "mixer volumes"),
      impl(4, "posix/", "starting programs, files in any case, lock, signals"),
  };
  for (const Box& b : impls) {
    drawBox(p, b);
    drawArrow(p, topOf(b), bottomOf(platform), Qt::DashLine);
  }
  drawToolkitTag(p, impls[4], "QtCore");

  const double guardY = implY + implH + 50, guardH = 74;
  const Box guardian{QRectF(20, guardY, 376, guardH), "platform/guardian/",
                     "undo records and IUndoRecorder, the one way every desktop's services record an undo; "
                     "DesktopGuardian starts the guardian",
                     kInterface};
  const Box process{QRectF(426, guardY, 270, guardH), "guardian process",
                    "gives back display mode, taskbar, mouse buttons and desktop settings if the menu dies", kProcess};
  const Box standins{QRectF(726, guardY, 254, guardH), "stand-ins (tools/standin)",
                     "demo activity and report programs started through posix/", kProcess};
  for (const Box* b : {&guardian, &process, &standins}) drawBox(p, *b);
  drawArrow(p, bottomOf(impls[0]), QPointF(impls[0].rect.center().x(), guardian.rect.top()));
  drawArrow(p, bottomOf(impls[1]), QPointF(impls[1].rect.center().x(), guardian.rect.top()));
  drawArrow(p, QPointF(guardian.rect.right(), guardian.rect.center().y()),
            QPointF(process.rect.left(), process.rect.center().y()), Qt::DotLine);
  drawArrow(p, bottomOf(impls[4]), QPointF(impls[4].rect.center().x(), standins.rect.top()), Qt::DotLine);

  p.setPen(Qt::black);
  p.setFont(QFont("DejaVu Sans", 8));
  p.drawText(QRectF(20, size.height() - 24, size.width() - 40, 18), Qt::AlignLeft,
             "solid arrow: uses   dashed: implements   dotted: starts a separate process   "
             "Qt tag: the toolkit that folder links; every other folder builds without Qt's headers");
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
  QImage image(QSize(1000, 860), QImage::Format_RGB32);
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
