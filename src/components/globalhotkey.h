#pragma once
// TGlobalHotKey: holds one key combination for the whole desktop while it is Active and
// HotKey is set. Pressing it anywhere reaches this component (OnKeyDown, if assigned) and
// no other program; with no handler it does nothing at all.

#include <cstdint>
#include <functional>

#include "platform/hotkey.h"
#include "ui/control.h"

namespace tov {

// The modifier bits of a shortcut; the rest is the virtual-key code.
inline constexpr std::uint16_t scShift = 0x2000;
inline constexpr std::uint16_t scCtrl = 0x4000;
inline constexpr std::uint16_t scAlt = 0x8000;

class TGlobalHotKey {
 public:
  using KeyEvent = std::function<void(TGlobalHotKey* sender, std::uint16_t& key, TShiftState shift)>;

  explicit TGlobalHotKey(IHotKey& hotKeys);
  // Lets go of the combination.
  ~TGlobalHotKey();
  TGlobalHotKey(const TGlobalHotKey&) = delete;
  TGlobalHotKey& operator=(const TGlobalHotKey&) = delete;

  bool Active() const { return active_; }
  // True registers the current HotKey; false lets go of it.
  void setActive(bool value);
  std::uint16_t HotKey() const { return hotKey_; }
  // While Active: a new non-zero value is registered, 0 lets go of the old one.
  void setHotKey(std::uint16_t value);
  KeyEvent OnKeyDown;

  // The combination was pressed.
  void WMHotKey();

 private:
  void registerHotKey(std::uint16_t shortcut);
  void unregisterHotKey();

  IHotKey& hotKeys_;
  int identifier_;
  bool active_ = true;
  std::uint16_t hotKey_ = 0;
};

}  // namespace tov
