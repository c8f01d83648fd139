// The single-instance lock on real files: where it lives, what counts as the same program,
// and that the lock ends with its holder and never passes to a child.
#include "platform/posix/instance_lock.h"
#include "platform/wayland/wayland_platform.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <memory>

namespace tov::posix {
namespace wayland = ::tov::wayland;
namespace {

namespace fs = std::filesystem;

TEST(InstanceLockPath, NamesTheProgramFileAndTheDisplay) {
  struct Case {
    const char* program;
    const char* display;
    const char* runtimeDir;
    const char* path;
  };
  const Case cases[] = {
      {"/opt/tovaleer/tovaleer", ":0", "/run/user/1000", "/run/user/1000/tovaleer@:0.lock"},
      {"./tovaleer", ":0.0", "/run/user/1000", "/run/user/1000/tovaleer@:0.lock"},
      {"tovaleer", "localhost:10.1", "/run/user/1000", "/run/user/1000/tovaleer@:10.lock"},
      {"tovaleer", "unix:0", "/run/user/1000", "/run/user/1000/tovaleer@:0.lock"},
      {"tovaleer", "tcp/localhost:0.0", "/run/user/1000", "/run/user/1000/tovaleer@:0.lock"},
      {"tovaleer", "127.0.0.1:00", "/run/user/1000", "/run/user/1000/tovaleer@:0.lock"},
      {"tovaleer", "[::1]:3", "/run/user/1000", "/run/user/1000/tovaleer@:3.lock"},
      {"tovaleer", "LabServer:2.1", "/run/user/1000", "/run/user/1000/tovaleer@labserver:2.lock"},
      {"/other/folder/tovaleer", ":0", "/run/user/1000", "/run/user/1000/tovaleer@:0.lock"},
      {"/opt/tovaleer/menu2", ":0", "/run/user/1000", "/run/user/1000/menu2@:0.lock"},
      {"tovaleer", "/tmp/launch/org.x:0", "/run/user/1000", "/run/user/1000/tovaleer@_tmp_launch_org.x:0.lock"},
      {"tovaleer", ":1", nullptr, "/tmp/tovaleer@:1.1000.lock"},
      {"tovaleer", ":1", "", "/tmp/tovaleer@:1.1000.lock"},
      {"tovaleer", ":1", "relative/dir", "/tmp/tovaleer@:1.1000.lock"},
      {"", ":1", "/run/user/1000", "/run/user/1000/program@:1.lock"},
      {"/usr/bin/", ":1", "/run/user/1000", "/run/user/1000/program@:1.lock"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(instanceLockPath(c.program, c.display, c.runtimeDir, 1000), c.path) << c.program << " on " << c.display;
}

TEST(InstanceLockPath, ThisMachinesOwnNameIsTheLocalDisplay) {
  char host[256] = {};
  ASSERT_EQ(::gethostname(host, sizeof host - 1), 0);
  EXPECT_EQ(instanceLockPath("tovaleer", std::string(host) + ":0.0", "/run/user/1000", 1000),
            "/run/user/1000/tovaleer@:0.lock");
}

// A Wayland session names its socket in XDG_RUNTIME_DIR or by a whole path: either way one
// lock per socket, in the runtime folder, never a name with folders in it.
TEST(InstanceLockPath, AWaylandSessionLocksByItsSocketsFileName) {
  struct Case {
    const char* waylandDisplay;
    const char* path;
  };
  const Case cases[] = {
      {"wayland-0", "/run/user/1000/tovaleer@wayland-0.lock"},
      {"wayland-1", "/run/user/1000/tovaleer@wayland-1.lock"},
      {"/run/user/1000/wayland-1", "/run/user/1000/tovaleer@wayland-1.lock"},
      {nullptr, "/run/user/1000/tovaleer@wayland-0.lock"},
      {"", "/run/user/1000/tovaleer@wayland-0.lock"},
      {"/run/user/1000/", "/run/user/1000/tovaleer@wayland-0.lock"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(instanceLockPath("/usr/bin/tovaleer", wayland::lockDisplayName(c.waylandDisplay), "/run/user/1000", 1000),
              c.path)
        << (c.waylandDisplay ? c.waylandDisplay : "(unset)");
}

class InstanceLockTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() / ("tovaleer-lock-" + std::to_string(::getpid()));
    fs::remove_all(folder_);
    fs::create_directories(folder_);
    path_ = (folder_ / "tovaleer@:9.lock").string();
  }
  void TearDown() override { fs::remove_all(folder_); }

  fs::path folder_;
  std::string path_;
};

TEST_F(InstanceLockTest, TheSecondHolderFindsTheFirstUntilItIsGone) {
  auto first = std::make_unique<FlockInstanceLock>(path_);
  EXPECT_TRUE(first->held());
  EXPECT_FALSE(first->alreadyRunning());
  {
    FlockInstanceLock second(path_);
    EXPECT_TRUE(second.alreadyRunning());
    EXPECT_FALSE(second.held());
  }
  first.reset();
  FlockInstanceLock third(path_);
  EXPECT_FALSE(third.alreadyRunning()) << "the lock ended with the first copy";
  EXPECT_TRUE(third.held());
}

TEST_F(InstanceLockTest, ALockThatCannotBeMadeLeavesTheCopyFirst) {
  FlockInstanceLock noFolder((folder_ / "missing" / "tovaleer@:9.lock").string());
  EXPECT_FALSE(noFolder.alreadyRunning());
  EXPECT_FALSE(noFolder.held());

  // A link planted under the name is never followed.
  const fs::path target = folder_ / "elsewhere";
  fs::create_symlink(target, path_);
  FlockInstanceLock link(path_);
  EXPECT_FALSE(link.alreadyRunning());
  EXPECT_FALSE(link.held());
  EXPECT_FALSE(fs::exists(target));
}

// An activity the menu started may outlive it; it must not keep the menu from starting.
TEST_F(InstanceLockTest, AChildProcessDoesNotKeepTheLock) {
  auto menu = std::make_unique<FlockInstanceLock>(path_);
  ASSERT_TRUE(menu->held());
  // The pipe's write end closes when the child's exec closes every close-on-exec
  // descriptor: from then on, whatever the child keeps open, it keeps for good.
  int execDone[2];
  ASSERT_EQ(::pipe2(execDone, O_CLOEXEC), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::execl("/bin/sleep", "sleep", "30", static_cast<char*>(nullptr));
    ::_exit(127);
  }
  ::close(execDone[1]);
  char ignored;
  while (::read(execDone[0], &ignored, 1) > 0) {
  }
  ::close(execDone[0]);
  menu.reset();
  FlockInstanceLock next(path_);
  EXPECT_FALSE(next.alreadyRunning()) << "the child still holds the lock";
  ::kill(child, SIGKILL);
  ::waitpid(child, nullptr, 0);
}

}  // namespace
}  // namespace tov::posix
