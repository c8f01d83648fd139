#pragma once
// What a Wayland session does not let a client do, for the interfaces that ask it. The
// compositor keeps its own panels below a full-screen window, so there is no taskbar to
// hide. The pointer's buttons and keys held for the whole desktop belong to the
// compositor: these say so honestly (nothing held) and change nothing of the compositor's.

#include "platform/hotkey.h"
#include "platform/pointer.h"
#include "platform/taskbar.h"

#include <memory>

namespace tov::wayland {

class NoTaskbar : public ITaskbar {
 public:
  TaskbarHandle find() override { return 0; }
  void hide(TaskbarHandle) override {}
  void show(TaskbarHandle) override {}
};

// The compositor's buttons stay as they are. The X programs the menu starts (Wine's among
// them) get them exchanged through Xwayland's pointer mapping where there is one
// (xwaylandPointer), since Xwayland maps its own clients' buttons.
class CompositorPointer : public IPointer {
 public:
  explicit CompositorPointer(std::unique_ptr<IPointer> xwaylandPointer = nullptr)
      : xwaylandPointer_(std::move(xwaylandPointer)) {}
  void setButtonsSwapped(bool swapped) override {
    if (xwaylandPointer_) xwaylandPointer_->setButtonsSwapped(swapped);
  }
  bool buttonsSwapped() override { return xwaylandPointer_ && xwaylandPointer_->buttonsSwapped(); }

 private:
  std::unique_ptr<IPointer> xwaylandPointer_;
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

}  // namespace tov::wayland
