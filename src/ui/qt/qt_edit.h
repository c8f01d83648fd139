#pragma once
// The Qt widget of the layer's edit box: a QLineEdit whose text is always upper case.

#include <QFont>
#include <QLineEdit>
#include <QString>

#include "ui/backend.h"
#include "ui/qt/qt_window.h"

namespace tov::qt {

class EditWidget : public QLineEdit, public PresentedWindow {
 public:
  EditWidget(ui::EditEvents& events, QWidget& parent, const std::string& name);
  ~EditWidget() override;
  void detach() { events_ = nullptr; }

  // The font at the form's own size; the box shows it scaled with the form.
  void setFormFont(const QFont& font);
  void present(QSize size, double scale, QPointF origin) override;
  // Upper-cases and applies what a key would type.
  void typeText(const QString& typed);
  void setRejectedCharacters(const QString& rejected) { rejected_ = rejected; }

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void normaliseWholeText();
  QString normalised(const QString& text) const;

  ui::EditEvents* events_;
  QString rejected_;
  QFont formFont_;
  double scale_ = 1.0;
};

class QtEdit final : public ui::NativeEdit {
 public:
  QtEdit(ui::EditEvents& events, QtWindow& parent, const std::string& name);
  ~QtEdit() override;
  EditWidget& widget() const { return *widget_; }

  void setBounds(const Rect& bounds) override;
  void setVisible(bool visible) override;
  bool visible() const override;
  void setFocus() override;
  bool hasFocus() const override;
  std::string text() const override;
  void setText(const std::string& text) override;
  void typeText(const std::string& text) override;
  void setFont(const ui::Font& font) override;
  void setColor(Color background) override;
  void setRejectedCharacters(const std::string& characters) override;

 private:
  EditWidget* widget_;
};

}  // namespace tov::qt
