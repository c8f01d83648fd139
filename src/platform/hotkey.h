#pragma once
// Key combinations held for the whole desktop: while held, pressing one reaches this
// program and no other.

#include <functional>

namespace tov {

// Modifiers as the Windows hot-key functions number them.
enum HotKeyModifier : unsigned { kModAlt = 1, kModControl = 2, kModShift = 4 };

class IHotKey {
 public:
  using PressedHandler = std::function<void()>;

  virtual ~IHotKey() = default;
  // A receiver of pressed combinations (the hidden window of the Windows hot-key
  // functions); its identifier is unique among the live ones, never 0. onPressed is
  // called on the user-interface thread.
  virtual int addTarget(PressedHandler onPressed) = 0;
  // Lets go of what the target holds; its handler is never called again.
  virtual void removeTarget(int target) = 0;
  // Takes virtualKey (a Windows virtual-key code) with modifiers for the target, whatever
  // the state of Caps Lock and Num Lock. Whatever the target held before is let go first,
  // so a changed combination never leaves the old one taken. False when another program
  // holds the combination or the keyboard has no such key; nothing is held then.
  virtual bool registerKey(int target, unsigned virtualKey, unsigned modifiers) = 0;
  // False when the target held nothing.
  virtual bool unregisterKey(int target) = 0;
};

}  // namespace tov
