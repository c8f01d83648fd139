// Draws a grouped bar chart from Google Benchmark JSON output: one group per input file, one
// bar per decoder, each the median CPU time relative to libpng's on that file (libpng = 1).
// Relative times keep microsecond icons and 50 ms photographs readable on one axis.
//
// Usage: bench_chart BENCH.json OUT.png
// Benchmarks are named "DECODER/FILE"; only the median aggregates are used.

#include <QColor>
#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QPainter>

#include <cmath>
#include <cstdio>
#include <vector>

namespace tov {
namespace {

struct Series {
  QString decoder;
  QString label;
  QColor colour;
};

// libpng is the reference the others are measured against, so it is drawn as the middle bar.
const std::vector<Series> kSeries = {
    {"ours", "ours", QColor(0x2e, 0x7d, 0x32)},
    {"libpng", "libpng", QColor(0x90, 0x90, 0x90)},
    {"spng", "libspng", QColor(0x1f, 0x5f, 0xa8)},
};

using Times = QMap<QString, QMap<QString, double>>;  // file -> decoder -> CPU time

bool readMedians(const QString& path, Times& times, QStringList& fileOrder) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return false;
  const QJsonDocument doc = QJsonDocument::fromJson(file.readAll());
  for (const QJsonValue& value : doc.object()["benchmarks"].toArray()) {
    const QJsonObject run = value.toObject();
    if (run["aggregate_name"].toString() != "median") continue;
    const QString name = run["run_name"].toString();
    const qsizetype slash = name.indexOf('/');
    if (slash < 0) continue;
    const QString fileName = name.mid(slash + 1);
    if (!fileOrder.contains(fileName)) fileOrder << fileName;
    times[fileName][name.left(slash)] = run["cpu_time"].toDouble();
  }
  // Random interleaving scrambles the order of the runs; sorted names group the kinds of file.
  fileOrder.sort();
  return !fileOrder.isEmpty();
}

void drawChart(QPainter& p, const QSize& size, const Times& times, const QStringList& files) {
  const int left = 60, right = 140, top = 50, bottom = 150;
  const double plotW = size.width() - left - right, plotH = size.height() - top - bottom;
  const double maxRatio = 1.6;
  auto yOf = [&](double ratio) { return top + plotH * (1.0 - std::min(ratio, maxRatio) / maxRatio); };

  p.fillRect(QRect(QPoint(0, 0), size), Qt::white);
  p.setPen(Qt::black);
  p.setFont(QFont("DejaVu Sans", 13, QFont::Bold));
  p.drawText(QRect(0, 8, size.width(), 30), Qt::AlignCenter,
             "PNG decoding: median CPU time relative to libpng (lower is faster)");

  p.setFont(QFont("DejaVu Sans", 9));
  for (double tick = 0; tick <= maxRatio + 1e-9; tick += 0.2) {
    const double y = yOf(tick);
    p.setPen(std::abs(tick - 1.0) < 1e-9 ? QPen(Qt::black, 1, Qt::DashLine) : QPen(QColor(220, 220, 220)));
    p.drawLine(QPointF(left, y), QPointF(size.width() - right, y));
    p.setPen(Qt::black);
    p.drawText(QRectF(0, y - 8, left - 6, 16), Qt::AlignRight | Qt::AlignVCenter, QString::number(tick, 'f', 1));
  }

  const double groupW = plotW / files.size();
  const double barW = groupW * 0.8 / kSeries.size();
  for (int f = 0; f < files.size(); ++f) {
    const auto& perDecoder = times[files[f]];
    const double reference = perDecoder.value("libpng", 0.0);
    if (reference <= 0) continue;
    const double x0 = left + f * groupW + groupW * 0.1;
    for (size_t s = 0; s < kSeries.size(); ++s) {
      if (!perDecoder.contains(kSeries[s].decoder)) continue;
      const double ratio = perDecoder[kSeries[s].decoder] / reference;
      const QRectF bar(x0 + s * barW, yOf(ratio), barW - 1, yOf(0) - yOf(ratio));
      p.fillRect(bar, kSeries[s].colour);
      p.save();
      p.translate(bar.center().x() + 3, bar.top() - 3);
      p.rotate(-90);
      p.drawText(QPointF(0, 0), QString::number(ratio, 'f', 2));
      p.restore();
    }
    // File names are long: written slanted below their group.
    p.save();
    p.translate(left + (f + 0.5) * groupW, yOf(0) + 8);
    p.rotate(35);
    p.drawText(QPointF(0, 0), files[f]);
    p.restore();
  }

  int legendX = left + 10;
  for (const Series& series : kSeries) {
    p.fillRect(QRect(legendX, top - 14, 12, 12), series.colour);
    p.drawText(QPoint(legendX + 16, top - 4), series.label);
    legendX += 90;
  }
}

}  // namespace
}  // namespace tov

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: bench_chart BENCH.json OUT.png\n");
    return 2;
  }
  // Fonts need a platform plugin; offscreen needs no display.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  tov::Times times;
  QStringList files;
  if (!tov::readMedians(QString::fromLocal8Bit(argv[1]), times, files)) {
    std::fprintf(stderr, "bench_chart: no median results in %s\n", argv[1]);
    return 1;
  }
  QImage image(QSize(1000, 560), QImage::Format_RGB32);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setRenderHint(QPainter::TextAntialiasing);
  tov::drawChart(painter, image.size(), times, files);
  painter.end();
  if (!image.save(QString::fromLocal8Bit(argv[2]), "PNG")) {
    std::fprintf(stderr, "bench_chart: cannot write %s\n", argv[2]);
    return 1;
  }
  return 0;
}
