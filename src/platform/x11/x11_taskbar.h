#pragma once
// The taskbar on X11: every top-level window of the EWMH type _NET_WM_WINDOW_TYPE_DOCK.
// Panels map themselves again when the display changes, so hiding them once is not enough:
// while they are hidden, any dock that gets mapped (a hidden one, or one that appears) is
// unmapped again, until show() gives them back.

#include "platform/taskbar.h"
#include "platform/x11/x11_connection.h"

#include <vector>

namespace tov::guardian {
class IUndoRecorder;
}

namespace tov::x11 {

class X11Taskbar : public ITaskbar {
 public:
  // guardian, when given, learns of every dock before it is hidden and when they are shown.
  explicit X11Taskbar(Connection& connection, guardian::IUndoRecorder* guardian = nullptr);
  // Gives back docks still hidden: the desktop returns however the program ends.
  ~X11Taskbar() override;
  X11Taskbar(const X11Taskbar&) = delete;
  X11Taskbar& operator=(const X11Taskbar&) = delete;

  // The first dock found, 0 when there is none.
  TaskbarHandle find() override;
  // Records every dock that is mapped now, unmaps them and keeps them unmapped.
  void hide(TaskbarHandle taskbar) override;
  // Stops keeping them hidden and maps the recorded docks again.
  void show(TaskbarHandle taskbar) override;

 private:
  std::vector<XId> findDocks();
  bool isDock(XId window);
  bool isMapped(XId window);
  void hideDock(XId window);
  void hideMappedDocks();
  void onEvent(const _XEvent& event);
  void startWatching();
  void stopWatching();
  void watchWindow(XId window);
  void mapRecordedDocks();

  Connection& connection_;
  guardian::IUndoRecorder* guardian_;
  std::vector<XId> hiddenDocks_;     // in the order they were found; mapped again in it
  std::vector<XId> watchedWindows_;  // windows whose structure events we asked for
  long rootEventMaskBefore_ = 0;
  int eventHandlerId_ = 0;           // nonzero while docks are kept hidden
};

}  // namespace tov::x11
