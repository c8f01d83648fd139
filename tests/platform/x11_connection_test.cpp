#include "platform/errors.h"
#include "platform/x11/x11_connection.h"

#include "desktop_fixture.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>

namespace tov::x11 {
namespace {

std::string besideThisTest(const char* program) {
  return (std::filesystem::read_symlink("/proc/self/exe").parent_path() / program).string();
}

TEST(X11Platform, TellsWhyItCannotConnect) {
  std::string error;
  test::qtApplication();
  EXPECT_EQ(X11Platform::open(&error, ":4711"), nullptr);
  EXPECT_EQ(error, formatError(ErrorCode::CannotOpenXDisplay, ":4711"));
}

TEST(X11Connection, EndsTheProgramWhenTheXServerGoesAway) {
  std::string whyNot;
  auto session = test::XSession::start({.xorgDummy = false}, &whyNot);
  TOV_SKIP_WITHOUT_X(session, whyNot);
  const std::string output = session->directory() + "/probe.out";
  auto probe = session->launch({besideThisTest("x11_platform_probe")}, output, &whyNot);
  ASSERT_TRUE(probe) << whyNot;
  ASSERT_TRUE(session->waitFor(
      [&] { return test::readFile(output).find("connected") != std::string::npos; }, 10000))
      << test::readFile(output);

  session->stop();
  const std::optional<int> exitCode = probe->wait(10000);
  ASSERT_TRUE(exitCode) << "still running without its X server";
  EXPECT_EQ(*exitCode, kExitXServerGone);
  EXPECT_NE(test::readFile(output).find(errorText(ErrorCode::XServerConnectionLost)),
            std::string::npos);
}

}  // namespace
}  // namespace tov::x11
