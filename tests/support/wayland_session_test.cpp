// The Wayland harness against the real compositors: what a test sees through it (screenshots,
// Xwayland's display, input) must be what a client of the session does and shows.
#include "support/wayland_session.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>

#include "support/processes.h"

namespace tov::test {
namespace {

using namespace std::string_literals;

constexpr int kClientMs = 30000;
constexpr const char* kClientColour = "#c04020";

enum class Compositor { weston, mutter };

std::unique_ptr<WaylandSession> startSession(Compositor compositor,
                                             const WaylandSessionOptions& options,
                                             std::string* whyNot) {
  if (compositor == Compositor::weston) return WestonSession::start(options, whyNot);
  return MutterSession::start(options, whyNot);
}

std::optional<std::string> variable(const std::vector<std::string>& environment,
                                    const std::string& name) {
  for (const std::string& entry : environment)
    if (entry.starts_with(name + "=")) return entry.substr(name.size() + 1);
  return std::nullopt;
}

// The first pixel that is not colour, as "x,y"; empty when all are.
std::string firstPixelNotOf(const QImage& image, QRgb colour) {
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (image.pixel(x, y) != colour) return std::to_string(x) + "," + std::to_string(y);
  return {};
}

// Polls screenshots until one is wholly of colour; the last problem goes to whyNot.
bool screenBecomes(WaylandSession& session, QRgb colour, std::string* whyNot) {
  return WaylandSession::waitFor(
      [&] {
        const QImage shot = session.screenshot(whyNot);
        if (shot.isNull()) return false;
        const std::string other = firstPixelNotOf(shot, colour);
        if (!other.empty()) *whyNot = "another colour at " + other;
        return other.empty();
      },
      kClientMs);
}

// The processes whose environment names runtimeDirectory as theirs: all that a session started.
std::vector<ProcessStatus> processesOf(const std::string& runtimeDirectory) {
  const std::string entry = "XDG_RUNTIME_DIR=" + runtimeDirectory;
  std::vector<ProcessStatus> found;
  std::error_code ignored;
  for (const auto& process : std::filesystem::directory_iterator("/proc", ignored)) {
    const std::string environ = readFile(process.path() / "environ");
    if (("\0"s + environ).find("\0"s + entry + "\0"s) == std::string::npos) continue;
    const auto status = processStatus(pid_t(std::atol(process.path().filename().c_str())));
    if (status && status->state != 'Z') found.push_back(*status);
  }
  return found;
}

bool outputShows(const std::string& path, const std::string& line) {
  return WaylandSession::waitFor(
      [&] { return readFile(path).find(line + "\n") != std::string::npos; }, kClientMs);
}

TEST(WestonSessionTest, ShowsThePanelAtTheTopOfTheWholeOutput) {
  std::string whyNot;
  auto session = WestonSession::start({.width = 640, .height = 480, .xwayland = false}, &whyNot);
  TOV_SKIP_WITHOUT_WAYLAND(session, whyNot);
  const QImage shot = session->screenshot(&whyNot);
  ASSERT_FALSE(shot.isNull()) << whyNot;
  EXPECT_EQ(shot.size(), QSize(640, 480));
  EXPECT_EQ(shot.pixel(320, 1), WestonSession::panelColor());
  EXPECT_EQ(shot.pixel(320, 240), WestonSession::backgroundColor());
  EXPECT_EQ(shot.pixel(639, 479), WestonSession::backgroundColor());
}

// With Xwayland: a Wayland client's window is what the screenshot shows, and an X client
// reaches the Xwayland of this session (its screen is this output).
struct XwaylandCase {
  const char* name;
  Compositor compositor;
};

class XwaylandSessionTest : public ::testing::TestWithParam<XwaylandCase> {};

TEST_P(XwaylandSessionTest, WaylandAndXClientsReachThisSession) {
  std::string whyNot;
  auto session =
      startSession(GetParam().compositor, {.width = 800, .height = 600, .xwayland = true}, &whyNot);
  TOV_SKIP_WITHOUT_WAYLAND(session, whyNot);
  const std::vector<std::string> environment = session->environment();
  EXPECT_EQ(variable(environment, "WAYLAND_DISPLAY"), session->waylandDisplay());
  EXPECT_EQ(variable(environment, "XDG_RUNTIME_DIR"), session->runtimeDirectory());
  EXPECT_FALSE(session->busAddress().empty());
  EXPECT_EQ(variable(environment, "DBUS_SESSION_BUS_ADDRESS"), session->busAddress());
  ASSERT_EQ(variable(environment, "DISPLAY"), session->display());

  auto client = session->launch({TOV_WAYLAND_TEST_CLIENT, kClientColour},
                                session->directory() + "/client.out", &whyNot);
  ASSERT_TRUE(client) << whyNot;
  EXPECT_TRUE(screenBecomes(*session, QColor(kClientColour).rgb(), &whyNot)) << whyNot;

  const std::string xOutput = session->directory() + "/xdpyinfo.out";
  auto xClient = session->launch({"xdpyinfo"}, xOutput, &whyNot);
  ASSERT_TRUE(xClient) << whyNot;
  EXPECT_EQ(xClient->wait(kClientMs), 0) << readFile(xOutput);
  EXPECT_NE(readFile(xOutput).find("dimensions:    800x600 pixels"), std::string::npos)
      << readFile(xOutput);

  // Nothing that the session started may outlive it.
  client.reset();
  xClient.reset();
  const std::vector<ProcessStatus> started = processesOf(session->runtimeDirectory());
  EXPECT_FALSE(started.empty());
  session.reset();
  for (const ProcessStatus& process : started)
    EXPECT_TRUE(processEnded(process.pid)) << process.name << " " << process.pid;
}

INSTANTIATE_TEST_SUITE_P(Compositors, XwaylandSessionTest,
                         ::testing::Values(XwaylandCase{"weston", Compositor::weston},
                                           XwaylandCase{"mutter", Compositor::mutter}),
                         [](const auto& info) { return std::string(info.param.name); });

// Without Xwayland, on mutter: a DISPLAY of the test's own environment must not reach the
// clients; the client fills the screen, and the harness's clicks and keys reach it where
// and as they were sent.
class MutterSessionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* display = std::getenv("DISPLAY");
    if (display) inheritedDisplay_ = display;
    ::setenv("DISPLAY", ":4242", 1);
  }
  void TearDown() override {
    if (inheritedDisplay_)
      ::setenv("DISPLAY", inheritedDisplay_->c_str(), 1);
    else
      ::unsetenv("DISPLAY");
  }

