#pragma once
// The left and right mouse buttons exchanged for this program's own windows: what a
// left-handed pupil gets where the desktop offers no setting of its own that the program may
// change. Every press, release and double click of either button on one of our widgets
// arrives as the other; the buttons held, as moves report them, are exchanged too.

#include <QObject>

namespace tov {

class MirroredMouseButtons : public QObject {
 public:
  // Watches every event of the application from now on; mirrors nothing until told.
  MirroredMouseButtons();
  ~MirroredMouseButtons() override;

  void setMirrored(bool mirrored) { mirrored_ = mirrored; }
  bool mirrored() const { return mirrored_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  bool mirrored_ = false;
  bool forwarding_ = false;  // the exchanged event on its way: not exchanged again
};

}  // namespace tov
