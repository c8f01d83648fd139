#include "components/globalhotkey.h"

#include "ui/application.h"

namespace tov {

namespace {

constexpr std::uint16_t kModifierBits = scShift | scCtrl | scAlt;

unsigned virtualKeyOf(std::uint16_t shortcut) { return shortcut & ~kModifierBits; }

unsigned hotKeyModifiersOf(std::uint16_t shortcut) {
  unsigned modifiers = 0;
  if (shortcut & scCtrl) modifiers |= kModControl;
  if (shortcut & scAlt) modifiers |= kModAlt;
  if (shortcut & scShift) modifiers |= kModShift;
  return modifiers;
}

TShiftState shiftStateOf(std::uint16_t shortcut) {
  TShiftState shift = 0;
  if (shortcut & scShift) shift |= ssShift;
  if (shortcut & scCtrl) shift |= ssCtrl;
  if (shortcut & scAlt) shift |= ssAlt;
  return shift;
}

}  // namespace

TGlobalHotKey::TGlobalHotKey(IHotKey& hotKeys)
    : hotKeys_(hotKeys), identifier_(hotKeys.addTarget([this] { WMHotKey(); })) {}

TGlobalHotKey::~TGlobalHotKey() {
  if (hotKey_ != 0) setHotKey(0);
  hotKeys_.removeTarget(identifier_);
}

void TGlobalHotKey::setHotKey(std::uint16_t value) {
  if (value == hotKey_) return;
  if (active_) {
    if (value != 0)
      registerHotKey(value);
    else
      unregisterHotKey();
  }
  hotKey_ = value;
}

void TGlobalHotKey::setActive(bool value) {
  if (value == active_) return;
  active_ = value;
  if (active_)
    registerHotKey(hotKey_);
  else if (hotKey_ != 0)
    unregisterHotKey();
}

// A combination that another program holds stays with it: the result is not needed.
void TGlobalHotKey::registerHotKey(std::uint16_t shortcut) {
  hotKeys_.registerKey(identifier_, virtualKeyOf(shortcut), hotKeyModifiersOf(shortcut));
}

void TGlobalHotKey::unregisterHotKey() { hotKeys_.unregisterKey(identifier_); }

void TGlobalHotKey::WMHotKey() {
  if (!OnKeyDown) return;
  std::uint16_t key = std::uint16_t(virtualKeyOf(hotKey_));
  const TShiftState shift = shiftStateOf(hotKey_);
  Application::guarded([&] { OnKeyDown(this, key, shift); });
}

}  // namespace tov
