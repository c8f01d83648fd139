#pragma once
// The left and right mouse buttons exchanged for the program's own widgets (see
// ui/mirrored_buttons.h), by an event filter on the whole application.

#include <QObject>

namespace tov::qt {

class ButtonMirror : public QObject {
 public:
  // Watches every event of the application from now on; mirrors nothing until told.
  ButtonMirror();
  ~ButtonMirror() override;

  void setMirrored(bool mirrored) { mirrored_ = mirrored; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  bool mirrored_ = false;
  bool forwarding_ = false;  // the exchanged event on its way: not exchanged again
};

}  // namespace tov::qt
