#pragma once
// What a Wayland session does not let a client do, for the interfaces that ask it. The
// compositor keeps its own panels below a full-screen window, so there is no taskbar to
// hide. The pointer's buttons, keys held for the whole desktop and raising another
// client's window belong to the compositor: these say so honestly (nothing exchanged,
// nothing held, nothing found) and change nothing.

#include "platform/hotkey.h"
#include "platform/instance.h"
#include "platform/pointer.h"
#include "platform/taskbar.h"

namespace tov::wayland {

class NoTaskbar : public ITaskbar {
 public:
  TaskbarHandle find() override { return 0; }
  void hide(TaskbarHandle) override {}
  void show(TaskbarHandle) override {}
};

class CompositorPointer : public IPointer {
 public:
  void setButtonsSwapped(bool) override {}
  bool buttonsSwapped() override { return false; }
};

class NoHotKey : public IHotKey {
 public:
  int addTarget(PressedHandler) override { return ++lastTarget_; }
  void removeTarget(int) override {}
  bool registerKey(int, unsigned, unsigned) override { return false; }
  bool unregisterKey(int) override { return false; }

 private:
  int lastTarget_ = 0;
};

class NoWindowActivator : public IWindowActivator {
 public:
  void markMainWindow(WindowHandle, const std::string&) override {}
  bool activate(const std::string&) override { return false; }
};

}  // namespace tov::wayland
