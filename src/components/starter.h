#pragma once
// TStarter: starts a program, or opens a document or folder, through the platform's program
// starter, and tells by events what became of the start and, later, that the process ended.
// It has no thread: the end is noticed by polling every 500 ms from the process-wide tick
// service (TAppSupport), so every event comes on the user-interface thread.

#include <cstdint>
#include <functional>
#include <string>

#include "components/datetimevalue.h"
#include "platform/process.h"

namespace tov {

class TTimerPool;

enum class TStarterOperation { smOpen, smPrint, smExplore };

enum class TStarterOptions {
  soSW_HIDE,
  soSW_MAXIMIZE,
  soSW_MINIMIZE,
  soSW_RESTORE,
  soSW_SHOW,
  soSW_SHOWMAXIMIZED,
  soSW_SHOWMINIMIZED,
  soSW_SHOWMINNOACTIVE,
  soSW_SHOWNA,
  soSW_SHOWNORMAL,
};

// The platform's show command (a ShowWindow value) of an option.
int showCommandOf(TStarterOptions option);

// True for the instance results that mean the start failed.
bool isStartFailure(int instanceResult);

// Create a TAppSupport before any starter and keep it until the last starter is gone.
// Watches one process at a time: a new Execute stops watching the previous one.
class TStarter {
 public:
  // EOutOfResources "Not enough timers available" when the tick service has no free slot (or
  // no TAppSupport exists).
  explicit TStarter(IProcessStarter& processes);
  ~TStarter();
  TStarter(const TStarter&) = delete;
  TStarter& operator=(const TStarter&) = delete;

  TStarterOperation StartOperation() const { return startOperation_; }
  void setStartOperation(TStarterOperation value) { startOperation_ = value; }
  TStarterOptions StartOption() const { return startOption_; }
  void setStartOption(TStarterOptions value) { startOption_ = value; }
  const std::string& Command() const { return command_; }
  void setCommand(const std::string& value);
  const std::string& Parameters() const { return parameters_; }
  void setParameters(const std::string& value);
  const std::string& DefaultDir() const { return defaultDir_; }
  void setDefaultDir(const std::string& value);
  bool AutoStart() const { return autoStart_; }
  // While true, a check every second starts the program when the clock shows StartTime.
  void setAutoStart(bool value);
  const TDateTimeValue& StartTime() const { return startTime_; }
  TDateTimeValue& StartTime() { return startTime_; }
  void setStartTime(const TDateTimeValue& value) { startTime_.Assign(value); }
  bool Wait() const { return wait_; }
  // While true, Execute blocks the calling thread until the started process has ended.
  void setWait(bool value) { wait_ = value; }

  // One start with the current properties; its events come before it returns.
  void Execute();

  std::function<void(TStarter* sender)> OnBeforeStart;
  std::function<void(TStarter* sender)> OnAfterStart;  // after every start, failed or not
  std::function<void(TStarter* sender)> OnError;       // a failed start, before OnAfterStart
  std::function<void(TStarter* sender)> OnFinished;    // the watched process has ended

  // The local date and time the start-time check reads; tests put a clock of their own here.
  std::function<double()> Clock = currentDateTime;

 private:
  StartRequest request() const;
  void watchForFinish();
  void stopFinishPoll();
  void finishPoll();
  void startTimeCheck();
  void forgetProcess();
  void raise(const std::function<void(TStarter*)>& event);

  IProcessStarter& processes_;
  TTimerPool& pool_;
  TStarterOperation startOperation_ = TStarterOperation::smOpen;
  TStarterOptions startOption_ = TStarterOptions::soSW_SHOW;
  std::string command_;
  std::string parameters_;
  std::string defaultDir_;
  bool autoStart_ = false;
  TDateTimeValue startTime_;
  bool wait_ = false;

  ProcessHandle process_ = 0;
  std::uint16_t startTimeRegistration_ = 0;
  std::uint16_t finishPollRegistration_ = 0;  // 0 while no process is watched
};

}  // namespace tov
