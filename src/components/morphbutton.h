#pragma once
// TMorphButton: a picture button on a panel, showing its first picture.

#include <QWidget>
#include <functional>
#include <string>

#include "imaging/picture.h"
#include "ui/cursors.h"

namespace tov {

class TMorphButton : public QWidget {
 public:
  TMorphButton(QWidget& parent, std::string name);

  const std::string& Name() const { return name_; }
  void setBounds(int left, int top, int width, int height) { setGeometry(left, top, width, height); }

  Picture& Picture1() { return picture1_; }
  Picture& Picture2() { return picture2_; }
  int Rate() const { return rate_; }
  void setRate(int rate) { rate_ = rate; }
  bool StretchToFit() const { return stretchToFit_; }
  void setStretchToFit(bool stretch);
  void setCursorId(TCursor cursor);
  void picturesChanged() { update(); }

  std::function<void(QWidget* sender)> OnClick;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  std::string name_;
  Picture picture1_;
  Picture picture2_;
  int rate_ = 250;
  bool stretchToFit_ = true;
};

}  // namespace tov
