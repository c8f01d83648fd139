#include "platform/guardian/x11/x11_restorer.h"

#include "platform/errors.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

#include <algorithm>
#include <memory>

namespace tov::guardian {

namespace {

// The guardian has one connection and one thread: a counter is all the trap needs.
unsigned long protocolErrors = 0;
int countProtocolError(Display*, XErrorEvent*) {
  ++protocolErrors;
  return 0;
}

// Tells whether the server refused any request sent while it lived.
class ErrorTrap {
 public:
  explicit ErrorTrap(Display* display)
      : display_(display), before_(protocolErrors),
        previous_(XSetErrorHandler(countProtocolError)) {}
  ~ErrorTrap() { XSetErrorHandler(previous_); }
  ErrorTrap(const ErrorTrap&) = delete;
  ErrorTrap& operator=(const ErrorTrap&) = delete;
  bool failed() {
    XSync(display_, False);
    return protocolErrors != before_;
  }

 private:
  Display* display_;
  unsigned long before_;
  XErrorHandler previous_;
};

template <auto Release>
struct XRandrFree {
  template <class T>
  void operator()(T* data) const { Release(data); }
};
using ResourcesPtr = std::unique_ptr<XRRScreenResources, XRandrFree<XRRFreeScreenResources>>;
using CrtcPtr = std::unique_ptr<XRRCrtcInfo, XRandrFree<XRRFreeCrtcInfo>>;

struct Size {
  unsigned width = 0, height = 0;
  bool operator==(const Size&) const = default;
};

Size rootSize(Display* display) {
  Window root;
  int x, y;
  unsigned width = 0, height = 0, border, depth;
  XGetGeometry(display, DefaultRootWindow(display), &root, &x, &y, &width, &height, &border,
               &depth);
  return {width, height};
}

bool alreadyAsSaved(const XRRCrtcInfo& crtc, const SavedCrtc& saved, Size screen) {
  return crtc.mode == saved.mode && crtc.rotation == saved.rotation && crtc.x == saved.x &&
         crtc.y == saved.y && screen == Size{saved.screenWidth, saved.screenHeight};
}

bool screenSizeAllowed(Display* display, const SavedCrtc& saved) {
  int minWidth, minHeight, maxWidth, maxHeight;
  return XRRGetScreenSizeRange(display, DefaultRootWindow(display), &minWidth, &minHeight,
                               &maxWidth, &maxHeight) &&
         saved.screenWidth >= unsigned(minWidth) && saved.screenHeight >= unsigned(minHeight) &&
         saved.screenWidth <= unsigned(maxWidth) && saved.screenHeight <= unsigned(maxHeight);
}

// The CRTC and the screen as they were. The screen may never be smaller than a CRTC on it,
// so it is grown to hold both the present and the saved layout first and given its saved
// size last; other clients see the change as one, under a server grab.
bool setSavedCrtc(Display* display, XRRScreenResources& resources, const SavedCrtc& saved) {
  const Window root = DefaultRootWindow(display);
  std::vector<RROutput> outputs(saved.outputs.begin(), saved.outputs.end());
  ErrorTrap trap(display);
  XGrabServer(display);
  const Size before = rootSize(display);
  const Size grown{std::max(before.width, saved.screenWidth),
                   std::max(before.height, saved.screenHeight)};
  if (!(grown == before))
    XRRSetScreenSize(display, root, int(grown.width), int(grown.height), int(saved.screenWidthMm),
                     int(saved.screenHeightMm));
  const Status status = XRRSetCrtcConfig(display, &resources, saved.crtc, CurrentTime, saved.x,
                                         saved.y, saved.mode, Rotation(saved.rotation),
                                         outputs.data(), int(outputs.size()));
  if (status == RRSetConfigSuccess)
    XRRSetScreenSize(display, root, int(saved.screenWidth), int(saved.screenHeight),
                     int(saved.screenWidthMm), int(saved.screenHeightMm));
  XUngrabServer(display);
  return !trap.failed() && status == RRSetConfigSuccess;
}

// What a give-back did: only a change made is worth a word. A piece found as it was saved
// (a switch refused after it was recorded, a give-back the menu made but could not report,
// someone else's) has nothing to tell.
enum class Outcome { AlreadyBack, GivenBack, Failed };

Outcome outcomeOf(bool done) { return done ? Outcome::GivenBack : Outcome::Failed; }

Outcome restoreMode(Display* display, const SavedCrtc& saved) {
  int eventBase = 0, errorBase = 0;
  if (!XRRQueryExtension(display, &eventBase, &errorBase)) return Outcome::Failed;
  ResourcesPtr resources(XRRGetScreenResourcesCurrent(display, DefaultRootWindow(display)));
  if (!resources) return Outcome::Failed;
  // A CRTC that has gone (the server's outputs changed) is refused with an error, not a crash.
  CrtcPtr crtc;
  {
    ErrorTrap trap(display);
    crtc.reset(XRRGetCrtcInfo(display, resources.get(), saved.crtc));
    if (trap.failed() || !crtc) return Outcome::Failed;
  }
  if (alreadyAsSaved(*crtc, saved, rootSize(display))) return Outcome::AlreadyBack;
  return outcomeOf(screenSizeAllowed(display, saved) && setSavedCrtc(display, *resources, saved));
}

// Unmapped, as the menu left it hidden; false for a window that has gone.
bool unmapped(Display* display, XId window) {
  XWindowAttributes attributes;
  ErrorTrap trap(display);
  const Status read = XGetWindowAttributes(display, window, &attributes);
  return !trap.failed() && read && attributes.map_state == IsUnmapped;
}

// Docks are mapped in the order they were hidden, as the menu itself maps them; one that
// has been destroyed meanwhile, or is shown already (a panel maps itself again after a
// display change), is skipped.
std::size_t showDocks(Display* display, const std::vector<XId>& docks) {
  std::size_t shown = 0;
  for (const XId dock : docks) {
    if (!unmapped(display, dock)) continue;
    ErrorTrap trap(display);
    XMapWindow(display, dock);
    if (!trap.failed()) ++shown;
  }
  return shown;
}

// The first buttons as they were; a server that now has a different number of buttons
// keeps what lies beyond the saved ones.
Outcome restorePointer(Display* display, const std::vector<std::uint8_t>& original) {
  unsigned char mapping[256];
  const int count = XGetPointerMapping(display, mapping, sizeof mapping);
  if (count <= 0) return Outcome::Failed;
  const std::size_t saved = std::min<std::size_t>(original.size(), std::size_t(count));
  if (std::equal(original.begin(), original.begin() + std::ptrdiff_t(saved), mapping))
    return Outcome::AlreadyBack;
  std::copy_n(original.begin(), saved, mapping);
  ErrorTrap trap(display);
  const int status = XSetPointerMapping(display, mapping, count);
  return outcomeOf(!trap.failed() && status == MappingSuccess);
}

std::string sizeText(const SavedCrtc& saved) {
  return std::to_string(saved.screenWidth) + "x" + std::to_string(saved.screenHeight);
}

// Says nothing: the guardian speaks only of what it gives back.
int quietlyLost(Display*) { return 0; }

}  // namespace

// Xlib would end the process after an I/O error; this handler is called instead of that end,
// and the guardian goes on without the server.
void XServer::markGone(Display*, void* server) { static_cast<XServer*>(server)->gone_ = true; }

std::unique_ptr<XServer> XServer::open() {
  Display* display = XOpenDisplay(nullptr);
  if (!display) return nullptr;
  std::unique_ptr<XServer> server(new XServer(display));
  XSetIOErrorHandler(quietlyLost);
  XSetIOErrorExitHandler(display, markGone, server.get());
  return server;
}

XServer::XServer(Display* display) : display_(display) {}

XServer::~XServer() { XCloseDisplay(display_); }

int XServer::descriptor() const { return ConnectionNumber(display_); }

void XServer::discardEvents() {
  while (usable() && XPending(display_) > 0) {
    XEvent event;
    XNextEvent(display_, &event);
  }
}

std::vector<std::string> XServer::giveBack(const Outstanding& outstanding) {
  std::vector<std::string> said;
  if (outstanding.mode) {
    const Outcome mode = restoreMode(display_, *outstanding.mode);
    if (mode != Outcome::AlreadyBack)
      said.push_back(formatError(mode == Outcome::GivenBack ? ErrorCode::GuardianModeGivenBack
                                                            : ErrorCode::GuardianModeNotGivenBack,
                                 sizeText(*outstanding.mode)));
  }
  // Docks that have gone meanwhile (a panel that rebuilt itself for the new screen) need
  // nothing and are not counted.
  if (const std::size_t shown = showDocks(display_, outstanding.docks); shown > 0)
    said.push_back(formatError(ErrorCode::GuardianDocksGivenBack, std::to_string(shown)));
  if (outstanding.pointer) {
    const Outcome pointer = restorePointer(display_, *outstanding.pointer);
    if (pointer != Outcome::AlreadyBack)
      said.push_back(errorText(pointer == Outcome::GivenBack ? ErrorCode::GuardianPointerGivenBack
                                                             : ErrorCode::GuardianPointerNotGivenBack));
  }
  XSync(display_, False);
  return said;
}

}  // namespace tov::guardian
