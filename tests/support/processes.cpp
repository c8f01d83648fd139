#include "support/processes.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace tov::test {

std::optional<ProcessStatus> processStatus(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string text;
  if (!std::getline(in, text)) return std::nullopt;
  // "pid (name) state ppid ...": the name may hold spaces and parentheses, so it ends at the
  // last closing one.
  const std::size_t open = text.find('('), close = text.rfind(')');
  if (open == std::string::npos || close == std::string::npos || close + 4 > text.size())
    return std::nullopt;
  ProcessStatus status;
  status.pid = pid;
  status.name = text.substr(open + 1, close - open - 1);
  status.state = text[close + 2];
  status.parent = pid_t(std::atol(text.c_str() + close + 4));
  return status;
}

std::vector<ProcessStatus> childrenOf(pid_t parent) {
  std::vector<ProcessStatus> children;
  for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
    const std::string name = entry.path().filename().string();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;  // not a process
    const auto status = processStatus(pid_t(std::atol(name.c_str())));
    if (status && status->parent == parent) children.push_back(*status);
  }
  return children;
}

bool processEnded(pid_t pid) {
  const auto status = processStatus(pid);
  return !status || status->state == 'Z';
}

std::vector<pid_t> wineServersOf(const std::string& prefix) {
  struct stat info {};
  if (::stat(prefix.c_str(), &info) != 0) return {};
  char folder[64];
  std::snprintf(folder, sizeof folder, "/server-%llx-%llx", static_cast<unsigned long long>(info.st_dev),
                static_cast<unsigned long long>(info.st_ino));
  std::vector<pid_t> servers;
  for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
    const std::string name = entry.path().filename().string();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;  // not a process
    const pid_t pid = pid_t(std::atol(name.c_str()));
    const auto status = processStatus(pid);
    if (!status || status->state == 'Z' || !status->name.starts_with("wineserver")) continue;
    std::error_code gone;
    const std::filesystem::path cwd = std::filesystem::read_symlink(entry.path() / "cwd", gone);
    if (cwd.string().ends_with(folder) || std::filesystem::equivalent(cwd, prefix, gone)) servers.push_back(pid);
  }
  return servers;
}

}  // namespace tov::test
