#pragma once
// Processes as /proc tells of them: a process's name, state and parent, the children of one,
// and the Wine servers of a Wine prefix.

#include <sys/types.h>

#include <optional>
#include <string>
#include <vector>

namespace tov::test {

struct ProcessStatus {
  pid_t pid = 0;
  pid_t parent = 0;
  char state = '?';  // 'Z': ended, and not reaped by its parent yet
  std::string name;  // the kernel keeps the first 15 characters
};

// Nothing once the process has gone.
std::optional<ProcessStatus> processStatus(pid_t pid);

// Running ones and ended ones that the parent has not reaped yet.
std::vector<ProcessStatus> childrenOf(pid_t parent);

// Gone, or a zombie that nobody has reaped yet.
bool processEnded(pid_t pid);

// The running Wine servers of the prefix folder. A server works in a folder named after the
// prefix's device and inode ("server-DEV-INODE", in hexadecimal), which tells it from the
// servers of other prefixes without asking it anything, and in the prefix itself for the
// moments it saves the registry there (every 30 s while it changes).
std::vector<pid_t> wineServersOf(const std::string& prefix);

}  // namespace tov::test
