#include "platform/x11/x11_hotkey.h"

#include <X11/Xlib.h>
#include <X11/keysym.h>

#include <algorithm>

namespace tov::x11 {

namespace {

struct KeyRange {
  unsigned firstVirtualKey, lastVirtualKey;
  unsigned long firstKeysym;
};

// Windows virtual-key codes run in the same order as the keysyms of these ranges.
constexpr KeyRange kKeyRanges[] = {
    {0x08, 0x08, XK_BackSpace}, {0x09, 0x09, XK_Tab},     {0x0D, 0x0D, XK_Return},
    {0x13, 0x13, XK_Pause},     {0x1B, 0x1B, XK_Escape},  {0x20, 0x20, XK_space},
    {0x21, 0x21, XK_Prior},     {0x22, 0x22, XK_Next},    {0x23, 0x23, XK_End},
    {0x24, 0x24, XK_Home},      {0x25, 0x28, XK_Left},    {0x2C, 0x2C, XK_Print},
    {0x2D, 0x2D, XK_Insert},    {0x2E, 0x2E, XK_Delete},  {0x30, 0x39, XK_0},
    {0x41, 0x5A, XK_a},         {0x60, 0x69, XK_KP_0},    {0x6A, 0x6A, XK_KP_Multiply},
    {0x6B, 0x6B, XK_KP_Add},    {0x6D, 0x6D, XK_KP_Subtract}, {0x6E, 0x6E, XK_KP_Decimal},
    {0x6F, 0x6F, XK_KP_Divide}, {0x70, 0x87, XK_F1},
};

constexpr unsigned kHeldModifiers = ShiftMask | ControlMask | Mod1Mask;

}  // namespace

unsigned long keysymOfVirtualKey(unsigned virtualKey) {
  for (const KeyRange& range : kKeyRanges)
    if (virtualKey >= range.firstVirtualKey && virtualKey <= range.lastVirtualKey)
      return range.firstKeysym + (virtualKey - range.firstVirtualKey);
  return 0;
}

unsigned xModifiersOf(unsigned hotKeyModifiers) {
  unsigned mask = 0;
  if (hotKeyModifiers & kModAlt) mask |= Mod1Mask;
  if (hotKeyModifiers & kModControl) mask |= ControlMask;
  if (hotKeyModifiers & kModShift) mask |= ShiftMask;
  return mask;
}

X11HotKey::X11HotKey(Connection& connection) : connection_(connection) {
  eventHandlerId_ = connection_.addEventHandler([this](const XEvent& event) { onEvent(event); });
}

X11HotKey::~X11HotKey() {
  connection_.removeEventHandler(eventHandlerId_);
  for (const Target& target : targets_)
    if (target.held) ungrab(target);
  sync();
}

int X11HotKey::addTarget(PressedHandler onPressed) {
  Target target;
  target.id = nextId_;
  target.onPressed = std::move(onPressed);
  targets_.push_back(std::move(target));
  return nextId_++;
}

void X11HotKey::removeTarget(int target) {
  unregisterKey(target);
  std::erase_if(targets_, [target](const Target& t) { return t.id == target; });
}

bool X11HotKey::registerKey(int targetId, unsigned virtualKey, unsigned modifiers) {
  Target* target = find(targetId);
  // Xwayland that has gone holds no key any more, nor will it.
  if (!target || connection_.lost()) return false;
  unregisterKey(targetId);
  const unsigned long keysym = keysymOfVirtualKey(virtualKey);
  const unsigned keycode = keysym ? XKeysymToKeycode(connection_.display(), keysym) : 0;
  if (keycode == 0) return false;
  target->keycode = keycode;
  target->modifiers = xModifiersOf(modifiers);
  target->lockVariants = currentLockVariants();
  Connection::ErrorTrap trap(connection_);
  for (unsigned lock : target->lockVariants)
    XGrabKey(connection_.display(), int(keycode), target->modifiers | lock, connection_.root(), False,
             GrabModeAsync, GrabModeAsync);
  // All or nothing: a combination that is only partly ours would reach the other program
  // with one lock state and us with another.
  if (trap.failed()) {
    ungrab(*target);
    sync();
    return false;
  }
  target->held = true;
  return true;
}

bool X11HotKey::unregisterKey(int targetId) {
  Target* target = find(targetId);
  if (!target || !target->held) return false;
  ungrab(*target);
  target->held = false;
  // Free for others when this returns: the server orders requests of different clients by
  // when it reads them, not by when they were sent.
  sync();
  return true;
}

X11HotKey::Target* X11HotKey::find(int target) {
  auto found = std::find_if(targets_.begin(), targets_.end(), [target](const Target& t) { return t.id == target; });
  return found == targets_.end() ? nullptr : &*found;
}

// Caps Lock is always Lock; Num Lock is whichever of Mod1 to Mod5 carries its key.
std::vector<unsigned> X11HotKey::currentLockVariants() {
  Display* display = connection_.display();
  unsigned numLock = 0;
  const KeyCode numLockKey = XKeysymToKeycode(display, XK_Num_Lock);
  if (XModifierKeymap* map = XGetModifierMapping(display)) {
    for (int modifier = Mod1MapIndex; modifier <= Mod5MapIndex && numLockKey; ++modifier)
      for (int k = 0; k < map->max_keypermod; ++k)
        if (map->modifiermap[modifier * map->max_keypermod + k] == numLockKey) numLock = 1u << modifier;
    XFreeModifiermap(map);
  }
  // Num Lock on a modifier we hold ourselves cannot vary independently of it.
  if (numLock & kHeldModifiers) numLock = 0;
  std::vector<unsigned> variants{0, LockMask};
  if (numLock) variants.insert(variants.end(), {numLock, numLock | LockMask});
  return variants;
}

// Ungrabbing touches only this client's grabs, so it is safe for combinations that another
// client holds. A server that has gone took the grabs with it.
void X11HotKey::ungrab(const Target& target) {
  if (connection_.lost()) return;
  for (unsigned lock : target.lockVariants)
    XUngrabKey(connection_.display(), int(target.keycode), target.modifiers | lock, connection_.root());
}

void X11HotKey::sync() {
  if (!connection_.lost()) XSync(connection_.display(), False);
}

void X11HotKey::onEvent(const XEvent& event) {
  if (event.type != KeyPress || event.xkey.window != connection_.root()) return;
  for (const Target& target : targets_) {
    if (!target.held || target.keycode != event.xkey.keycode ||
        (event.xkey.state & kHeldModifiers) != target.modifiers)
      continue;
    // A copy: the handler may remove its own target.
    const PressedHandler handler = target.onPressed;
    if (handler) handler();
    return;
  }
}

}  // namespace tov::x11
