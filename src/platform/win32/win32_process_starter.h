#pragma once
// Starting programs, documents and folders through the shell: ShellExecuteExW with the verb,
// SEE_MASK_NOCLOSEPROCESS (the process handle is kept) and SEE_MASK_FLAG_NO_UI (the program's
// starter shows the failure itself, with failureMessage()). Failures come back as the shell's
// instance results. The end of a process is taken on the event loop, where one is installed:
// its handle is watched (RegisterWaitForSingleObject, posting back to the loop), and once it
// is signalled the exit code is kept and the handle closed, so the user-interface thread
// never waits for a child. A poll looks without waiting (GetExitCodeProcess); only wait(),
// for a caller that asks to block, waits with WaitForSingleObject.

#include <windows.h>

#include <map>

#include "platform/event_loop.h"
#include "platform/process.h"

namespace tov::win32 {

// The instance result for a start the shell refused, from its own result (hInstApp) when it
// is one of its failure numbers, else from the system's error.
int instanceResultOfFailure(INT_PTR shellResult, DWORD systemError);

class Win32ProcessStarter : public IProcessStarter {
 public:
  Win32ProcessStarter() = default;
  // Closes the handles it keeps; the processes run on.
  ~Win32ProcessStarter() override;
  Win32ProcessStarter(const Win32ProcessStarter&) = delete;
  Win32ProcessStarter& operator=(const Win32ProcessStarter&) = delete;

  StartResult start(const StartRequest& request) override;
  // A process that ends with STILL_ACTIVE (259) as its exit code has ended all the same: a
  // zero-time wait on its handle tells it from one that runs.
  ProcessStatus poll(ProcessHandle process) override;
  ProcessStatus wait(ProcessHandle process) override;
  void release(ProcessHandle process) override;
  std::string failureMessage(int instanceResult, const std::string& file) override;
  // Windows programs see our paths as they are.
  std::string pathAsSeenBy(const std::string& program, const std::string& path) override;

 private:
  struct Child {
    HANDLE process = nullptr;  // closed once the end is taken
    ProcessStatus status;      // final once Ended
    IEventLoop::Id watch = 0;  // the loop's watch of process, while it runs
  };

  void watchEnd(ProcessHandle handle, Child& child);
  void stopWatching(Child& child);
  // Takes the end and the exit code, and closes the handle, if the process has ended.
  void takeEndIfEnded(Child& child);

  std::map<ProcessHandle, Child> children_;
  ProcessHandle lastHandle_ = 0;
};

}  // namespace tov::win32
