#pragma once
// The program's message boxes on Qt: its captions, its buttons with their accelerators, and
// the owner that keeps a box in front of the program's windows. Over a full-screen window in
// a Wayland session, which the compositor may keep above any other window, a box is drawn
// inside that window, in its middle, and its controls hear nothing while it is up.

#include "ui/application.h"

namespace tov::qt {

ModalResult showMessageBox(const Application::MessageRequest& request);

}  // namespace tov::qt
