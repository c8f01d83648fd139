#pragma once
// Hot keys with RegisterHotKey on a message-only window of the user-interface thread, each
// target under its own identifier; WM_HOTKEY calls the target's handler. The system ignores
// Caps Lock and Num Lock for hot keys, and refuses a combination another program holds
// (ERROR_HOTKEY_ALREADY_REGISTERED); whatever a program holds is let go when it ends.

#include <map>
#include <memory>

#include "platform/hotkey.h"
#include "platform/win32/message_window.h"

namespace tov::win32 {

class Win32HotKey : public IHotKey {
 public:
  // On the user-interface thread, whose loop then delivers the presses.
  Win32HotKey();
  // Lets go of every combination still held.
  ~Win32HotKey() override;
  Win32HotKey(const Win32HotKey&) = delete;
  Win32HotKey& operator=(const Win32HotKey&) = delete;

  int addTarget(PressedHandler onPressed) override;
  void removeTarget(int target) override;
  bool registerKey(int target, unsigned virtualKey, unsigned modifiers) override;
  bool unregisterKey(int target) override;

 private:
  struct Target {
    PressedHandler onPressed;
    bool held = false;
  };

  void pressed(int target);

  std::unique_ptr<MessageWindow> window_;
  std::map<int, Target> targets_;
  int lastId_ = 0;
};

}  // namespace tov::win32
