#include "ui/qt/qt_access.h"

#include "ui/qt/qt_edit.h"

namespace tov::qt {

WindowWidget* windowOf(const Window& window) { return &static_cast<QtWindow&>(window.native()).widget(); }

QWidget* widgetOf(const Window& window) { return windowOf(window); }

QLineEdit* widgetOf(const TEdit& edit) { return &static_cast<QtEdit&>(edit.native()).widget(); }

}  // namespace tov::qt
