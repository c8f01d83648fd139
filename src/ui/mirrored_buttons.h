#pragma once
// The left and right mouse buttons exchanged for this program's own windows: what a
// left-handed pupil gets where the desktop offers no setting of its own that the program may
// change. Every press, release and double click of either button on one of our windows
// arrives as the other; the buttons held, as moves report them, are exchanged too. The
// backend does the exchange, before the windows hear of the mouse.

namespace tov {

class MirroredMouseButtons {
 public:
  // Mirrors nothing until told; mirrors nothing any more once gone.
  MirroredMouseButtons() = default;
  ~MirroredMouseButtons();
  MirroredMouseButtons(const MirroredMouseButtons&) = delete;
  MirroredMouseButtons& operator=(const MirroredMouseButtons&) = delete;

  void setMirrored(bool mirrored);
  bool mirrored() const { return mirrored_; }

 private:
  bool mirrored_ = false;
};

}  // namespace tov
