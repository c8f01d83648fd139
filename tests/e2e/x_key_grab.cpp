// Kept apart from the tests that include Qt: Xlib's macros (None, Bool, Status) clash with it.
#include "e2e/x_key_grab.h"

#include <X11/Xlib.h>
#include <X11/keysym.h>

namespace tov::test {

namespace {
bool accessRefused = false;

int noteAccessRefused(Display*, XErrorEvent* error) {
  if (error->error_code == BadAccess) accessRefused = true;
  return 0;
}
}  // namespace

std::optional<bool> ctrlAltZFreeOn(const std::string& display) {
  Display* x = XOpenDisplay(display.c_str());
  if (!x) return std::nullopt;
  accessRefused = false;
  const XErrorHandler previous = XSetErrorHandler(noteAccessRefused);
  const KeyCode z = XKeysymToKeycode(x, XK_z);
  XGrabKey(x, z, ControlMask | Mod1Mask, DefaultRootWindow(x), False, GrabModeAsync, GrabModeAsync);
  XSync(x, False);  // the refusal, if any, has come
  XSetErrorHandler(previous);
  XCloseDisplay(x);  // lets go of a grab that was taken
  return !accessRefused;
}

}  // namespace tov::test
