#pragma once
// The exchange of the left and right mouse buttons through the core pointer mapping.
// The mapping belongs to the X server: it lasts until set again or the server ends.

#include "platform/pointer.h"
#include "platform/x11/x11_connection.h"

#include <vector>

namespace tov::guardian {
class IUndoRecorder;
}

namespace tov::x11 {

// The mapping as 3 2 1 (swapped) or 1 2 3 for the first three buttons; buttons from 4 on
// keep what they had. A mapping of fewer than three buttons is left as it is.
std::vector<unsigned char> withButtonsSwapped(std::vector<unsigned char> mapping, bool swapped);
bool mappingSwapsButtons(const std::vector<unsigned char>& mapping);

class X11Pointer : public IPointer {
 public:
  // guardian, when given, learns the mapping before the buttons are first exchanged, and
  // when they are normal again.
  explicit X11Pointer(Connection& connection, guardian::IUndoRecorder* guardian = nullptr);
  void setButtonsSwapped(bool swapped) override;
  bool buttonsSwapped() override;

 private:
  std::vector<unsigned char> readMapping();
  Connection& connection_;
  guardian::IUndoRecorder* guardian_;
  bool exchangedForGuardian_ = false;  // the guardian holds a mapping to put back
};

}  // namespace tov::x11
