#include "ui/mirrored_buttons.h"

#include "ui/backend.h"

namespace tov {

MirroredMouseButtons::~MirroredMouseButtons() {
  if (mirrored_ && ui::hasBackend()) ui::backend().setMouseButtonsMirrored(false);
}

void MirroredMouseButtons::setMirrored(bool mirrored) {
  mirrored_ = mirrored;
  ui::backend().setMouseButtonsMirrored(mirrored);
}

}  // namespace tov
