#pragma once
// The Qt widgets behind the layer's windows, for tests and benchmarks that run on the Qt
// backend and drive or inspect them as Qt would.

#include <QLineEdit>
#include <QWidget>

#include "ui/edit.h"
#include "ui/qt/qt_cursors.h"
#include "ui/qt/qt_window.h"
#include "ui/window.h"

namespace tov::qt {

WindowWidget* windowOf(const Window& window);
QWidget* widgetOf(const Window& window);
QLineEdit* widgetOf(const TEdit& edit);

}  // namespace tov::qt
