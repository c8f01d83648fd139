#include "suite_frames.h"

#include <QFontMetrics>
#include <QLinearGradient>
#include <QPainterPath>
#include <QRadialGradient>

#include <algorithm>
#include <array>
#include <cmath>
#include <initializer_list>
#include <numbers>
#include <utility>
#include <vector>

#include "suite_layout.h"
#include "suite_paint.h"

namespace tov::suite {

namespace {

enum class Language { Neutral, Afrikaans, English };

struct Wording {
  QString fileSuffix;  // of the language's frame files
  QString hello, helloLine, namePrompt, handQuestion, leftHand, rightHand;
  QString menuTitle, languageColumn, mathsColumn, back, exit, report, menuHint;
  QString launching, goodLuck;
  std::array<QString, 9> activities;  // in option order
};

const Wording& wording(Language language) {
  static const Wording afrikaans{
      "a",
      "Hallo!",
      "Kom ons leer mekaar ken.",
      "Tik jou naam:",
      "Met watter hand werk jy met die muis?",
      "Links",
      "Regs",
      "Kies ’n aktiwiteit",
      "Taal en denke",
      "Wiskunde",
      "Terug",
      "Uitgang",
      "Verslag",
      "Beweeg die muis oor ’n\u00A0aktiwiteit en klik daarop.",
      "Die aktiwiteit begin...",
      "Baie sterkte!",
      {"Leesbegrip", "Leeskonsentrasie", "Spelherkenning", "Geheue", "Kreatiewe denke",
       "Vermenigvuldiging", "Deling", "Optelling", "Aftrekking"}};
  static const Wording english{
      "e",
      "Hello!",
      "Let’s get to know each other.",
      "Type your name:",
      "Which hand do you use the mouse with?",
      "Left",
      "Right",
      "Choose an activity",
      "Language and thinking",
      "Mathematics",
      "Back",
      "Exit",
      "Report",
      "Move the mouse over an activity and click on it.",
      "The activity is starting...",
      "Good luck!",
      {"Reading comprehension", "Reading concentration", "Spelling recognition", "Memory",
       "Creative thinking", "Multiplication", "Division", "Addition", "Subtraction"}};
  return language == Language::Afrikaans ? afrikaans : english;
}

// ---- text that must fit a place ----

// One line if it fits, else the two lines split at the space nearest the middle.
QStringList splitToFit(const QString& text, const QFont& font, int maxWidth) {
  if (textWidth(font, text) <= maxWidth) return {text};
  int bestSpace = -1;
  for (int i = 0; i < text.size(); ++i) {
    if (text[i] != ' ') continue;
    if (bestSpace < 0 || std::abs(i - text.size() / 2) < std::abs(bestSpace - text.size() / 2))
      bestSpace = i;
  }
  if (bestSpace < 0) return {text};
  return {text.left(bestSpace), text.mid(bestSpace + 1)};
}

struct PlacedText {
  QString text;
  int width;
  int height;
};

// Names of two lines stand closer than running text, to fit areas of 42 pixels.
int nameLineStep(const QFont& font) { return font.pixelSize(); }

constexpr int kNameGap = 8;  // between a lamp and its name

bool fitsPlace(const QFont& font, const PlacedText& place) {
  const QStringList lines = splitToFit(place.text, font, place.width);
  for (const QString& line : lines)
    if (textWidth(font, line) > place.width) return false;
  return nameLineStep(font) * lines.size() <= place.height + 2;
}

// The names of one menu share one lettering: the largest size at which every name fits
// its place, on one line or, where the place is too narrow, on two.
QFont commonFont(const std::vector<PlacedText>& places, int maxSize, int minSize) {
  for (int size = maxSize; size > minSize; --size) {
    const QFont font = sansFont(size);
    if (std::all_of(places.begin(), places.end(),
                    [&font](const PlacedText& place) { return fitsPlace(font, place); }))
      return font;
  }
  return sansFont(minSize);
}

// Lines centred as a block on centreY; step 0 means the font's own line spacing.
void drawLines(QPainter& painter, const QStringList& lines, const QFont& font,
               const QColor& colour, int x, int centreY, Align align, int step = 0) {
  if (step == 0) step = QFontMetrics(font).height();
  int y = centreY - step * (static_cast<int>(lines.size()) - 1) / 2;
  for (const QString& line : lines) {
    drawLine(painter, line, font, colour, x, y, align);
    y += step;
  }
}

// ---- ornaments of these pages ----

void drawSun(QPainter& painter, QPointF centre, double radius, bool smiling) {
  painter.setPen(QPen(QColor(240, 150, 30), 4, Qt::SolidLine, Qt::RoundCap));
  for (int i = 0; i < 12; ++i) {
    const double angle = i * std::numbers::pi / 6;
    const QPointF direction(std::cos(angle), std::sin(angle));
    painter.drawLine(centre + direction * (radius * 1.2), centre + direction * (radius * 1.55));
  }
  QRadialGradient glow(centre - QPointF(radius * 0.3, radius * 0.3), radius * 1.3);
  glow.setColorAt(0, QColor(255, 240, 150));
  glow.setColorAt(1, colour::kSun);
  painter.setPen(QPen(QColor(235, 150, 30), 3));
  painter.setBrush(glow);
  painter.drawEllipse(centre, radius, radius);
  if (!smiling) return;
  painter.setBrush(colour::kInk);
  painter.setPen(Qt::NoPen);
  painter.drawEllipse(centre + QPointF(-radius * 0.33, -radius * 0.2), radius * 0.09,
                      radius * 0.12);
  painter.drawEllipse(centre + QPointF(radius * 0.33, -radius * 0.2), radius * 0.09,
                      radius * 0.12);
  painter.setPen(QPen(colour::kInk, 3, Qt::SolidLine, Qt::RoundCap));
  painter.setBrush(Qt::NoBrush);
  const QRectF smile(centre.x() - radius * 0.45, centre.y() - radius * 0.3, radius * 0.9,
                     radius * 0.8);
  painter.drawArc(smile, 200 * 16, 140 * 16);
}

void drawMouse(QPainter& painter, QPointF centre) {
  painter.setPen(QPen(colour::kInk, 3, Qt::SolidLine, Qt::RoundCap));
  painter.setBrush(Qt::NoBrush);
  QPainterPath cable(centre + QPointF(0, -38));
  cable.cubicTo(centre + QPointF(0, -70), centre + QPointF(-60, -50),
                centre + QPointF(-70, -90));
  painter.drawPath(cable);
  QLinearGradient body(centre + QPointF(-26, 0), centre + QPointF(26, 0));
  body.setColorAt(0, QColor(250, 250, 255));
  body.setColorAt(1, QColor(200, 205, 220));
  painter.setBrush(body);
  painter.drawRoundedRect(QRectF(centre.x() - 26, centre.y() - 38, 52, 76), 26, 26);
  painter.drawLine(centre + QPointF(-26, -6), centre + QPointF(26, -6));
  painter.drawLine(centre + QPointF(0, -38), centre + QPointF(0, -6));
}

void drawPlaySign(QPainter& painter, QPointF centre, double radius) {
  QRadialGradient shine(centre - QPointF(radius * 0.3, radius * 0.3), radius * 1.4);
  shine.setColorAt(0, colour::kLeaf.lighter(140));
  shine.setColorAt(1, colour::kLeaf.darker(115));
  painter.setPen(QPen(colour::kLeaf.darker(150), 3));
  painter.setBrush(shine);
  painter.drawEllipse(centre, radius, radius);
  painter.setPen(Qt::NoPen);
  painter.setBrush(Qt::white);
  painter.drawPolygon(QPolygonF({centre + QPointF(-radius * 0.32, -radius * 0.45),
                                 centre + QPointF(-radius * 0.32, radius * 0.45),
                                 centre + QPointF(radius * 0.5, 0)}));
}

void drawStars(QPainter& painter, std::initializer_list<QPointF> places, double radius) {
  static const std::array<QColor, 4> colours{colour::kSun, QColor(250, 150, 70), colour::kLeaf,
                                            colour::kSky};
  int i = 0;
  for (const QPointF& place : places) {
    drawStar(painter, place, radius * (i % 3 == 1 ? 0.7 : 1.0), colours[i % colours.size()],
             0.2 * i);
    ++i;
  }
}

void drawBubbleRow(QPainter& painter, const QStringList& symbols, double centreX, double y,
                   double radius) {
  static const std::array<QColor, 6> colours{QColor(232, 118, 44), colour::kSky, colour::kLeaf,
                                            QColor(214, 84, 120), colour::kTeal,
                                            QColor(230, 170, 30)};
  const double step = radius * 2.6;
  double x = centreX - step * (symbols.size() - 1) / 2.0;
  for (int i = 0; i < symbols.size(); ++i, x += step)
    drawSymbolBubble(painter, QPointF(x, y), radius, colours[i % colours.size()], symbols[i]);
}

// ---- lamps ----

enum class Lamp { Dark, Yellow, Green };

struct Glass {
  QColor light, base, edge;
};

Glass glassOf(Lamp lamp) {
  switch (lamp) {
    case Lamp::Yellow: return {{255, 252, 210}, {255, 206, 20}, {205, 140, 0}};
    case Lamp::Green: return {{225, 255, 215}, {70, 200, 70}, {20, 115, 35}};
    case Lamp::Dark: break;
  }
  return {{215, 205, 185}, {160, 148, 130}, {110, 98, 86}};
}

// The lamp fills a fixed share of its box in each direction, so the 46 x 44 lamp pictures,
// stretched into a 37 x 35 indicator, cover the dark lamp drawn in the frame exactly.
void drawLamp(QPainter& painter, const QRectF& box, Lamp lamp) {
  const QPointF centre = box.center();
  const double rx = box.width() * 0.37;
  const double ry = box.height() * 0.39;
  const Glass glass = glassOf(lamp);
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(95, 80, 70));
  painter.drawEllipse(centre, rx, ry);
  QRadialGradient bulb(centre - QPointF(rx * 0.3, ry * 0.3), std::max(rx, ry) * 1.1);
  bulb.setColorAt(0, glass.light);
  bulb.setColorAt(0.45, glass.base);
  bulb.setColorAt(1, glass.edge);
  painter.setBrush(bulb);
  painter.drawEllipse(centre, rx * 0.8, ry * 0.8);
  painter.setBrush(QColor(255, 255, 255, 150));
  painter.drawEllipse(centre - QPointF(rx * 0.28, ry * 0.32), rx * 0.22, ry * 0.15);
}

QImage drawLampPicture(Lamp lamp) {
  QImage image(kLampPictureWidth, kLampPictureHeight, QImage::Format_RGB32);
  image.fill(colour::kPaper);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  drawLamp(painter, QRectF(0, 0, kLampPictureWidth, kLampPictureHeight), lamp);
  return image;
}

// ---- pages ----

void titlePage(QPainter& painter) {
  paperPage(painter);
  drawSun(painter, QPointF(675, 118), 42, true);
  drawStars(painter, {{120, 110}, {230, 160}, {560, 90}, {130, 330}, {670, 330}, {400, 520}},
            15);
  const QString title = "Tovaleer";
  const QFont titleFont = sansFont(118);
  static const std::array<QColor, 5> letterColours{colour::kHeading, QColor(232, 150, 30),
                                                   colour::kLeaf, colour::kSky, colour::kTeal};
  int x = 400 - textWidth(titleFont, title) / 2;
  for (int i = 0; i < title.size(); ++i) {
    const QString letter = title.mid(i, 1);
    drawHeading(painter, letter, titleFont, letterColours[i % letterColours.size()], x, 245,
                Align::Left);
    x += textWidth(titleFont, letter);
  }
  QPainterPath wave(QPointF(215, 322));
  for (int i = 0; i < 8; ++i)
    wave.quadTo(QPointF(240 + i * 46, i % 2 ? 334 : 310), QPointF(261 + i * 46, 322));
  painter.setPen(QPen(colour::kBorder, 5, Qt::SolidLine, Qt::RoundCap));
  painter.setBrush(Qt::NoBrush);
  painter.drawPath(wave);
  drawLine(painter, "Graad 4-5  /  Grade 4-5", sansFont(36), colour::kInk, 400, 385,
           Align::Centre);
  drawBubbleRow(painter, {"a", "b", "c", "1", "2", "3"}, 400, 465, 24);
}

enum class Highlight { None, Afrikaans, English };

void drawLanguageChoice(QPainter& painter, const QRect& area, const QString& name,
                        const QColor& base, bool highlighted) {
  const QRectF box(area);
  constexpr double kRadius = 14;
  if (highlighted) {
    // A soft glow that stays within the highlight picture around the choice.
    painter.setBrush(Qt::NoBrush);
    for (int spread = 4; spread >= 1; --spread) {
      painter.setPen(QPen(QColor(255, 215, 70, 70), 2));
      painter.drawRoundedRect(box.adjusted(-spread, -spread, spread, spread), kRadius + spread,
                              kRadius + spread);
    }
  }
  const QColor fill = highlighted ? base.lighter(125) : base;
  QLinearGradient shade(box.topLeft(), box.bottomLeft());
  shade.setColorAt(0, fill.lighter(125));
  shade.setColorAt(1, fill);
  painter.setPen(highlighted ? QPen(colour::kSun, 4) : QPen(base.darker(140), 3));
  painter.setBrush(shade);
  painter.drawRoundedRect(box.adjusted(1.5, 1.5, -1.5, -1.5), kRadius, kRadius);
  const QFont font = sansFont(32);
  const int centreY = area.center().y() + 1;
  drawLine(painter, name, font, base.darker(170), area.center().x() + 2, centreY + 2,
           Align::Centre);
  drawLine(painter, name, font, highlighted ? QColor(255, 255, 235) : QColor(Qt::white),
           area.center().x(), centreY, Align::Centre);
}

void languagePage(QPainter& painter, Highlight highlight) {
  paperPage(painter);
  drawHeading(painter, "Kies jou taal", sansFont(48), colour::kHeading, 400, 100, Align::Centre);
  drawLine(painter, "Choose your language", sansFont(32), colour::kTeal, 400, 158,
           Align::Centre);
  drawStars(painter, {{150, 100}, {650, 100}, {205, 150}, {598, 150}}, 14);
  drawLanguageChoice(painter, kAfrikaansArea, "Afrikaans", QColor(226, 110, 40),
                     highlight == Highlight::Afrikaans);
  drawLanguageChoice(painter, kEnglishArea, "English", QColor(48, 126, 196),
                     highlight == Highlight::English);
  drawLine(painter, "Klik op jou taal   •   Click on your language", sansFont(20, false),
           colour::kInk, 400, 340, Align::Centre);
  drawBubbleRow(painter, {"a", "b", "c", "1", "2", "3"}, 400, 410, 20);

  drawControlWell(painter, kLanguageReportPanel, 5);
  drawLines(painter, {"Verslag", "Report"}, sansFont(19), colour::kInk,
            kLanguageReportPanel.right() + 14, kLanguageReportPanel.center().y(), Align::Left);
  drawControlWell(painter, kLanguageExitPanel, 5);
  drawLines(painter, {"Uitgang", "Exit"}, sansFont(19), colour::kInk,
            kLanguageExitPanel.left() - 14, kLanguageExitPanel.center().y(), Align::Right);
}

void namePage(QPainter& painter, Language language) {
  paperPage(painter);
  drawStars(painter, {{120, 95}, {680, 95}, {700, 540}, {90, 250}}, 14);
  // The field and button places are drawn in every variant, so the neutral page that
  // turns towards this screen already shows where they will be.
  const QRectF field(kNameField);
  painter.setPen(Qt::NoPen);
  painter.setBrush(colour::kTeal);
  painter.drawRoundedRect(field.adjusted(-7, -7, 7, 7), 10, 10);
  painter.setBrush(colour::kNameField);
  painter.drawRect(field.adjusted(-2, -2, 2, 2));
  // One white pad holds both hand buttons, whose panels are white too.
  painter.setPen(QPen(colour::kTeal, 3));
  painter.setBrush(Qt::white);
  painter.drawRoundedRect(QRectF(kLeftHandPanel.united(kRightHandPanel)).adjusted(-7, -7, 7, 7),
                          9, 9);
  drawMouse(painter, QPointF(150, 470));
  if (language == Language::Neutral) return;

  const Wording& words = wording(language);
  drawHeading(painter, words.hello, sansFont(52), colour::kHeading, 400, 92, Align::Centre);
  drawLine(painter, words.helloLine, sansFont(26, false), colour::kInk, 400, 150,
           Align::Centre);
  drawLine(painter, words.namePrompt, sansFont(28), colour::kInk, kNameField.left() - 20,
           kNameField.center().y() + 1, Align::Right);
  const QFont questionFont = sansFont(22);
  const int questionRight = kLeftHandPanel.left() - 22;
  drawLines(painter, splitToFit(words.handQuestion, questionFont, questionRight - 220),
            questionFont, colour::kInk, questionRight, kLeftHandPanel.center().y() + 1,
            Align::Right);
  const QFont labelFont = sansFont(17);
  const int labelY = kLeftHandPanel.bottom() + 22;
  drawLine(painter, words.leftHand, labelFont, colour::kTeal, kLeftHandPanel.center().x() + 1,
           labelY, Align::Centre);
  drawLine(painter, words.rightHand, labelFont, colour::kTeal,
           kRightHandPanel.center().x() + 1, labelY, Align::Centre);
}

void drawColumnHeading(QPainter& painter, const QString& text, int left) {
  constexpr int kCentreY = 118;
  const QFont font = sansFont(21);
  painter.setPen(QPen(colour::kBorder, 2));
  painter.drawLine(left, kCentreY + 14, left + textWidth(font, text), kCentreY + 14);
  drawLine(painter, text, font, colour::kTeal, left, kCentreY, Align::Left);
}

void menuPage(QPainter& painter, Language language) {
  paperPage(painter);
  const Wording& words = wording(language);
  drawHeading(painter, words.menuTitle, sansFont(40), colour::kHeading, 400, 62, Align::Centre);
  const int titleHalf = textWidth(sansFont(40), words.menuTitle) / 2;
  drawStars(painter, {{400.0 - titleHalf - 34, 62}, {400.0 + titleHalf + 34, 62}}, 14);

  drawColumnHeading(painter, words.languageColumn, 77);
  drawColumnHeading(painter, words.mathsColumn, 470);
  painter.setPen(QPen(colour::kBorder, 2, Qt::DotLine));
  painter.drawLine(426, 104, 426, 560);

  // Each name lies inside its click area, right of its lamp; the names of a column share
  // one left edge although their lamps differ by a pixel.
  const auto nameLeft = [](std::size_t option) {
    const bool leftColumn = option < 5;
    int right = 0;
    for (std::size_t i = leftColumn ? 0 : 5; i < (leftColumn ? 5 : kOptions.size()); ++i)
      right = std::max(right, kOptions[i].lamp.right());
    return right + kNameGap;
  };
  std::vector<PlacedText> names;
  for (std::size_t i = 0; i < kOptions.size(); ++i)
    names.push_back({words.activities[i], kOptions[i].area.right() - 2 - nameLeft(i),
                     kOptions[i].area.height()});
  const QFont nameFont = commonFont(names, 25, 16);
  for (std::size_t i = 0; i < kOptions.size(); ++i) {
    const OptionPlace& place = kOptions[i];
    drawLamp(painter, QRectF(place.lamp), Lamp::Dark);
    const QStringList lines = splitToFit(names[i].text, nameFont, names[i].width);
    const int centreY =
        lines.size() == 1 ? place.lamp.center().y() + 1 : place.area.center().y() + 1;
    drawLines(painter, lines, nameFont, colour::kInk, nameLeft(i), centreY, Align::Left,
              nameLineStep(nameFont));
  }

  const QFont labelFont = sansFont(21);
  const std::array<std::pair<QRect, QString>, 3> buttons{
      {{kBackPanel, words.back}, {kMenuExitPanel, words.exit}, {kMenuReportPanel, words.report}}};
  int labelLeft = 0;
  for (const auto& [panel, label] : buttons) labelLeft = std::max(labelLeft, panel.right() + 13);
  for (const auto& [panel, label] : buttons) {
    drawControlWell(painter, panel, 4);
    drawLine(painter, label, labelFont, colour::kInk, labelLeft, panel.center().y() + 1,
             Align::Left);
  }
  drawLines(painter, splitToFit(words.menuHint, sansFont(18, false), 340), sansFont(18, false),
            colour::kInk, 77, 528, Align::Left);
  drawSymbolBubble(painter, {665, 372}, 27, QColor(232, 118, 44), "+");
  drawSymbolBubble(painter, {733, 372}, 27, colour::kSky, "−");
  drawSymbolBubble(painter, {665, 440}, 27, colour::kLeaf, "×");
  drawSymbolBubble(painter, {733, 440}, 27, QColor(214, 84, 120), "÷");
}

void launchPage(QPainter& painter, Language language) {
  paperPage(painter);
  const Wording& words = wording(language);
  drawStars(painter, {{140, 150}, {660, 150}, {200, 450}, {610, 460}, {400, 100}}, 16);
  drawHeading(painter, words.launching, sansFont(44), colour::kHeading, 430, 260, Align::Centre);
  drawLine(painter, words.goodLuck, sansFont(32), colour::kTeal, 430, 325, Align::Centre);
  drawPlaySign(painter, QPointF(430, 425), 46);
}

void goodbyePage(QPainter& painter) {
  paperPage(painter);
  drawSun(painter, QPointF(400, 145), 52, true);
  drawStars(painter, {{150, 130}, {650, 130}, {180, 420}, {620, 430}, {250, 250}, {560, 255}},
            16);
  drawHeading(painter, "Totsiens!", sansFont(76), colour::kHeading, 400, 300, Align::Centre);
  drawHeading(painter, "Goodbye!", sansFont(58), colour::kTeal, 400, 385, Align::Centre);
  drawLine(painter, "Kom gou weer!   •   Come back soon!", sansFont(24, false), colour::kInk,
           400, 465, Align::Centre);
}

PagePainter page(void (*paint)(QPainter&, Language), Language language) {
  return [paint, language](QPainter& painter) { paint(painter, language); };
}

PagePainter languageScreen(Highlight highlight = Highlight::None) {
  return [highlight](QPainter& painter) { languagePage(painter, highlight); };
}

QString frameName(int number, const QString& suffix) {
  return QString("m%1%2.jpg").arg(number).arg(suffix);
}

}  // namespace

