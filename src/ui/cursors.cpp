#include "ui/cursors.h"

#include <map>

namespace tov::Screen {

namespace {
std::map<TCursor, QCursor>& registry() {
  static std::map<TCursor, QCursor> cursors;
  return cursors;
}
}  // namespace

void registerCursor(TCursor id, const QCursor& cursor) { registry()[id] = cursor; }

QCursor cursor(TCursor id) {
  auto found = registry().find(id);
  return found == registry().end() ? QCursor(Qt::ArrowCursor) : found->second;
}

bool hasCursor(TCursor id) { return registry().count(id) != 0; }

}  // namespace tov::Screen
