#pragma once
// The program's message boxes on Win32: MessageBoxW with the caption and text the layer
// gives, the icon of the kind, OK or Yes and No (in the system's language, with the system's
// accelerators), the first button the default; application modal over the active form.

#include <windows.h>

#include "ui/application.h"

namespace tov::win32 {

// MessageBoxW's buttons, icon and default button for a request.
UINT messageBoxStyle(const Application::MessageRequest& request);
ModalResult showMessageBox(const Application::MessageRequest& request);

}  // namespace tov::win32
