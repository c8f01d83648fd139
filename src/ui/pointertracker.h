#pragma once
// Which windowless control the pointer is over, for the whole application, and the enter and
// leave notifications that follow from it.
//
// The windows report where the pointer is, at once and in the order the backend delivers
// their events. The notifications follow once the events at hand have been handled, as from an
// idle-time check: first the leave of the control last told of an enter, then the enter of
// the control the pointer is over then. A notification may dispatch events while it runs (the
// morphing button does, between its frames), and the backend delivers pointer moves inside that
// dispatch: those reports are only taken, and the next notification is decided when the
// running one has returned, from where the pointer is then. So one control's notification
// always runs to its end before the next begins, in one window or across windows, and a
// pointer that passed over a control meanwhile and went on causes nothing there.
//
// The one exception is a modal loop opened inside a running notification (a click
// dispatched between a morph's frames opens a modal form): that loop's own controls are told
// of enter and leave as usual while it runs, apart from the waiting notification. When the
// notification returns, the control of the modal window still told of an enter hears its
// leave, and the waiting notification's level goes on from where the pointer is then.

namespace tov {

class ControlHost;
class TControl;

namespace PointerTracker {

// The pointer moved, or came, into host's window, over control under (null: over none of
// host's controls).
void pointerAt(ControlHost& host, TControl* under);
// The pointer left host's window. Ignored when the pointer was last reported elsewhere.
void pointerLeft(ControlHost& host);
// Host's controls moved, appeared or vanished under a pointer standing still there; under is
// the control now there. Ignored when the pointer was last reported elsewhere.
void controlsChanged(ControlHost& host, TControl* under);

// The control last notified of an enter and not yet of its leave, or null.
TControl* hovered();
// Whether a notification is running now, in the modal loop served now.
bool notifying();

// A control or window that goes away is dropped without notifications.
void forget(const TControl& control);
void forget(const ControlHost& host);

}  // namespace PointerTracker
}  // namespace tov
