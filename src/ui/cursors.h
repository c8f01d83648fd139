#pragma once
// Cursors by number, as the controls name them. 0 is the default arrow; other numbers
// are registered by the components that bring them (the hand cursor is registered as 31).

#include <QCursor>

namespace tov {

using TCursor = int;
constexpr TCursor crDefault = 0;
constexpr TCursor crHand = 31;

namespace Screen {
void registerCursor(TCursor id, const QCursor& cursor);
// The registered cursor, or the arrow when id is not registered.
QCursor cursor(TCursor id);
bool hasCursor(TCursor id);
}  // namespace Screen

}  // namespace tov
