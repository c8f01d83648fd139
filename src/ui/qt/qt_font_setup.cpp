#include "ui/font_setup.h"

#include <fontconfig/fontconfig.h>

namespace tov {

// Fontconfig keeps the configuration it reads as its current one, and takes it in whichever
// thread asks first; Qt's font database, asking later, finds it read. Should Qt ask while
// the reading still runs, each reads its own and fontconfig keeps one: nothing waits.
BackgroundFontSetUp::BackgroundFontSetUp() : reader_([] { FcInit(); }) {}

BackgroundFontSetUp::~BackgroundFontSetUp() { reader_.join(); }

}  // namespace tov
