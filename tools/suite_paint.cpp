#include "suite_paint.h"

#include <QFontMetrics>
#include <QLinearGradient>
#include <QPolygonF>
#include <QRadialGradient>
#include <QTransform>

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

#include "suite_layout.h"

namespace tov::suite {

namespace {

constexpr int kCoverBand = 14;
constexpr double kPageCornerRadius = 16.0;
// Wide enough that the mute picture (to 37, 38) lies on plain cover.
constexpr double kNotchRadius = 52.0;
constexpr int kBorderInset = 10;

QPainterPath notchedRoundedRect(const QRectF& rect, double cornerRadius, double notchRadius) {
  QPainterPath rounded;
  rounded.addRoundedRect(rect, cornerRadius, cornerRadius);
  QPainterPath notch;
  notch.addEllipse(QPointF(0, 0), notchRadius, notchRadius);
  return rounded.subtracted(notch);
}

void paintCover(QPainter& painter) {
  painter.fillRect(QRect(0, 0, kFrameWidth, kFrameHeight), colour::kCover);
  // Stitching along the cover, following the page's outline.
  QPen stitch(QColor(232, 140, 92), 2, Qt::DashLine);
  painter.setPen(stitch);
  painter.setBrush(Qt::NoBrush);
  painter.drawPath(notchedRoundedRect(QRectF(6, 6, kFrameWidth - 12, kFrameHeight - 12),
                                      kPageCornerRadius + 6, kNotchRadius - 8));
  // The page's shadow on the cover.
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(60, 20, 0, 90));
  painter.drawPath(pagePath().translated(2, 3));
}

QPointF unit(QPointF v) {
  const double length = std::hypot(v.x(), v.y());
  return v / length;
}

double dot(QPointF a, QPointF b) { return a.x() * b.x() + a.y() * b.y(); }

// The half-plane of points X with (X - onLine) . towards >= 0, as a large polygon.
QPainterPath halfPlane(QPointF onLine, QPointF towards) {
  constexpr double kFar = 4000.0;
  const QPointF along(-towards.y(), towards.x());
  QPainterPath path;
  path.addPolygon(QPolygonF({onLine + along * kFar, onLine - along * kFar,
                             onLine - along * kFar + towards * kFar,
                             onLine + along * kFar + towards * kFar}));
  path.closeSubpath();
  return path;
}

// Mirror image across the line through onLine with unit normal normal.
QTransform reflection(QPointF onLine, QPointF normal) {
  const double nx = normal.x();
  const double ny = normal.y();
  const double offset = 2.0 * dot(onLine, normal);
  return QTransform(1 - 2 * nx * nx, -2 * nx * ny, -2 * nx * ny, 1 - 2 * ny * ny, offset * nx,
                    offset * ny);
}

}  // namespace

QRect pageRect() {
  return QRect(kCoverBand, kCoverBand, kFrameWidth - 2 * kCoverBand,
               kFrameHeight - 2 * kCoverBand);
}

QPainterPath pagePath() {
  return notchedRoundedRect(QRectF(pageRect()), kPageCornerRadius, kNotchRadius);
}

void paperPage(QPainter& painter) {
  painter.fillRect(pageRect(), colour::kPaper);
  const QRectF inner = QRectF(pageRect()).adjusted(kBorderInset, kBorderInset, -kBorderInset,
                                                   -kBorderInset);
  painter.setBrush(Qt::NoBrush);
  painter.setPen(QPen(colour::kBorder, 3));
  painter.drawPath(notchedRoundedRect(inner, kPageCornerRadius - 4, kNotchRadius + kBorderInset));
  painter.setPen(QPen(QColor(colour::kBorder.red(), colour::kBorder.green(),
                             colour::kBorder.blue(), 110),
                      1, Qt::DotLine));
  painter.drawPath(notchedRoundedRect(inner.adjusted(6, 6, -6, -6), kPageCornerRadius - 8,
                                      kNotchRadius + kBorderInset + 6));
  // Corner flourishes where the border turns.
  const std::array<QPointF, 3> corners{QPointF(inner.right(), inner.top()),
                                       QPointF(inner.left(), inner.bottom()),
                                       QPointF(inner.right(), inner.bottom())};
  for (const QPointF& corner : corners) {
    const QPointF inward((corner.x() < 400 ? 14 : -14), (corner.y() < 300 ? 14 : -14));
    drawStar(painter, corner + inward, 7, colour::kSun);
  }
}

QImage drawFrame(const PagePainter& content, int frameNumber) {
  QImage image(kFrameWidth, kFrameHeight, QImage::Format_RGB32);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setRenderHint(QPainter::TextAntialiasing);
  paintCover(painter);
  painter.save();
  painter.setClipPath(pagePath());
  content(painter);
  painter.restore();
  drawFrameNumber(painter, frameNumber);
  return image;
}

