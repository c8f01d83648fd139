// Connects to $DISPLAY through X11Platform, says "connected" and runs the event loop until
// it is ended from outside.

#include "platform/x11/x11_platform.h"
#include "ui/qt/qt_event_loop.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char** argv) {
  QCoreApplication application(argc, argv);
  tov::qt::InstalledQtEventLoop loop;
  std::string error;
  auto platform = tov::X11Platform::open(&error);
  if (!platform) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 2;
  }
  std::printf("connected\n");
  std::fflush(stdout);
  return application.exec();
}
