#include "platform/posix/termination_watch.h"

#include "desktop_fixture.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QThread>

#include <signal.h>
#include <unistd.h>

namespace tov::posix {
namespace {

TEST(PosixTerminationWatch, DeliversEachSignalOnTheEventLoopAndLetsGoOfIt) {
  test::qtApplication();
  for (const int signalNumber : {SIGTERM, SIGINT, SIGHUP}) {
    int requests = 0;
    bool onUiThread = false;
    {
      PosixTerminationWatch watch;
      watch.watch([&] {
        ++requests;
        onUiThread = QThread::currentThread() == QCoreApplication::instance()->thread();
      });
      ::kill(::getpid(), signalNumber);
      ::kill(::getpid(), signalNumber);
      EXPECT_EQ(requests, 0) << "called from the signal handler, not the event loop";
      for (int waited = 0; requests == 0 && waited < 5000; waited += 20) test::spinEventLoop(20);
      test::spinEventLoop(50);
      EXPECT_EQ(requests, 1) << "signal " << signalNumber;
      EXPECT_TRUE(onUiThread);
    }
    struct sigaction now {};
    ::sigaction(signalNumber, nullptr, &now);
    EXPECT_EQ(now.sa_handler, SIG_DFL) << "signal " << signalNumber << " not given back";
  }
}

}  // namespace
}  // namespace tov::posix
