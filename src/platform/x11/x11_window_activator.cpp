#include "platform/x11/x11_window_activator.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>

namespace tov::x11 {

namespace {

constexpr const char* kTitleProperty = "_TOVALEER_APPLICATION_TITLE";
// Read in 32-bit units; a title is a few dozen bytes, a list of windows a few hundred.
constexpr long kMaxTitleUnits = 256;
constexpr long kMaxListItems = 4096;
// EWMH's source indication for a request that stands for a direct action of the user:
// starting the program again is one, so no focus-stealing prevention holds it back.
constexpr long kSourceUser = 2;
constexpr long kIconicState = 3;  // ICCCM WM_STATE

struct Property {
  Atom type = None;
  int format = 0;
  std::vector<unsigned char> bytes;  // format 8
  std::vector<unsigned long> items;  // format 32, as Xlib hands them over
};

Property readProperty(Display* display, Window window, Atom name, long maxUnits) {
  Property property;
  unsigned long count = 0, bytesAfter = 0;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(display, window, name, 0, maxUnits, False, AnyPropertyType, &property.type,
                         &property.format, &count, &bytesAfter, &data) != Success)
    return {};
  if (data && property.format == 8) property.bytes.assign(data, data + count);
  if (data && property.format == 32) {
    const auto* items = reinterpret_cast<const unsigned long*>(data);
    property.items.assign(items, items + count);
  }
  if (data) XFree(data);
  return property;
}

bool contains(const std::vector<unsigned long>& ids, unsigned long id) {
  return std::find(ids.begin(), ids.end(), id) != ids.end();
}

}  // namespace

X11WindowActivator::X11WindowActivator(Connection& connection) : connection_(connection) {}

void X11WindowActivator::markMainWindow(WindowHandle window, const std::string& applicationTitle) {
  ownWindows_.push_back(window);
  XChangeProperty(connection_.display(), window, connection_.atom(kTitleProperty),
                  connection_.atom("UTF8_STRING"), 8, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(applicationTitle.data()),
                  int(applicationTitle.size()));
  XFlush(connection_.display());
}

bool X11WindowActivator::activate(const std::string& applicationTitle) {
  const XId window = findMainWindow(applicationTitle);
  if (!window) return false;
  Display* display = connection_.display();
  if (windowManagerRuns()) {
    if (minimised(window)) XMapWindow(display, window);
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = connection_.atom("_NET_ACTIVE_WINDOW");
    event.xclient.format = 32;
    event.xclient.data.l[0] = kSourceUser;
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, connection_.root(), False, SubstructureRedirectMask | SubstructureNotifyMask,
               &event);
  } else {
    XMapRaised(display, window);
  }
  // Everything must reach the server before a second copy ends its process.
  XSync(display, False);
  return true;
}

XId X11WindowActivator::findMainWindow(const std::string& applicationTitle) {
  for (XId window : topLevelWindows())
    if (!contains(ownWindows_, window) && applicationTitleOf(window) == applicationTitle) return window;
  return 0;
}

// A window manager lists its clients in _NET_CLIENT_LIST and keeps them in frames; without
// one, the clients are the root's children.
std::vector<XId> X11WindowActivator::topLevelWindows() {
  Display* display = connection_.display();
  const Property clients =
      readProperty(display, connection_.root(), connection_.atom("_NET_CLIENT_LIST"), kMaxListItems);
  std::vector<XId> windows = clients.type == XA_WINDOW ? clients.items : std::vector<XId>{};
  Window ignoredRoot, ignoredParent;
  Window* children = nullptr;
  unsigned count = 0;
  if (XQueryTree(display, connection_.root(), &ignoredRoot, &ignoredParent, &children, &count)) {
    for (unsigned i = 0; i < count; ++i)
      if (!contains(windows, children[i])) windows.push_back(children[i]);
  }
  if (children) XFree(children);
  return windows;
}

// Windows that go away while we look give errors that the connection ignores, and read as
// windows without the title.
std::string X11WindowActivator::applicationTitleOf(XId window) {
  const Property title =
      readProperty(connection_.display(), window, connection_.atom(kTitleProperty), kMaxTitleUnits);
  if (title.type != connection_.atom("UTF8_STRING")) return {};
  return std::string(title.bytes.begin(), title.bytes.end());
}

bool X11WindowActivator::minimised(XId window) {
  Display* display = connection_.display();
  const Property wmState = readProperty(display, window, connection_.atom("WM_STATE"), 2);
  if (!wmState.items.empty() && long(wmState.items.front()) == kIconicState) return true;
  const Property netState = readProperty(display, window, connection_.atom("_NET_WM_STATE"), kMaxListItems);
  return netState.type == XA_ATOM && contains(netState.items, connection_.atom("_NET_WM_STATE_HIDDEN"));
}

// EWMH: the check window names itself in the same property while a window manager runs.
bool X11WindowActivator::windowManagerRuns() {
  const Atom check = connection_.atom("_NET_SUPPORTING_WM_CHECK");
  const Property fromRoot = readProperty(connection_.display(), connection_.root(), check, 1);
  if (fromRoot.type != XA_WINDOW || fromRoot.items.empty()) return false;
  const Property fromChild = readProperty(connection_.display(), fromRoot.items.front(), check, 1);
  return fromChild.type == XA_WINDOW && !fromChild.items.empty() && fromChild.items.front() == fromRoot.items.front();
}

}  // namespace tov::x11
