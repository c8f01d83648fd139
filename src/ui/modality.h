#pragma once
// Which modal window is in front: the forms shown modal and the message boxes, innermost
// last. Each showing has a serial number of its own, so a window that comes again later is
// another showing. The user-interface thread is the only one that asks.

#include <cstdint>

namespace tov {

class Window;

namespace Modality {

// A modal showing of window begins (null: a message box); returns its serial number.
std::uint64_t begin(Window* window);
// The showing ended (its window closed); ending it twice does nothing.
void end(std::uint64_t serial);
// The serial number of the showing in front, 0 for none.
std::uint64_t front();
// The window of the showing in front; null for none or a message box.
Window* frontWindow();

}  // namespace Modality
}  // namespace tov
