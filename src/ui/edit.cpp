#include "ui/edit.h"

#include <QKeyEvent>
#include <algorithm>

#include "ui/application.h"

namespace tov {

namespace {
char32_t keyCharOf(const QKeyEvent& event) {
  switch (event.key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter: return 13;
    case Qt::Key_Backspace: return 8;
    case Qt::Key_Escape: return 27;
    default: break;
  }
  // Ctrl with a letter types that letter's control character (Ctrl+A 1 ... Ctrl+Z 26), whatever
  // text a keyboard source puts with it: X gives the control character, others the letter.
  const Qt::KeyboardModifiers chord = event.modifiers() & (Qt::ControlModifier | Qt::AltModifier);
  if (chord == Qt::ControlModifier && event.key() >= Qt::Key_A && event.key() <= Qt::Key_Z)
    return char32_t(event.key() - Qt::Key_A + 1);
  const QString text = event.text();
  if (text.isEmpty()) return 0;
  const char32_t typed = text.toUcs4().value(0);
  return typed < 32 || text.at(0).isPrint() ? typed : 0;
}
}  // namespace

TEdit::TEdit(QWidget& parent, std::string name) : QLineEdit(&parent), name_(std::move(name)), formFont_(font()) {
  setObjectName(QString::fromStdString(name_));
  setFrame(false);
  // Text put in by any way other than a key (paste, drop) is upper-cased as well.
  connect(this, &QLineEdit::textEdited, this, [this] { normaliseWholeText(); });
}

void TEdit::setFont(const QFont& font) {
  formFont_ = font;
  QLineEdit::setFont(scaledFont(formFont_, scale_));
}

void TEdit::present(QSize, double scale, QPointF) {
  if (scale == scale_) return;
  scale_ = scale;
  QLineEdit::setFont(scaledFont(formFont_, scale_));
}

QString TEdit::normalised(const QString& text) const {
  QString result = text.toUpper();
  for (const QChar c : rejected_) result.remove(c);
  return result;
}

void TEdit::normaliseWholeText() {
  const QString fixed = normalised(text());
  if (fixed == text()) return;
  const int cursor = std::min(cursorPosition(), int(fixed.size()));
  QLineEdit::setText(fixed);
  setCursorPosition(cursor);
}

void TEdit::typeText(const QString& typed) { insert(normalised(typed)); }

void TEdit::keyPressEvent(QKeyEvent* event) {
  char32_t key = keyCharOf(*event);
  if (key >= 32 && normalised(QString::fromUcs4(&key, 1)).isEmpty()) return;  // a rejected key
  if (key != 0 && OnKeyPress) {
    Application::guarded([&] { OnKeyPress(this, key); });
    if (key == 0) return;
  }
  if (key >= 32) {
    typeText(QString::fromUcs4(&key, 1));
    return;
  }
  QLineEdit::keyPressEvent(event);
}

}  // namespace tov
