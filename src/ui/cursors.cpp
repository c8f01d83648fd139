#include "ui/cursors.h"

#include <set>

#include "ui/backend.h"

namespace tov::Screen {

namespace {
// The user-interface thread is the only one that registers cursors.
std::set<TCursor>& registered() {
  static std::set<TCursor> ids;
  return ids;
}
}  // namespace

void registerCursor(TCursor id, const CursorImage& image) {
  ui::backend().registerCursor(id, image);
  registered().insert(id);
}

bool hasCursor(TCursor id) { return registered().count(id) != 0; }

}  // namespace tov::Screen