 private:
  std::optional<std::string> inheritedDisplay_;
};

TEST_F(MutterSessionTest, AFullScreenClientGetsClicksAndKeysWhereAndAsSent) {
  std::string whyNot;
  auto session = MutterSession::start({.width = 800, .height = 600, .xwayland = false}, &whyNot);
  TOV_SKIP_WITHOUT_WAYLAND(session, whyNot);
  const std::vector<std::string> environment = session->environment();
  EXPECT_EQ(variable(environment, "DISPLAY"), std::nullopt);
  EXPECT_EQ(variable(environment, "DBUS_SESSION_BUS_ADDRESS"), session->busAddress());

  const std::string output = session->directory() + "/client.out";
  auto client = session->launch({TOV_WAYLAND_TEST_CLIENT, kClientColour}, output, &whyNot);
  ASSERT_TRUE(client) << whyNot;
  ASSERT_TRUE(screenBecomes(*session, QColor(kClientColour).rgb(), &whyNot)) << whyNot;

  // The first key goes before any click: a new virtual keyboard must not lose it.
  const struct {
    unsigned keysym;
    const char* printed;
  } keys[] = {{0x61, "key 97"}, {0xff0d, "key 65293"}};
  for (const auto& key : keys) {
    ASSERT_TRUE(session->pressKey(key.keysym, &whyNot)) << whyNot;
    EXPECT_TRUE(outputShows(output, key.printed)) << key.printed << "; the client said:\n"
                                                  << readFile(output);
  }

  const struct { int x, y; } clicks[] = {{10, 10}, {789, 579}, {400, 200}};
  for (const auto& at : clicks) {
    ASSERT_TRUE(session->movePointerTo(at.x, at.y, &whyNot)) << whyNot;
    ASSERT_TRUE(session->click(&whyNot)) << whyNot;
    const std::string printed = "click " + std::to_string(at.x) + " " + std::to_string(at.y);
    EXPECT_TRUE(outputShows(output, printed)) << printed << "; the client said:\n"
                                              << readFile(output);
  }
}

}  // namespace
}  // namespace tov::test
