#include "suite_advert.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <array>
#include <cmath>
#include <numbers>

#include "suite_paint.h"

namespace tov::suite {

namespace {

struct Activity {
  QString symbol;
  QString description;
};

struct AdvertWording {
  QString letter;  // of the file names
  QString thanks, scrollHint, exit;
  QString subtitle, activitiesHeading, languageGroup, mathsGroup;
  std::array<Activity, 9> activities;  // in menu option order
  QString bilingualHeading, bilingualLine, reportHeading, reportLine, comeBack, motto;
};

const AdvertWording& advertWording(bool afrikaans) {
  static const AdvertWording af{
      "A",
      "Dankie dat jy met Tovaleer geleer het!",
      "Blaai af om meer te sien",
      "Gaan uit",
      "Leer en speel in graad 4 en 5",
      "Nege aktiwiteite vir jou",
      "Taal en denke",
      "Wiskunde",
      {{{"Aa", "Lees ’n storie en beantwoord die vrae."},
        {"!", "Lees aandagtig en vind die foute."},
        {"ab", "Herken woorde wat reg gespel is."},
        {"?", "Onthou wat jy gesien het."},
        {"*", "Dink anders en vind nuwe oplossings."},
        {"×", "Oefen jou maaltafels."},
        {"÷", "Deel getalle vinnig en akkuraat."},
        {"+", "Tel groot en klein getalle op."},
        {"−", "Trek getalle vinnig van mekaar af."}}},
      "In Afrikaans en Engels",
      "Kies jou taal elke keer as jy begin.",
      "Sien hoe jy groei",
      "Die verslag wys vir jou en jou onderwyser hoe jy vorder.",
      "Kom oefen weer môre!",
      "Tovaleer: slim leer, lekker speel"};
  static const AdvertWording en{
      "E",
      "Thank you for learning with Tovaleer!",
      "Scroll down to see more",
      "Exit",
      "Learn and play in grades 4 and 5",
      "Nine activities for you",
      "Language and thinking",
      "Mathematics",
      {{{"Aa", "Read a story and answer the questions."},
        {"!", "Read carefully and find the mistakes."},
        {"ab", "Recognise words that are spelt correctly."},
        {"?", "Remember what you have seen."},
        {"*", "Think differently and find new solutions."},
        {"×", "Practise your times tables."},
        {"÷", "Divide numbers quickly and accurately."},
        {"+", "Add big and small numbers."},
        {"−", "Subtract numbers quickly."}}},
      "In Afrikaans and English",
      "Choose your language every time you start.",
      "See how you grow",
      "The report shows you and your teacher how you are getting on.",
      "Come and practise again tomorrow!",
      "Tovaleer: clever learning, happy playing"};
  return afrikaans ? af : en;
}

const std::array<QColor, 6> kBubbleColours{QColor(232, 118, 44), colour::kSky, colour::kLeaf,
                                          QColor(214, 84, 120), colour::kTeal, QColor(230, 170, 30)};

void drawWrapped(QPainter& painter, const QString& text, const QFont& font, const QColor& colour,
                 const QRect& box) {
  painter.setFont(font);
  painter.setPen(colour);
  painter.drawText(box, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap, text);
}

void drawTitle(QPainter& painter, int centreX, int centreY) {
  const QString title = "Tovaleer";
  const QFont font = sansFont(92);
  static const std::array<QColor, 5> letterColours{colour::kHeading, QColor(232, 150, 30),
                                                   colour::kLeaf, colour::kSky, colour::kTeal};
  int x = centreX - textWidth(font, title) / 2;
  for (int i = 0; i < title.size(); ++i) {
    const QString letter = title.mid(i, 1);
    drawHeading(painter, letter, font, letterColours[i % letterColours.size()], x, centreY, Align::Left);
    x += textWidth(font, letter);
  }
}

void drawSmallSun(QPainter& painter, QPointF centre, double radius) {
  painter.setPen(QPen(QColor(240, 150, 30), 3, Qt::SolidLine, Qt::RoundCap));
  for (int i = 0; i < 12; ++i) {
    const double angle = i * std::numbers::pi / 6;
    const QPointF direction(std::cos(angle), std::sin(angle));
    painter.drawLine(centre + direction * (radius * 1.2), centre + direction * (radius * 1.5));
  }
  QRadialGradient glow(centre - QPointF(radius * 0.3, radius * 0.3), radius * 1.3);
  glow.setColorAt(0, QColor(255, 240, 150));
  glow.setColorAt(1, colour::kSun);
  painter.setPen(QPen(QColor(235, 150, 30), 2));
  painter.setBrush(glow);
  painter.drawEllipse(centre, radius, radius);
}

void drawGroupHeading(QPainter& painter, const QString& text, int y) {
  const QFont font = sansFont(26);
  drawLine(painter, text, font, colour::kTeal, 40, y, Align::Left);
  painter.setPen(QPen(colour::kBorder, 2));
  painter.drawLine(40, y + 19, 40 + textWidth(font, text), y + 19);
}

// One activity: its bubble, its name and what it asks of the pupil.
void drawActivity(QPainter& painter, int index, const QString& name, const Activity& activity, int top) {
  constexpr int kRowHeight = 80;
  const int centreY = top + kRowHeight / 2;
  drawSymbolBubble(painter, QPointF(76, centreY), 26, kBubbleColours[index % kBubbleColours.size()],
                   activity.symbol);
  drawLine(painter, name, sansFont(24), colour::kInk, 120, centreY - 14, Align::Left);
  drawWrapped(painter, activity.description, sansFont(19, false), colour::kInk,
              QRect(120, centreY - 2, kAdvertWidth - 150, 30));
}

// A rounded panel with a heading and a line of text, and room at the right for a picture.
void drawPanel(QPainter& painter, const QRect& panel, const QString& heading, const QString& line) {
  painter.setPen(QPen(colour::kBorder, 2));
  painter.setBrush(QColor(250, 236, 206));
  painter.drawRoundedRect(QRectF(panel), 14, 14);
  drawLine(painter, heading, sansFont(26), colour::kHeading, panel.left() + 24, panel.top() + 34, Align::Left);
  drawWrapped(painter, line, sansFont(19, false), colour::kInk,
              QRect(panel.left() + 24, panel.top() + 54, panel.width() - 190, panel.height() - 62));
}

void drawReportChart(QPainter& painter, QPointF base) {
  static const std::array<int, 4> heights{28, 44, 58, 76};
  for (std::size_t i = 0; i < heights.size(); ++i) {
    const QRectF bar(base.x() + double(i) * 26, base.y() - heights[i], 20, heights[i]);
    painter.setPen(QPen(colour::kCoverDark, 1.5));
    painter.setBrush(kBubbleColours[i]);
    painter.drawRoundedRect(bar, 3, 3);
  }
  painter.setPen(QPen(colour::kInk, 2));
  painter.drawLine(base + QPointF(-6, 0), base + QPointF(106, 0));
}

QImage drawAdvertisement(bool afrikaans) {
  const AdvertWording& words = advertWording(afrikaans);
  const std::array<QString, 9>& names = activityNames(afrikaans);
  QImage image(kAdvertWidth, kAdvertHeight, QImage::Format_RGB32);
  image.fill(colour::kPaper);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setRenderHint(QPainter::TextAntialiasing);

  // A border all round, so the pupil sees where the advertisement begins and ends.
  painter.setPen(QPen(colour::kBorder, 4));
  painter.setBrush(Qt::NoBrush);
  painter.drawRoundedRect(QRectF(6, 6, kAdvertWidth - 12, kAdvertHeight - 12), 18, 18);

  drawSmallSun(painter, QPointF(545, 62), 24);
  drawStar(painter, QPointF(70, 60), 14, colour::kSun);
  drawStar(painter, QPointF(110, 170), 9, colour::kSky, 0.3);
  drawTitle(painter, kAdvertWidth / 2, 120);
  drawLine(painter, words.subtitle, sansFont(26, false), colour::kInk, kAdvertWidth / 2, 196, Align::Centre);

  drawHeading(painter, words.activitiesHeading, sansFont(34), colour::kHeading, kAdvertWidth / 2, 262,
              Align::Centre);
  drawGroupHeading(painter, words.languageGroup, 320);
  int top = 348;
  for (int i = 0; i < 5; ++i, top += 80) drawActivity(painter, i, names[i], words.activities[i], top);
  drawGroupHeading(painter, words.mathsGroup, top + 24);
  top += 52;
  for (int i = 5; i < 9; ++i, top += 80) drawActivity(painter, i, names[i], words.activities[i], top);

  const QRect bilingual(30, top + 20, kAdvertWidth - 60, 130);
  drawPanel(painter, bilingual, words.bilingualHeading, words.bilingualLine);
  drawSymbolBubble(painter, QPointF(bilingual.right() - 110, bilingual.center().y()), 30, QColor(226, 110, 40), "A");
  drawSymbolBubble(painter, QPointF(bilingual.right() - 50, bilingual.center().y()), 30, QColor(48, 126, 196), "E");

  const QRect report(30, bilingual.bottom() + 20, kAdvertWidth - 60, 130);
  drawPanel(painter, report, words.reportHeading, words.reportLine);
  drawReportChart(painter, QPointF(report.right() - 140, report.bottom() - 22));

  const int footer = report.bottom() + 70;
  drawHeading(painter, words.comeBack, sansFont(34), colour::kHeading, kAdvertWidth / 2, footer, Align::Centre);
  drawLine(painter, words.motto, sansFont(22, false), colour::kTeal, kAdvertWidth / 2, footer + 50, Align::Centre);
  for (int i = 0; i < 5; ++i)
    drawStar(painter, QPointF(140 + i * 80, footer + 105), i % 2 ? 9 : 13, kBubbleColours[i], 0.25 * i);
  return image;
}

// The background: the book page with a hollow for the view, thanks above it, a hint to
// scroll below it, and the exit button's label beside its plate.
QImage drawAdvertBackground(bool afrikaans) {
  const AdvertWording& words = advertWording(afrikaans);
  const PagePainter page = [&words](QPainter& painter) {
    paperPage(painter);
    drawHeading(painter, words.thanks, sansFont(27), colour::kHeading, 400, 43, Align::Centre);
    const QRectF well = QRectF(kAdvertView).adjusted(-6, -6, 6, 6);
    painter.setPen(QPen(colour::kBorder, 2));
    painter.setBrush(QColor(246, 226, 190));
    painter.drawRoundedRect(well, 8, 8);
    for (const auto& [place, radius] : {std::pair{QPointF(45, 150), 11.0}, std::pair{QPointF(48, 300), 8.0},
                                        std::pair{QPointF(45, 450), 11.0}, std::pair{QPointF(752, 150), 11.0},
                                        std::pair{QPointF(750, 300), 8.0}, std::pair{QPointF(752, 450), 11.0}})
      drawStar(painter, place, radius, radius > 10 ? colour::kSun : colour::kSky);
    const int hintY = 563;
    painter.setPen(QPen(colour::kTeal, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawLine(QPointF(92, hintY - 9), QPointF(92, hintY + 7));
    painter.drawPolyline(QPolygonF({QPointF(86, hintY + 1), QPointF(92, hintY + 8), QPointF(98, hintY + 1)}));
    drawLine(painter, words.scrollHint, sansFont(19, false), colour::kInk, 108, hintY, Align::Left);
    drawLine(painter, words.exit, sansFont(21), colour::kInk, kAdvertPlate.left() - 10, hintY, Align::Right);
  };
  return drawFrame(page, 0);
}

}  // namespace

std::vector<NamedImage> drawAdvertisementPictures() {
  std::vector<NamedImage> pictures;
  for (const bool afrikaans : {true, false}) {
    const QString letter = advertWording(afrikaans).letter;
    pictures.push_back({"add_" + letter + ".jpg", drawAdvertisement(afrikaans)});
    pictures.push_back({"addback_" + letter + ".jpg", drawAdvertBackground(afrikaans)});
  }
  return pictures;
}

}  // namespace tov::suite
