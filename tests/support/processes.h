#pragma once
// Processes as /proc tells of them: a process's name, state and parent, and the children of one.

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

}  // namespace tov::test
