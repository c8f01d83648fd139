#include "platform/guardian/posix/settings_restorer.h"

#include <spawn.h>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <optional>

#include "platform/errors.h"

extern char** environ;

namespace tov::guardian {

namespace {

// Runs program (from PATH) with arguments, its output (at most a line's worth) in output;
// true when it ran and succeeded.
bool run(const std::vector<std::string>& argv, std::string* output) {
  int pipeEnds[2];
  if (::pipe2(pipeEnds, O_CLOEXEC) != 0) return false;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
  std::vector<std::string> arguments = argv;
  std::vector<char*> pointers;
  for (std::string& argument : arguments) pointers.push_back(argument.data());
  pointers.push_back(nullptr);
  pid_t pid = -1;
  const int spawned = ::posix_spawnp(&pid, pointers.front(), &actions, nullptr, pointers.data(), environ);
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

bool boolean(const std::string& value) { return value == "true" || value == "false"; }

// Each kind of setting is given back by a fixed command whose only variable parts are the
// record's names, checked when it was read. Nothing for a record whose kind takes no such
// key or value; it is reported as not given back.
struct GiveBack {
  std::vector<std::string> check;  // whose output is expected when nothing needs doing; may be empty
  std::string expected;
  std::vector<std::string> set;
};

std::optional<GiveBack> swayGiveBack(const SettingChanged& s) {
  if (s.key != kSwayLeftHanded || !boolean(s.original)) return std::nullopt;
  // sway tells no setting of a device type itself, only each device's, so it is set anyway.
  return GiveBack{{}, {}, {"swaymsg", "-r", swayLeftHandedCommand(s.original == "true")}};
}

std::optional<GiveBack> kwinGiveBack(const SettingChanged& s) {
  if (!boolean(s.original)) return std::nullopt;
  const std::vector<std::string> call = {"gdbus", "call", "--session", "--dest", "org.kde.KWin", "--object-path",
                                         "/org/kde/KWin/InputDevice/" + s.key, "--method"};
  const std::string value = "<" + s.original + ">";
  GiveBack giveBack{call, "(" + value + ",)", call};
  giveBack.check.insert(giveBack.check.end(),
                        {"org.freedesktop.DBus.Properties.Get", std::string(kKWinInputDevice), "leftHanded"});
  giveBack.set.insert(giveBack.set.end(),
                      {"org.freedesktop.DBus.Properties.Set", std::string(kKWinInputDevice), "leftHanded", value});
  return giveBack;
}

std::optional<GiveBack> giveBackOf(const SettingChanged& s) {
  if (s.schema == kSwayInput) return swayGiveBack(s);
  if (s.schema == kKWinInputDevice) return kwinGiveBack(s);
  return GiveBack{{"gsettings", "get", s.schema, s.key}, s.original, {"gsettings", "set", s.schema, s.key, s.original}};
}

}  // namespace

std::vector<std::string> giveBackSettings(const std::vector<SettingChanged>& settings) {
  std::vector<std::string> said;
  for (const SettingChanged& setting : settings) {
    const std::optional<GiveBack> giveBack = giveBackOf(setting);
    std::string now;
    if (giveBack && !giveBack->check.empty() && run(giveBack->check, &now) && now == giveBack->expected) continue;
    const bool set = giveBack && run(giveBack->set, nullptr);
    said.push_back(formatError(set ? ErrorCode::GuardianSettingGivenBack : ErrorCode::GuardianSettingNotGivenBack,
                               setting.schema + " " + setting.key + " " + setting.original));
  }
  return said;
}

}  // namespace tov::guardian
