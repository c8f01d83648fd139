#include "platform/x11/guardian/setting_restorer.h"

#include <spawn.h>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include "platform/errors.h"

extern char** environ;

namespace tov::guardian {

namespace {

// Runs gsettings with arguments, its output (at most a line's worth) in output; true when
// it ran and succeeded.
bool runGsettings(const std::vector<std::string>& arguments, std::string* output) {
  int pipeEnds[2];
  if (::pipe2(pipeEnds, O_CLOEXEC) != 0) return false;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
  std::vector<std::string> argv{"gsettings"};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  std::vector<char*> pointers;
  for (std::string& argument : argv) pointers.push_back(argument.data());
  pointers.push_back(nullptr);
  pid_t pid = -1;
  const int spawned = ::posix_spawnp(&pid, "gsettings", &actions, nullptr, pointers.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(pipeEnds[1]);
  std::string text;
  char buffer[512];
  for (ssize_t got; spawned == 0 && text.size() < kMaxLineLength &&
                    ((got = ::read(pipeEnds[0], buffer, sizeof buffer)) > 0 || (got < 0 && errno == EINTR));)
    if (got > 0) text.append(buffer, std::size_t(got));
  ::close(pipeEnds[0]);
  if (spawned != 0) return false;
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (output) *output = text.substr(0, text.find('\n'));
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

std::vector<std::string> giveBackSettings(const std::vector<SettingChanged>& settings) {
  std::vector<std::string> said;
  for (const SettingChanged& setting : settings) {
    std::string now;
    if (runGsettings({"get", setting.schema, setting.key}, &now) && now == setting.original) continue;
    const bool set = runGsettings({"set", setting.schema, setting.key, setting.original}, nullptr);
    said.push_back(formatError(set ? ErrorCode::GuardianSettingGivenBack : ErrorCode::GuardianSettingNotGivenBack,
                               setting.schema + " " + setting.key + " " + setting.original));
  }
  return said;
}

}  // namespace tov::guardian
