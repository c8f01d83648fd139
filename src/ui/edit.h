#pragma once
// A single-line edit box whose text is always upper case, with a key-press event that sees
// every character key before the box applies it.

#include <QLineEdit>
#include <functional>
#include <string>

#include "ui/controlhost.h"

namespace tov {

class TEdit : public QLineEdit, public PresentedWindow {
 public:
  TEdit(QWidget& parent, std::string name);

  // The font at the form's own size; the box shows it scaled with the form.
  void setFont(const QFont& font);
  void present(QSize size, double scale, QPointF origin) override;

  const std::string& Name() const { return name_; }
  std::string Text() const { return text().toStdString(); }
  void setText(const std::string& text) { QLineEdit::setText(QString::fromStdString(text)); }
  void setBounds(int left, int top, int width, int height) { ControlHost::placeChild(*this, {left, top, width, height}); }
  bool Visible() const { return !isHidden(); }
  void SetFocus() { setFocus(Qt::OtherFocusReason); }

  // The character of a key (13 Enter, 8 Backspace, 27 Escape, 1 to 26 for Ctrl+A to Ctrl+Z,
  // else the typed character), before the box applies it. Setting it to 0 swallows the key.
  std::function<void(TEdit* sender, char32_t& key)> OnKeyPress;

  // Upper-cases and applies what a key would type; for tests and for pasted text alike.
  void typeText(const QString& typed);

  // Characters the box never takes in, typed or pasted.
  void setRejectedCharacters(const QString& rejected) { rejected_ = rejected; }

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void normaliseWholeText();
  QString normalised(const QString& text) const;

  std::string name_;
  QString rejected_;
  QFont formFont_;
  double scale_ = 1.0;
};

}  // namespace tov
