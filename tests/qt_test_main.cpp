// Runs GoogleTest inside a QApplication, so tests can create widgets and serve events.
#include <QApplication>
#include <gtest/gtest.h>

#include "ui/qt/qt_backend.h"

int main(int argc, char** argv) {
  qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  // Tests close forms and go on serving events; closing the last one must not quit.
  QApplication::setQuitOnLastWindowClosed(false);
  tov::qt::InstalledQtBackend backend;
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
