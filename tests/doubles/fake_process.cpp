#include "doubles/fake_process.h"

#include <algorithm>

#include "platform/posix/command_line.h"

namespace tov::test {

StartResult FakeProcessStarter::start(const StartRequest& request) {
  Start start{request.verb, request.file, request.parameters, posix::splitCommandLine(request.parameters),
              request.directory, request.showCommand, 0};
  if (failWith != 0) {
    starts.push_back(std::move(start));
    return StartResult{failWith, 0};
  }
  start.process = ++lastHandle_;
  processes_[start.process] = ProcessStatus{ProcessStatus::Running, 0};
  starts.push_back(std::move(start));
  return StartResult{kStartSucceeded, lastHandle_};
}

ProcessStatus FakeProcessStarter::poll(ProcessHandle process) {
  ++polls;
  const auto found = processes_.find(process);
  return found == processes_.end() ? ProcessStatus{ProcessStatus::Unknown, 0} : found->second;
}

ProcessStatus FakeProcessStarter::wait(ProcessHandle process) {
  waited.push_back(process);
  if (running(process)) finish(process, exitCodeOnWait);
  return poll(process);
}

void FakeProcessStarter::release(ProcessHandle process) {
  released.push_back(process);
  processes_.erase(process);
}

std::string FakeProcessStarter::failureMessage(int instanceResult, const std::string& file) {
  return "failed " + std::to_string(instanceResult) + ": " + file;
}

std::string FakeProcessStarter::pathAsSeenBy(const std::string& program, const std::string& path) {
  if (!windowsPrograms.contains(program)) return path;
  std::string windows = "Z:" + path;
  std::replace(windows.begin(), windows.end(), '/', '\\');
  return windows;
}

void FakeProcessStarter::finish(ProcessHandle process, int exitCode) {
  const auto found = processes_.find(process);
  if (found != processes_.end()) found->second = ProcessStatus{ProcessStatus::Ended, exitCode};
}

void FakeProcessStarter::finishLast(int exitCode) { finish(lastProcess(), exitCode); }

bool FakeProcessStarter::running(ProcessHandle process) const {
  const auto found = processes_.find(process);
  return found != processes_.end() && found->second.state == ProcessStatus::Running;
}

}  // namespace tov::test
