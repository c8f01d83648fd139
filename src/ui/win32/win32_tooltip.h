#pragma once
// The hint of the control the pointer rests on: one tracking tool tip of the common controls
// for the whole program, shown beside the pointer for the window that asked, until that
// window hides it (the pointer left the hint's area or the window, or pressed a button).

#include <windows.h>

#include <string>

namespace tov::win32 {

void showToolTip(HWND owner, const std::wstring& text, POINT screenPosition);
// Hides the hint if owner shows it.
void hideToolTip(HWND owner);
bool showsToolTip(HWND owner);

}  // namespace tov::win32
