#include "platform/x11/x11_taskbar.h"

#include "platform/guardian/undo_recorder.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>

namespace tov::x11 {

namespace {

bool contains(const std::vector<XId>& windows, XId window) {
  return std::find(windows.begin(), windows.end(), window) != windows.end();
}

// The ATOM or WINDOW list in a property of window; empty when it has none.
std::vector<XId> readIdList(Display* display, Window window, Atom property, Atom type) {
  Atom actualType = None;
  int format = 0;
  unsigned long count = 0, bytesAfter = 0;
  unsigned char* data = nullptr;
  // A list of 4096 ids is far beyond any real desktop; longer ones are read in part.
  if (XGetWindowProperty(display, window, property, 0, 4096, False, type, &actualType, &format,
                         &count, &bytesAfter, &data) != Success)
    return {};
  std::vector<XId> ids;
  // Xlib hands 32-bit items over as longs.
  if (data && actualType == type && format == 32) {
    const auto* items = reinterpret_cast<const unsigned long*>(data);
    ids.assign(items, items + count);
  }
  if (data) XFree(data);
  return ids;
}

std::vector<XId> rootChildren(Display* display, Window root) {
  Window ignoredRoot, ignoredParent;
  Window* children = nullptr;
  unsigned count = 0;
  if (!XQueryTree(display, root, &ignoredRoot, &ignoredParent, &children, &count)) return {};
  std::vector<XId> ids(children, children + count);
  if (children) XFree(children);
  return ids;
}

}  // namespace

X11Taskbar::X11Taskbar(Connection& connection, guardian::IUndoRecorder* guardian)
    : connection_(connection), guardian_(guardian) {}

X11Taskbar::~X11Taskbar() {
  stopWatching();
  mapRecordedDocks();
}

TaskbarHandle X11Taskbar::find() {
  const std::vector<XId> docks = findDocks();
  return docks.empty() ? 0 : docks.front();
}

void X11Taskbar::hide(TaskbarHandle taskbar) {
  if (taskbar == 0) return;
  startWatching();
  hideMappedDocks();
  XFlush(connection_.display());
}

void X11Taskbar::show(TaskbarHandle taskbar) {
  if (taskbar == 0) return;
  stopWatching();
  mapRecordedDocks();
}

// A window manager lists its clients in _NET_CLIENT_LIST and keeps them in frames; without
// one, the clients are the root's children. Both are searched, so docks are found either way.
std::vector<XId> X11Taskbar::findDocks() {
  Display* display = connection_.display();
  std::vector<XId> candidates =
      readIdList(display, connection_.root(), connection_.atom("_NET_CLIENT_LIST"), XA_WINDOW);
  for (XId child : rootChildren(display, connection_.root()))
    if (!contains(candidates, child)) candidates.push_back(child);
  std::vector<XId> docks;
  for (XId window : candidates)
    if (isDock(window)) docks.push_back(window);
  return docks;
}

bool X11Taskbar::isDock(XId window) {
  const std::vector<XId> types = readIdList(
      connection_.display(), window, connection_.atom("_NET_WM_WINDOW_TYPE"), XA_ATOM);
  return contains(types, connection_.atom("_NET_WM_WINDOW_TYPE_DOCK"));
}

bool X11Taskbar::isMapped(XId window) {
  XWindowAttributes attributes;
  return XGetWindowAttributes(connection_.display(), window, &attributes) &&
         attributes.map_state != IsUnmapped;
}

void X11Taskbar::hideMappedDocks() {
  for (XId dock : findDocks())
    if (isMapped(dock)) hideDock(dock);
}

void X11Taskbar::hideDock(XId window) {
  if (!contains(hiddenDocks_, window)) {
    if (guardian_) guardian_->record(guardian::DockHidden{guardian::XId(window)});
    hiddenDocks_.push_back(window);
    watchWindow(window);
  }
  // Withdrawing (not just unmapping) tells a window manager to let go of the window too.
  XWithdrawWindow(connection_.display(), window, connection_.screen());
}

void X11Taskbar::startWatching() {
  if (eventHandlerId_) return;
  Display* display = connection_.display();
  XWindowAttributes attributes;
  rootEventMaskBefore_ =
      XGetWindowAttributes(display, connection_.root(), &attributes) ? attributes.your_event_mask
                                                                      : 0;
  XSelectInput(display, connection_.root(),
               rootEventMaskBefore_ | SubstructureNotifyMask | PropertyChangeMask);
  eventHandlerId_ = connection_.addEventHandler([this](const XEvent& event) { onEvent(event); });
}

void X11Taskbar::stopWatching() {
  if (!eventHandlerId_) return;
  connection_.removeEventHandler(eventHandlerId_);
  eventHandlerId_ = 0;
  Display* display = connection_.display();
  XSelectInput(display, connection_.root(), rootEventMaskBefore_);
  // Windows destroyed meanwhile give errors that nobody needs to hear about.
  for (XId window : watchedWindows_) XSelectInput(display, window, NoEventMask);
  watchedWindows_.clear();
}

// A window's own structure events follow it when a window manager reparents it, so its
// mapping is seen wherever it lives.
void X11Taskbar::watchWindow(XId window) {
  if (contains(watchedWindows_, window)) return;
  watchedWindows_.push_back(window);
  XSelectInput(connection_.display(), window, StructureNotifyMask | PropertyChangeMask);
}

void X11Taskbar::mapRecordedDocks() {
  Display* display = connection_.display();
  for (XId dock : hiddenDocks_) XMapWindow(display, dock);
  const bool anyShown = !hiddenDocks_.empty();
  hiddenDocks_.clear();
  XFlush(display);
  if (guardian_ && anyShown) guardian_->record(guardian::DocksShown{});
}

void X11Taskbar::onEvent(const XEvent& event) {
  switch (event.type) {
    case CreateNotify:
      if (event.xcreatewindow.parent == connection_.root()) watchWindow(event.xcreatewindow.window);
      break;
    case MapNotify: {
      const XId window = event.xmap.window;
      if (contains(hiddenDocks_, window) || isDock(window))
        hideDock(window);
      else if (event.xmap.event == connection_.root())
        hideMappedDocks();  // a window manager's frame: its client may be a new dock
      break;
    }
    case PropertyNotify:
      if (event.xproperty.window == connection_.root()
              ? event.xproperty.atom == connection_.atom("_NET_CLIENT_LIST")
              : event.xproperty.atom == connection_.atom("_NET_WM_WINDOW_TYPE"))
        hideMappedDocks();
      break;
    case DestroyNotify:
      // Its id may be given to another client's window: the guardian must not map that.
      if (std::erase(hiddenDocks_, event.xdestroywindow.window) && guardian_)
        guardian_->record(guardian::DockGone{guardian::XId(event.xdestroywindow.window)});
      std::erase(watchedWindows_, event.xdestroywindow.window);
      break;
    default:
      break;
  }
}

}  // namespace tov::x11