QImage drawPageTurn(const PagePainter& front, const PagePainter& next, double progress,
                    int frameNumber) {
  progress = std::clamp(progress, 0.0, 1.0);
  QImage image(kFrameWidth, kFrameHeight, QImage::Format_RGB32);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setRenderHint(QPainter::TextAntialiasing);
  paintCover(painter);

  const QPainterPath page = pagePath();
  const QPointF corner(pageRect().right() + 1, pageRect().bottom() + 1);
  // The fold travels from the lower right corner, mostly leftwards, a little upwards.
  const QPointF travel = unit(QPointF(-1.0, -0.45));
  double reach = 0.0;
  for (const QPointF& c : {QPointF(pageRect().topLeft()), QPointF(pageRect().topRight()),
                           QPointF(pageRect().bottomLeft()), corner})
    reach = std::max(reach, dot(c - corner, travel));
  const double foldDistance = progress * reach;
  const QPointF foldPoint = corner + travel * foldDistance;

  const QPainterPath stillFlat = page.intersected(halfPlane(foldPoint, travel));
  const QPainterPath lifted = page.intersected(halfPlane(foldPoint, -travel));
  const QPainterPath flap =
      reflection(foldPoint, travel).map(lifted).intersected(page);

  painter.save();
  painter.setClipPath(page);
  next(painter);
  // Shadow of the lifted page on the page beneath, along the fold.
  QLinearGradient foldShadow(foldPoint, foldPoint - travel * 45);
  foldShadow.setColorAt(0, QColor(40, 20, 0, 110));
  foldShadow.setColorAt(1, QColor(40, 20, 0, 0));
  painter.fillPath(lifted, foldShadow);
  painter.restore();

  painter.save();
  painter.setClipPath(stillFlat);
  front(painter);
  painter.fillPath(flap.translated(travel * 6 + QPointF(0, 3)), QColor(40, 20, 0, 70));
  painter.restore();

  // The back of the turning page, lit along the fold and darker towards its edge.
  QLinearGradient paperBack(foldPoint, foldPoint + travel * std::max(foldDistance, 1.0));
  paperBack.setColorAt(0, QColor(252, 242, 220));
  paperBack.setColorAt(0.55, colour::kPaperBack);
  paperBack.setColorAt(1, QColor(222, 202, 168));
  painter.fillPath(flap, paperBack);
  painter.setPen(QPen(QColor(190, 160, 120), 1));
  painter.setBrush(Qt::NoBrush);
  painter.drawPath(flap);

  drawFrameNumber(painter, frameNumber);
  return image;
}

QFont sansFont(int pixelSize, bool bold) {
  QFont font;
  font.setFamilies({"Liberation Sans", "DejaVu Sans"});
  font.setPixelSize(pixelSize);
  font.setBold(bold);
  font.setStyleStrategy(QFont::PreferAntialias);
  return font;
}

int textWidth(const QFont& font, const QString& text) {
  return QFontMetrics(font).horizontalAdvance(text);
}

void drawLine(QPainter& painter, const QString& text, const QFont& font, const QColor& colour,
              int x, int centreY, Align align) {
  const QFontMetrics metrics(font);
  const int width = metrics.horizontalAdvance(text);
  int left = x;
  if (align == Align::Centre) left = x - width / 2;
  if (align == Align::Right) left = x - width;
  const int baseline = centreY + (metrics.ascent() - metrics.descent()) / 2;
  painter.setFont(font);
  painter.setPen(colour);
  painter.drawText(left, baseline, text);
}

void drawHeading(QPainter& painter, const QString& text, const QFont& font,
                 const QColor& colour, int x, int centreY, Align align) {
  drawLine(painter, text, font, QColor(120, 60, 20, 60), x + 2, centreY + 3, align);
  drawLine(painter, text, font, colour, x, centreY, align);
}

void drawStar(QPainter& painter, QPointF centre, double radius, const QColor& colour,
              double turn) {
  QPolygonF star;
  for (int i = 0; i < 10; ++i) {
    const double r = (i % 2 == 0) ? radius : radius * 0.45;
    const double angle = -std::numbers::pi / 2 + turn + i * std::numbers::pi / 5;
    star << centre + QPointF(r * std::cos(angle), r * std::sin(angle));
  }
  painter.setPen(QPen(colour.darker(130), 1));
  painter.setBrush(colour);
  painter.drawPolygon(star);
}

void drawSymbolBubble(QPainter& painter, QPointF centre, double radius, const QColor& colour,
                      const QString& symbol) {
  QRadialGradient shine(centre - QPointF(radius * 0.35, radius * 0.35), radius * 1.4);
  shine.setColorAt(0, colour.lighter(135));
  shine.setColorAt(1, colour.darker(115));
  painter.setPen(QPen(colour.darker(140), 2));
  painter.setBrush(shine);
  painter.drawEllipse(centre, radius, radius);
  drawLine(painter, symbol, sansFont(static_cast<int>(radius * 1.2)), Qt::white,
           static_cast<int>(centre.x()), static_cast<int>(centre.y()), Align::Centre);
}

void drawControlWell(QPainter& painter, const QRect& control, int margin) {
  const QRectF well = QRectF(control).adjusted(-margin, -margin, margin, margin);
  painter.setPen(QPen(colour::kBorder, 2));
  painter.setBrush(QColor(246, 226, 190));
  painter.drawRoundedRect(well, 8, 8);
}

void drawFrameNumber(QPainter& painter, int frameNumber) {
  if (frameNumber <= 0) return;
  drawLine(painter, QString::number(frameNumber), sansFont(9, false), QColor(236, 160, 120),
           kFrameWidth - 8, kFrameHeight - 7, Align::Right);
}

}  // namespace tov::suite
