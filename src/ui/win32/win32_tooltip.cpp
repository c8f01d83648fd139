#include "ui/win32/win32_tooltip.h"

#include <commctrl.h>

namespace tov::win32 {

namespace {

struct ToolTip {
  HWND window = nullptr;
  HWND owner = nullptr;  // the window whose hint is shown; null while none is
  std::wstring text;     // the tool's text points here while shown
};

// The user-interface thread is the only one that shows hints.
ToolTip& toolTip() {
  static ToolTip instance;
  return instance;
}

TOOLINFOW toolOf(ToolTip& tip) {
  TOOLINFOW tool{};
  tool.cbSize = sizeof tool;
  tool.uFlags = TTF_TRACK | TTF_ABSOLUTE;
  tool.hwnd = tip.window;
  tool.uId = 1;
  tool.lpszText = tip.text.data();
  return tool;
}

bool ensureWindow(ToolTip& tip) {
  if (tip.window) return true;
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
  InitCommonControlsEx(&controls);
  tip.window = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
  if (!tip.window) return false;
  TOOLINFOW tool = toolOf(tip);
  SendMessageW(tip.window, TTM_ADDTOOLW, 0, LPARAM(&tool));
  return true;
}

}  // namespace

void showToolTip(HWND owner, const std::wstring& text, POINT screenPosition) {
  ToolTip& tip = toolTip();
  if (!ensureWindow(tip)) return;
  tip.owner = owner;
  tip.text = text;
  TOOLINFOW tool = toolOf(tip);
  SendMessageW(tip.window, TTM_UPDATETIPTEXTW, 0, LPARAM(&tool));
  SendMessageW(tip.window, TTM_TRACKPOSITION, 0, MAKELPARAM(screenPosition.x, screenPosition.y));
  SendMessageW(tip.window, TTM_TRACKACTIVATE, TRUE, LPARAM(&tool));
}

void hideToolTip(HWND owner) {
  ToolTip& tip = toolTip();
  if (!tip.window || tip.owner != owner) return;
  tip.owner = nullptr;
  TOOLINFOW tool = toolOf(tip);
  SendMessageW(tip.window, TTM_TRACKACTIVATE, FALSE, LPARAM(&tool));
}

bool showsToolTip(HWND owner) { return owner && toolTip().owner == owner; }

}  // namespace tov::win32
