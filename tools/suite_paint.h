#pragma once
// The look shared by every demo picture: a book cover around a cream page with a
// decorated border, fonts, text helpers, small ornaments and the page turn.

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QRect>
#include <QString>

#include <functional>

namespace tov::suite {

namespace colour {
inline const QColor kCover{196, 84, 38};          // the book cover around the page
inline const QColor kCoverDark{150, 58, 24};
inline const QColor kPaper{255, 246, 224};        // flat, so the lamp pictures blend in
inline const QColor kPaperBack{242, 228, 198};    // the back of a turning page
inline const QColor kBorder{240, 160, 75};
inline const QColor kInk{74, 44, 23};             // body text
inline const QColor kHeading{181, 68, 27};
inline const QColor kTeal{31, 111, 120};
inline const QColor kSun{255, 201, 60};
inline const QColor kLeaf{91, 170, 60};
inline const QColor kSky{59, 139, 208};
inline const QColor kNameField{167, 181, 207};    // the name field's own background
}  // namespace colour

// Draws one page's content; the painter is clipped to the page.
using PagePainter = std::function<void(QPainter&)>;

// The page: the window less the cover band, with a round notch at the top left where the
// mute picture sits on plain cover.
QPainterPath pagePath();
QRect pageRect();

// A full frame: cover, then the page painted by content (which starts with paperPage()).
QImage drawFrame(const PagePainter& content, int frameNumber);

// A frame in which the page painted by front is turned from its lower right corner,
// showing under it the page painted by next. progress 0 shows front whole, 1 shows next.
QImage drawPageTurn(const PagePainter& front, const PagePainter& next, double progress,
                    int frameNumber);

// Plain paper with the decorated border; every page content starts with it.
void paperPage(QPainter& painter);

// Liberation Sans (Arial's metrics), else DejaVu Sans.
QFont sansFont(int pixelSize, bool bold = true);

enum class Align { Left, Centre, Right };

// Text on one line, vertically centred on centreY, placed by align at x.
void drawLine(QPainter& painter, const QString& text, const QFont& font, const QColor& colour,
              int x, int centreY, Align align);
// As drawLine, with a soft shadow for headings.
void drawHeading(QPainter& painter, const QString& text, const QFont& font,
                 const QColor& colour, int x, int centreY, Align align);
int textWidth(const QFont& font, const QString& text);

// Ornaments.
void drawStar(QPainter& painter, QPointF centre, double radius, const QColor& colour,
              double turn = 0.0);
void drawSymbolBubble(QPainter& painter, QPointF centre, double radius, const QColor& colour,
                      const QString& symbol);
// A soft hollow around a control that will lie there, so that it sits in the page.
void drawControlWell(QPainter& painter, const QRect& control, int margin);
void drawFrameNumber(QPainter& painter, int frameNumber);

}  // namespace tov::suite
