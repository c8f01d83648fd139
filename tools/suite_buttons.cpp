#include "suite_buttons.h"

#include <QLinearGradient>
#include <QPainterPath>
#include <QPolygonF>

#include "suite_paint.h"

namespace tov::suite {

namespace {

enum class Look { Resting, Hover };

// The hollow the frames draw around a button's panel: the picture's corners blend into it.
const QColor kWellColour{246, 226, 190};

struct Drawing {
  QImage image;
  QPainter painter;
  Drawing(int width, int height, const QColor& background)
      : image(width, height, QImage::Format_RGB32), painter() {
    image.fill(background);
    painter.begin(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
  }
  QImage finish() {
    painter.end();
    return image;
  }
};

// Resting: plain paper in the page's border colour. Hover: lit in sun yellow.
void drawTile(QPainter& painter, const QRectF& tile, Look look, double radius) {
  if (look == Look::Resting) {
    painter.setPen(QPen(colour::kBorder, 2));
    painter.setBrush(colour::kPaper);
  } else {
    QLinearGradient lit(tile.topLeft(), tile.bottomLeft());
    lit.setColorAt(0, QColor(255, 238, 170));
    lit.setColorAt(1, colour::kSun);
    painter.setPen(QPen(colour::kCover, 2.5));
    painter.setBrush(lit);
  }
  painter.drawRoundedRect(tile, radius, radius);
}

// An arrow along the x axis from tail to its point (leftwards for a negative length), with
// a white rim.
void drawArrow(QPainter& painter, QPointF tail, double length, double thickness, const QColor& fill) {
  const double head = thickness * 1.9;
  const double neck = tail.x() + length - (length >= 0 ? head : -head);
  const double y = tail.y();
  QPolygonF arrow;
  arrow << QPointF(tail.x(), y - thickness / 2) << QPointF(neck, y - thickness / 2)
        << QPointF(neck, y - head * 0.85) << QPointF(tail.x() + length, y) << QPointF(neck, y + head * 0.85)
        << QPointF(neck, y + thickness / 2) << QPointF(tail.x(), y + thickness / 2);
  painter.setPen(QPen(Qt::white, 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  painter.setBrush(fill);
  painter.drawPolygon(arrow);
  painter.setPen(QPen(fill.darker(140), 1, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  painter.setBrush(Qt::NoBrush);
  painter.drawPolygon(arrow);
}

QImage exitPicture(Look look) {
  Drawing d(78, 82, kWellColour);
  QPainter& p = d.painter;
  drawTile(p, QRectF(3, 3, 72, 76), look, 12);
  const QRectF doorway(14, 15, 30, 54);
  // The frame of the doorway, and the dark room beyond it.
  p.setPen(QPen(colour::kCoverDark, 3));
  p.setBrush(look == Look::Hover ? colour::kInk : colour::kCoverDark);
  p.drawRect(doorway);
  if (look == Look::Resting) {
    // Closed: a panelled door with its knob.
    p.setPen(QPen(QColor(120, 44, 16), 1.5));
    p.setBrush(QColor(196, 110, 60));
    p.drawRect(doorway.adjusted(5, 5, -5, -30));
    p.drawRect(doorway.adjusted(5, 29, -5, -5));
    p.setPen(Qt::NoPen);
    p.setBrush(colour::kSun);
    p.drawEllipse(QPointF(doorway.right() - 6, doorway.center().y() + 2), 3, 3);
    drawArrow(p, QPointF(46, 42), 24, 7, colour::kTeal);
  } else {
    // Open: the door swung in towards us on its left hinge, light in the room.
    QLinearGradient light(doorway.topLeft(), doorway.topRight());
    light.setColorAt(0, QColor(255, 250, 215));
    light.setColorAt(1, colour::kSun);
    p.setPen(Qt::NoPen);
    p.setBrush(light);
    p.drawRect(doorway.adjusted(2, 2, -2, -2));
    QPolygonF door;
    door << doorway.topLeft() << QPointF(doorway.left() + 13, doorway.top() + 6)
         << QPointF(doorway.left() + 13, doorway.bottom() + 5) << doorway.bottomLeft();
    p.setPen(QPen(QColor(120, 44, 16), 1.5));
    p.setBrush(QColor(196, 110, 60));
    p.drawPolygon(door);
    drawArrow(p, QPointF(36, 42), 36, 9, colour::kCover);
  }
  return d.finish();
}

QImage reportPicture(Look look) {
  Drawing d(78, 82, kWellColour);
  QPainter& p = d.painter;
  drawTile(p, QRectF(3, 3, 72, 76), look, 12);
  // A page with its corner folded, holding a bar chart.
  const QRectF page(17, 12, 44, 58);
  QPainterPath sheet;
  sheet.moveTo(page.topLeft());
  sheet.lineTo(page.right() - 11, page.top());
  sheet.lineTo(page.right(), page.top() + 11);
  sheet.lineTo(page.bottomRight());
  sheet.lineTo(page.bottomLeft());
  sheet.closeSubpath();
  p.setPen(QPen(colour::kInk, 1.5));
  p.setBrush(Qt::white);
  p.drawPath(sheet);
  p.setBrush(QColor(230, 222, 205));
  p.drawPolygon(QPolygonF({QPointF(page.right() - 11, page.top()), QPointF(page.right() - 11, page.top() + 11),
                           QPointF(page.right(), page.top() + 11)}));
  // Heading lines, then the bars on their base line.
  p.setPen(QPen(QColor(170, 150, 125), 2, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(page.left() + 6, page.top() + 8), QPointF(page.right() - 16, page.top() + 8));
  p.drawLine(QPointF(page.left() + 6, page.top() + 14), QPointF(page.right() - 20, page.top() + 14));
  const double base = page.bottom() - 7;
  const double grow = look == Look::Hover ? 1.25 : 1.0;
  const struct {
    double height;
    QColor colour;
  } bars[] = {{16, colour::kTeal}, {26, colour::kSun.darker(110)}, {21, colour::kLeaf}};
  double x = page.left() + 7;
  p.setPen(QPen(colour::kInk, 1));
  for (const auto& bar : bars) {
    p.setBrush(look == Look::Hover ? bar.colour : bar.colour.lighter(115));
    p.drawRect(QRectF(x, base - bar.height * grow, 8, bar.height * grow));
    x += 11;
  }
  p.setPen(QPen(colour::kInk, 2));
  p.drawLine(QPointF(page.left() + 4, base), QPointF(page.right() - 4, base));
  if (look == Look::Hover) drawStar(p, QPointF(61, 66), 9, colour::kCover);
  return d.finish();
}

QImage backPicture(Look look) {
  Drawing d(56, 52, kWellColour);
  QPainter& p = d.painter;
  drawTile(p, QRectF(2.5, 2.5, 51, 47), look, 10);
  const QPointF centre(28, 26);
  p.setPen(QPen(look == Look::Hover ? colour::kCoverDark : colour::kTeal, 2));
  p.setBrush(look == Look::Hover ? colour::kTeal : Qt::white);
  p.drawEllipse(centre, 17, 17);
  drawArrow(p, QPointF(centre.x() + 11, centre.y()), -23, look == Look::Hover ? 8 : 7,
            look == Look::Hover ? colour::kSun : colour::kTeal);
  return d.finish();
}

// The hand buttons lie on white panels a little smaller than their pictures, so the tile
// keeps clear of the edges the panels cut off.
QImage handPicture(const QString& letter, Look look) {
  Drawing d(47, 37, Qt::white);
  QPainter& p = d.painter;
  const QRectF tile(3, 2.5, 38, 30);
  p.setPen(QPen(look == Look::Hover ? colour::kCoverDark : colour::kTeal, 2));
  p.setBrush(look == Look::Hover ? colour::kTeal : Qt::white);
  p.drawRoundedRect(tile, 7, 7);
  drawLine(p, letter, sansFont(24), look == Look::Hover ? Qt::white : colour::kTeal,
           int(tile.center().x()), int(tile.center().y()) + 1, Align::Centre);
  if (look == Look::Hover) drawStar(p, QPointF(tile.right() - 6, tile.top() + 6), 4, colour::kSun);
  return d.finish();
}

// Sixteen-colour pictures: the colours of the standard 16-colour palette only, no smoothing.
QImage defaultPicture(const QString& label, const QColor& face, const QColor& ink) {
  QImage image(120, 50, QImage::Format_RGB32);
  image.fill(face);
  QPainter p(&image);
  p.setPen(QPen(Qt::black, 2));
  p.setBrush(Qt::NoBrush);
  p.drawRect(QRect(1, 1, 118, 48));
  p.setPen(QPen(Qt::white, 1));
  p.drawLine(3, 3, 116, 3);
  p.drawLine(3, 3, 3, 46);
  QFont font = sansFont(26);
  font.setStyleStrategy(QFont::NoAntialias);
  p.setFont(font);
  p.setPen(ink);
  p.drawText(QRect(0, 0, 120, 50), Qt::AlignCenter, label);
  p.end();
  return image;
}

}  // namespace

std::vector<NamedImage> drawMorphButtonPictures() {
  std::vector<NamedImage> pictures;
  for (const auto& [look, number] : {std::pair{Look::Resting, "1"}, std::pair{Look::Hover, "2"}}) {
    const QString suffix = QString(number) + ".pic";
    pictures.push_back({"morph_exit" + suffix, exitPicture(look)});
    pictures.push_back({"morph_report" + suffix, reportPicture(look)});
    pictures.push_back({"morph_back" + suffix, backPicture(look)});
    pictures.push_back({"morph_left" + suffix, handPicture("L", look)});
    pictures.push_back({"morph_right" + suffix, handPicture("R", look)});
  }
  return pictures;
}

std::vector<NamedImage> drawMorphButtonDefaults() {
  return {{"morph_b1.jpg", defaultPicture("B1", QColor(192, 192, 192), QColor(0, 0, 128))},
          {"morph_b2.jpg", defaultPicture("B2", QColor(255, 255, 0), QColor(128, 0, 0))}};
}

}  // namespace tov::suite
