#pragma once
// A test double of the program starter: it keeps every start, fails when told to, and lets a
// test end a "process" with an exit code.

#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/process.h"

namespace tov::test {

class FakeProcessStarter : public IProcessStarter {
 public:
  struct Start {
    ShellVerb verb;
    std::string file;
    std::string parameters;         // the line as given
    std::vector<std::string> argv;  // what a started program would receive after its name
    std::string directory;
    int showCommand;
    ProcessHandle process;          // 0 for a failed start
  };

  // Starts fail with this instance result while it is not 0.
  int failWith = 0;
  // A wait() ends the process with this code (a double cannot block).
  int exitCodeOnWait = 0;
  // Programs that pathAsSeenBy() treats as Windows programs under Wine.
  std::set<std::string> windowsPrograms;

  std::vector<Start> starts;
  std::vector<ProcessHandle> released;
  std::vector<ProcessHandle> waited;
  int polls = 0;

  StartResult start(const StartRequest& request) override;
  ProcessStatus poll(ProcessHandle process) override;
  ProcessStatus wait(ProcessHandle process) override;
  void release(ProcessHandle process) override;
  // "failed CODE: FILE", so a test sees what reached the message box.
  std::string failureMessage(int instanceResult, const std::string& file) override;
  // path itself; for a program in windowsPrograms, "Z:" and path with backslashes.
  std::string pathAsSeenBy(const std::string& program, const std::string& path) override;

  // Ends a started process; its next poll reports the code.
  void finish(ProcessHandle process, int exitCode = 0);
  void finishLast(int exitCode = 0);
  bool running(ProcessHandle process) const;
  ProcessHandle lastProcess() const { return starts.empty() ? 0 : starts.back().process; }

 private:
  std::map<ProcessHandle, ProcessStatus> processes_;
  ProcessHandle lastHandle_ = 0;
};

}  // namespace tov::test
