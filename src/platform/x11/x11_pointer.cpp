#include "platform/x11/x11_pointer.h"

#include "platform/guardian/undo_recorder.h"

#include <X11/Xlib.h>

#include <algorithm>

namespace tov::x11 {

std::vector<unsigned char> withButtonsSwapped(std::vector<unsigned char> mapping, bool swapped) {
  if (mapping.size() < 3) return mapping;
  mapping[0] = swapped ? 3 : 1;
  mapping[1] = 2;
  mapping[2] = swapped ? 1 : 3;
  return mapping;
}

bool mappingSwapsButtons(const std::vector<unsigned char>& mapping) {
  return mapping.size() >= 3 && mapping[0] == 3 && mapping[2] == 1;
}

X11Pointer::X11Pointer(Connection& connection, guardian::IUndoRecorder* guardian)
    : connection_(connection), guardian_(guardian) {}

std::vector<unsigned char> X11Pointer::readMapping() {
  if (connection_.lost()) return {};
  // The core protocol allows at most 255 buttons.
  unsigned char buffer[256];
  const int count = XGetPointerMapping(connection_.display(), buffer, sizeof buffer);
  if (count <= 0) return {};
  return std::vector<unsigned char>(buffer, buffer + std::min<int>(count, sizeof buffer));
}

// Normal buttons are what the menu leaves at its end, so they count as given back
// whatever the user had before; exchanged ones are undone to the mapping found before.
void X11Pointer::setButtonsSwapped(bool swapped) {
  std::vector<unsigned char> mapping = readMapping();
  // Xwayland that has gone took its mapping along; nothing is left to set or give back.
  if (connection_.lost()) return;
  const std::vector<unsigned char> wanted = withButtonsSwapped(mapping, swapped);
  bool normal = !swapped && wanted == mapping;
  if (wanted != mapping) {
    if (guardian_ && swapped && !exchangedForGuardian_) {
      guardian_->record(guardian::PointerChanged{mapping});
      exchangedForGuardian_ = true;
    }
    // MappingBusy (a button held down) leaves the mapping as it was; like the system call
    // this stands for, the outcome is not reported.
    const int status =
        XSetPointerMapping(connection_.display(), wanted.data(), int(wanted.size()));
    normal = !swapped && status == MappingSuccess;
  }
  if (guardian_ && normal && exchangedForGuardian_) {
    guardian_->record(guardian::PointerRestored{});
    exchangedForGuardian_ = false;
  }
}

bool X11Pointer::buttonsSwapped() { return mappingSwapsButtons(readMapping()); }

}  // namespace tov::x11
