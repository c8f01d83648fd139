#include "platform/win32/win32_hotkey.h"

namespace tov::win32 {

namespace {
// Identifiers a program may give its hot keys (those above are a library's, from atoms).
constexpr int kLastProgramId = 0xBFFF;
constexpr unsigned kModifierBits = kModAlt | kModControl | kModShift;
}  // namespace

Win32HotKey::Win32HotKey()
    : window_(std::make_unique<MessageWindow>([this](UINT message, WPARAM wParam, LPARAM, LRESULT&) {
        if (message != WM_HOTKEY) return false;
        pressed(int(wParam));
        return true;
      })) {}

Win32HotKey::~Win32HotKey() {
  for (auto& [id, target] : targets_)
    if (target.held) UnregisterHotKey(window_->handle(), id);
}

int Win32HotKey::addTarget(PressedHandler onPressed) {
  // Identifiers are not given twice while targets live; after the last one the first free
  // one is taken again.
  int id = lastId_;
  do {
    id = id >= kLastProgramId ? 1 : id + 1;
  } while (targets_.count(id) != 0);
  lastId_ = id;
  targets_[id] = Target{std::move(onPressed), false};
  return id;
}

void Win32HotKey::removeTarget(int target) {
  unregisterKey(target);
  targets_.erase(target);
}

bool Win32HotKey::registerKey(int target, unsigned virtualKey, unsigned modifiers) {
  const auto found = targets_.find(target);
  if (found == targets_.end()) return false;
  unregisterKey(target);
  found->second.held = RegisterHotKey(window_->handle(), target, modifiers & kModifierBits, virtualKey) != 0;
  return found->second.held;
}

bool Win32HotKey::unregisterKey(int target) {
  const auto found = targets_.find(target);
  if (found == targets_.end() || !found->second.held) return false;
  found->second.held = false;
  UnregisterHotKey(window_->handle(), target);
  return true;
}

void Win32HotKey::pressed(int target) {
  const auto found = targets_.find(target);
  if (found == targets_.end() || !found->second.held || !found->second.onPressed) return;
  // A copy: the handler may remove its own target.
  const PressedHandler onPressed = found->second.onPressed;
  onPressed();
}

}  // namespace tov::win32
