#include "ui/pointertracker.h"

#include <cstdint>
#include <vector>

#include "platform/event_loop.h"
#include "ui/application.h"
#include "ui/control.h"
#include "ui/controlhost.h"
#include "ui/modality.h"

namespace tov::PointerTracker {

namespace {

// A level whose notification runs while a modal loop opened inside it is served above it.
struct HeldLevel {
  TControl* hovered;
  std::uint64_t modalInFront;
};

struct State {
  const ControlHost* pointerHost = nullptr;  // the window that last reported the pointer
  TControl* under = nullptr;                 // the control the pointer is over, as last reported
  // The level served now: the control it last told of an enter, whether one of its
  // notifications runs, and the modal window in front when that notification began.
  TControl* hovered = nullptr;
  bool notifying = false;
  std::uint64_t modalInFront = 0;
  std::vector<HeldLevel> held;  // the levels below, innermost last
  bool settlePosted = false;
};

// The user-interface thread is the only one that touches the tracker.
State& state() {
  static State instance;
  return instance;
}

// A modal window came in front after the running notification began: its loop runs inside
// that notification (a click dispatched between a morph's frames), and its controls must not
// wait for the notification to end, which the loop itself holds up.
bool modalLoopOpened() {
  const State& s = state();
  const std::uint64_t front = Modality::front();
  return s.notifying && front != 0 && front != s.modalInFront;
}

// The modal loop that a level serves is over (or behind a box of its own): the level waits
// for the notification that opened it.
bool levelWaits() {
  const State& s = state();
  if (s.held.empty()) return false;
  const std::uint64_t front = Modality::front();
  return front == 0 || front == s.held.back().modalInFront;
}

// The control the level served should hover: in a modal loop's level, only the controls of
// the modal window count.
TControl* target() {
  const State& s = state();
  if (s.held.empty()) return s.under;
  if (!s.under || levelWaits()) return nullptr;
  const ControlHost* host = s.under->host();
  return host && &host->topLevel() == Modality::frontWindow() ? s.under : nullptr;
}

void notify(TControl* control, void (TControl::*notification)()) {
  state().modalInFront = Modality::front();
  Application::guarded([control, notification] { (control->*notification)(); });
}

// A modal loop's level starts with no control hovered; the level below keeps its own.
void openLevel() {
  State& s = state();
  s.held.push_back({s.hovered, s.modalInFront});
  s.hovered = nullptr;
  s.notifying = false;
}

// Once the notification that opened a modal loop has returned, the loop's level ends: its
// hovered control hears its leave, and the level below goes on from where the pointer is.
void closeLevelsAbove(std::size_t level) {
  State& s = state();
  while (s.held.size() > level) {
    TControl* leaving = s.hovered;
    s.hovered = s.held.back().hovered;
    s.modalInFront = s.held.back().modalInFront;
    s.held.pop_back();
    s.notifying = true;
    if (leaving) notify(leaving, &TControl::mouseLeave);
  }
}

// Brings hovered in line with the target, one notification at a time. A report arriving
// while a notification runs changes `under` only; this loop, on the outermost call of the
// level, picks it up.
void settle() {
  State& s = state();
  if (s.notifying) {
    if (!modalLoopOpened()) return;
    openLevel();
  } else if (levelWaits()) {
    return;
  }
  const std::size_t level = s.held.size();
  s.notifying = true;
  while (s.hovered != target()) {
    if (TControl* leaving = s.hovered) {
      s.hovered = nullptr;
      notify(leaving, &TControl::mouseLeave);
    } else {
      TControl* entering = target();
      s.hovered = entering;
      notify(entering, &TControl::mouseEnter);
    }
    closeLevelsAbove(level);
  }
  s.notifying = false;
}

// Reports are taken at once, in the order the backend delivers them; the notifications they call for
// come once the events at hand have been handled, as an idle-time check would give them:
// never inside the code that moved the pointer's target (a window shown or hidden, a control
// resized), which may be half-way through its own work.
void settleSoon() {
  State& s = state();
  // A running notification's loop sees the change, unless a modal loop runs inside it.
  if (s.settlePosted || (s.notifying && !modalLoopOpened())) return;
  if (!hasEventLoop()) return;
  s.settlePosted = true;
  eventLoop().post([] {
    state().settlePosted = false;
    settle();
  });
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
  // The backend may tell a window of the leave after the next window has seen the pointer.
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
  for (HeldLevel& level : s.held)
    if (level.hovered == &control) level.hovered = nullptr;
}

void forget(const ControlHost& host) {
  State& s = state();
  if (s.pointerHost == &host) s.pointerHost = nullptr;
  if (s.under && s.under->host() == &host) s.under = nullptr;
  if (s.hovered && s.hovered->host() == &host) s.hovered = nullptr;
  for (HeldLevel& level : s.held)
    if (level.hovered && level.hovered->host() == &host) level.hovered = nullptr;
}

}  // namespace tov::PointerTracker
