#pragma once
// Hot keys on X11: a passive grab of the key on the root window, one for every combination
// of Caps Lock and Num Lock so that neither changes what is held. Control stands for
// MOD_CONTROL, Mod1 for MOD_ALT and Shift for MOD_SHIFT. The server refuses a grab that
// another client holds (BadAccess); then nothing is held. Grabs end with the connection,
// so a program that dies leaves nothing taken.

#include "platform/hotkey.h"
#include "platform/x11/x11_connection.h"

#include <vector>

namespace tov::x11 {

// The keysym of a Windows virtual-key code: letters, digits, function keys, the keypad and
// the editing and moving keys; 0 for any other code.
unsigned long keysymOfVirtualKey(unsigned virtualKey);

// The X modifier mask of MOD_ALT, MOD_CONTROL and MOD_SHIFT; other bits are ignored.
unsigned xModifiersOf(unsigned hotKeyModifiers);

class X11HotKey : public IHotKey {
 public:
  explicit X11HotKey(Connection& connection);
  // Lets go of every combination still held.
  ~X11HotKey() override;
  X11HotKey(const X11HotKey&) = delete;
  X11HotKey& operator=(const X11HotKey&) = delete;

  int addTarget(PressedHandler onPressed) override;
  void removeTarget(int target) override;
  bool registerKey(int target, unsigned virtualKey, unsigned modifiers) override;
  bool unregisterKey(int target) override;

 private:
  struct Target {
    int id = 0;
    PressedHandler onPressed;
    bool held = false;
    unsigned keycode = 0;
    unsigned modifiers = 0;  // X modifier mask, without the lock modifiers
    std::vector<unsigned> lockVariants;  // as grabbed: Num Lock's modifier may change later
  };

  Target* find(int target);
  std::vector<unsigned> currentLockVariants();
  void ungrab(const Target& target);
  void sync();
  void onEvent(const _XEvent& event);

  Connection& connection_;
  std::vector<Target> targets_;
  int nextId_ = 1;
  int eventHandlerId_ = 0;
};

}  // namespace tov::x11
