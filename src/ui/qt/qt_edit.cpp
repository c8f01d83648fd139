#include "ui/qt/qt_edit.h"

#include <QKeyEvent>
#include <QPalette>
#include <algorithm>

#include "ui/qt/qt_convert.h"

namespace tov::qt {

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

EditWidget::EditWidget(ui::EditEvents& events, QWidget& parent, const std::string& name)
    : QLineEdit(&parent), events_(&events), formFont_(font()) {
  setObjectName(QString::fromStdString(name));
  setFrame(false);
  // Text put in by any way other than a key (paste, drop) is upper-cased as well.
  connect(this, &QLineEdit::textEdited, this, [this] { normaliseWholeText(); });
}

EditWidget::~EditWidget() { events_ = nullptr; }

void EditWidget::setFormFont(const QFont& font) {
  formFont_ = font;
  QLineEdit::setFont(scaledFont(formFont_, scale_));
}

void EditWidget::present(QSize, double scale, QPointF) {
  if (scale == scale_) return;
  scale_ = scale;
  QLineEdit::setFont(scaledFont(formFont_, scale_));
}

QString EditWidget::normalised(const QString& text) const {
  QString result = text.toUpper();
  for (const QChar c : rejected_) result.remove(c);
  return result;
}

void EditWidget::normaliseWholeText() {
  const QString fixed = normalised(text());
  if (fixed == text()) return;
  const int cursor = std::min(cursorPosition(), int(fixed.size()));
  QLineEdit::setText(fixed);
  setCursorPosition(cursor);
}

void EditWidget::typeText(const QString& typed) { insert(normalised(typed)); }

void EditWidget::keyPressEvent(QKeyEvent* event) {
  char32_t key = keyCharOf(*event);
  if (key >= 32 && normalised(QString::fromUcs4(&key, 1)).isEmpty()) return;  // a rejected key
  if (key != 0 && events_) {
    key = events_->keyTyped(key);
    if (key == 0) return;
  }
  if (key >= 32) {
    typeText(QString::fromUcs4(&key, 1));
    return;
  }
  QLineEdit::keyPressEvent(event);
}

QtEdit::QtEdit(ui::EditEvents& events, QtWindow& parent, const std::string& name)
    : widget_(new EditWidget(events, parent.widget(), name)) {}

QtEdit::~QtEdit() {
  widget_->detach();
  delete widget_;
}

void QtEdit::setBounds(const Rect& bounds) { WindowWidget::placeChild(*widget_, toQRect(bounds)); }

void QtEdit::setVisible(bool visible) { widget_->setVisible(visible); }

bool QtEdit::visible() const { return !widget_->isHidden(); }

void QtEdit::setFocus() { widget_->setFocus(Qt::OtherFocusReason); }

bool QtEdit::hasFocus() const { return widget_->hasFocus(); }

std::string QtEdit::text() const { return widget_->text().toStdString(); }

void QtEdit::setText(const std::string& text) { widget_->setText(QString::fromStdString(text)); }

void QtEdit::typeText(const std::string& text) { widget_->typeText(QString::fromStdString(text)); }

void QtEdit::setFont(const ui::Font& font) {
  QFont qtFont(QString::fromStdString(font.family));
  qtFont.setBold(font.bold);
  if (font.pixelSize > 0) qtFont.setPixelSize(font.pixelSize);
  widget_->setFormFont(qtFont);
}

void QtEdit::setColor(Color background) {
  QPalette palette = widget_->palette();
  palette.setColor(QPalette::Base, QColor(redOf(background), greenOf(background), blueOf(background)));
  widget_->setPalette(palette);
}

void QtEdit::setRejectedCharacters(const std::string& characters) {
  widget_->setRejectedCharacters(QString::fromStdString(characters));
}

}  // namespace tov::qt