std::vector<NamedImage> drawMenuFrames() {
  std::vector<NamedImage> frames;
  const PagePainter title = titlePage;
  frames.push_back({frameName(1, ""), drawFrame(title, 1)});
  frames.push_back({frameName(2, ""), drawPageTurn(title, languageScreen(), 0.35, 2)});
  frames.push_back({frameName(3, ""), drawPageTurn(title, languageScreen(), 0.7, 3)});
  frames.push_back({frameName(4, ""), drawFrame(languageScreen(), 4)});
  // Frame 5 is shown before the language pictures begin, so it turns towards the name
  // screen's places without its words.
  frames.push_back({frameName(5, ""),
                    drawPageTurn(languageScreen(), page(namePage, Language::Neutral), 0.4, 5)});
  for (Language language : {Language::Afrikaans, Language::English}) {
    const QString suffix = wording(language).fileSuffix;
    const PagePainter name = page(namePage, language);
    const PagePainter menu = page(menuPage, language);
    const PagePainter launch = page(launchPage, language);
    frames.push_back({frameName(6, suffix), drawPageTurn(languageScreen(), name, 0.78, 6)});
    frames.push_back({frameName(7, suffix), drawFrame(name, 7)});
    frames.push_back({frameName(8, suffix), drawPageTurn(name, menu, 0.4, 8)});
    frames.push_back({frameName(9, suffix), drawPageTurn(name, menu, 0.78, 9)});
    frames.push_back({frameName(10, suffix), drawFrame(menu, 10)});
    frames.push_back({frameName(11, suffix), drawPageTurn(menu, launch, 0.6, 11)});
    frames.push_back({frameName(12, suffix), drawPageTurn(menu, launch, 0.9, 12)});
  }
  frames.push_back({frameName(13, ""), drawFrame(goodbyePage, 13)});
  return frames;
}

const std::array<QString, 9>& activityNames(bool afrikaans) {
  return wording(afrikaans ? Language::Afrikaans : Language::English).activities;
}

std::vector<NamedImage> drawFormPictures() {
  std::vector<NamedImage> pictures;
  pictures.push_back({"bground.pic", drawFrame(paperPage, 0)});
  pictures.push_back({"greenled.pic", drawLampPicture(Lamp::Green)});
  pictures.push_back({"yellowled.pic", drawLampPicture(Lamp::Yellow)});
  // Cut from the whole language screen drawn highlighted, so each highlight matches the
  // frame around the choice pixel for pixel.
  pictures.push_back({"overlay_afr.pic", drawFrame(languageScreen(Highlight::Afrikaans), 4)
                                             .copy(kAfrikaansHighlight)});
  pictures.push_back({"overlay_eng.pic", drawFrame(languageScreen(Highlight::English), 4)
                                             .copy(kEnglishHighlight)});
  return pictures;
}

}  // namespace tov::suite
