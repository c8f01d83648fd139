#pragma once
// The program's message boxes on Qt: its captions, its buttons with their accelerators, and
// the owner that keeps a box in front of the program's windows.

#include "ui/application.h"

namespace tov::qt {

ModalResult showMessageBox(const Application::MessageRequest& request);

}  // namespace tov::qt
