#pragma once
// The system-wide exchange of the left and right mouse buttons.

namespace tov {

class IPointer {
 public:
  virtual ~IPointer() = default;
  // Not stored in any user profile: lasts until set again or the session ends.
  virtual void setButtonsSwapped(bool swapped) = 0;
  virtual bool buttonsSwapped() = 0;
};

}  // namespace tov
