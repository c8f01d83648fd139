#include "ui/pointertracker.h"

#include <QCoreApplication>

#include "ui/application.h"
#include "ui/control.h"

namespace tov::PointerTracker {

namespace {

struct State {
  const ControlHost* pointerHost = nullptr;  // the window that last reported the pointer
  TControl* under = nullptr;                 // the control the pointer is over, as last reported
  TControl* hovered = nullptr;               // the control last told of an enter
  bool notifying = false;
  bool settlePosted = false;
};

// The user-interface thread is the only one that touches the tracker.
State& state() {
  static State instance;
  return instance;
}

// Brings hovered in line with under, one notification at a time. A report arriving while a
// notification runs changes `under` only; this loop, on the outermost call, picks it up.
void settle() {
  State& s = state();
  if (s.notifying) return;
  s.notifying = true;
  while (s.hovered != s.under) {
    if (TControl* leaving = s.hovered) {
      s.hovered = nullptr;
      Application::guarded([leaving] { leaving->mouseLeave(); });
    } else {
      TControl* entering = s.under;
      s.hovered = entering;
      Application::guarded([entering] { entering->mouseEnter(); });
    }
  }
  s.notifying = false;
}

// Reports are taken at once, in the order Qt delivers them; the notifications they call for
// come once the events at hand have been handled, as an idle-time check would give them:
// never inside the code that moved the pointer's target (a window shown or hidden, a control
// resized), which may be half-way through its own work.
void settleSoon() {
  State& s = state();
  if (s.notifying || s.settlePosted) return;  // a running notification's loop sees the change
  QCoreApplication* application = QCoreApplication::instance();
  if (!application) return;
  s.settlePosted = true;
  QMetaObject::invokeMethod(application, [] {
    state().settlePosted = false;
    settle();
  }, Qt::QueuedConnection);
}

}  // namespace

void pointerAt(ControlHost& host, TControl* under) {
  State& s = state();
  s.pointerHost = &host;
  s.under = under;
  settleSoon();
}

void pointerLeft(ControlHost& host) {
  State& s = state();
  // Qt may tell a window of the leave after the next window has seen the pointer.
  if (s.pointerHost != &host) return;
  s.pointerHost = nullptr;
  s.under = nullptr;
  settleSoon();
}

void controlsChanged(ControlHost& host, TControl* under) {
  State& s = state();
  if (s.pointerHost != &host || s.under == under) return;
  s.under = under;
  settleSoon();
}

TControl* hovered() { return state().hovered; }

bool notifying() { return state().notifying; }

void forget(const TControl& control) {
  State& s = state();
  if (s.under == &control) s.under = nullptr;
  if (s.hovered == &control) s.hovered = nullptr;
}

void forget(const ControlHost& host) {
  State& s = state();
  if (s.pointerHost == &host) s.pointerHost = nullptr;
  if (s.under && s.under->host() == &host) s.under = nullptr;
  if (s.hovered && s.hovered->host() == &host) s.hovered = nullptr;
}

}  // namespace tov::PointerTracker
