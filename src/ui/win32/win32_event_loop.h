#pragma once
// The program's event loop on the Win32 message loop of the thread that makes it: timers with
// SetTimer, posted work in a locked queue announced by one posted message, handles watched by
// RegisterWaitForSingleObject whose callbacks post back to the loop, all on one message-only
// window. Every handler runs on the loop's thread, from whatever loop dispatches its messages
// (processEvents, or a modal one such as a message box's).
//
// Timers: a removed timer never ticks again, also when its WM_TIMER was already in the queue
// (KillTimer leaves those). An interval of 0 ticks whenever the queue holds nothing else, at
// the system's shortest period (USER_TIMER_MINIMUM): WM_TIMER comes only then.
// Watches: the handle is watched again after each call of ready, so a handle that stays
// signalled (an ended process) is reported once per pass of the loop until the watch goes.
// Posted work runs in the order it was posted; work posted while posted work runs waits for
// the next pass, so work that posts itself again cannot keep the loop from its other messages.
// Before-wait hooks run when processEvents() is about to wait; a modal loop of the system (a
// message box's) waits without them, which only a library with a queue of its own would miss,
// and the Windows program has none.
// Worker threads run at the system's own seven priority levels (SetThreadPriority), which
// match the seam's one to one, idle included, before and while they run.
// An exception leaving a handler ends that handler and comes out of processEvents().

#include <windows.h>

#include <deque>
#include <map>
#include <memory>
#include <mutex>

#include "platform/event_loop.h"
#include "platform/win32/message_window.h"

namespace tov::win32 {

class Win32EventLoop final : public IEventLoop {
 public:
  Win32EventLoop();
  // Stops every watch (waiting for callbacks under way) and timer; work still queued is dropped.
  ~Win32EventLoop() override;
  Win32EventLoop(const Win32EventLoop&) = delete;
  Win32EventLoop& operator=(const Win32EventLoop&) = delete;

  void post(Work work) override;
  Id addTimer(std::uint32_t intervalMs, Work tick) override;
  void removeTimer(Id timer) override;
  Id addWatch(NativeHandle handle, WatchFor what, Work ready) override;
  void removeWatch(Id watch) override;
  Id addBeforeWait(Work work) override;
  void removeBeforeWait(Id hook) override;
  std::unique_ptr<IWorkerThread> startThread(ThreadPriority priority, Work work) override;
  void processEvents(bool waitForMore) override;
  bool onLoopThread() const override;

  // Whether the loop met WM_QUIT (PostQuitMessage), and the code it carried. The loop does not
  // put it back: whoever runs the program's loop looks here.
  bool quitRequested() const { return quitRequested_; }
  int quitCode() const { return quitCode_; }

 private:
  struct WaitContext;
  struct Watch {
    HANDLE handle = nullptr;
    HANDLE wait = nullptr;  // the registered wait; null while ready runs
    std::shared_ptr<WaitContext> context;  // the wait's callback reads it until unregistered
    std::shared_ptr<Work> ready;
  };

  bool handle(UINT message, WPARAM wParam, LPARAM lParam);
  void runPosted();
  void tick(Id timer);
  void signalled(Id watch);
  bool armWatch(Id id, Watch& watch);
  static void CALLBACK waitCallback(void* context, BOOLEAN timedOut);
  // False when the next message is posted work that was posted during this pass.
  bool nextBelongsToThisPass(std::uint64_t passStart);
  void dispatch(const MSG& message);
  void runBeforeWaits();

  const DWORD threadId_;
  std::unique_ptr<MessageWindow> window_;

  std::mutex postedMutex_;
  std::deque<Work> posted_;      // guarded by postedMutex_
  bool announced_ = false;       // guarded: one message is in the queue for posted_
  std::uint64_t postBatches_ = 0;  // guarded: batches announced so far

  Id lastId_ = 0;
  std::map<Id, std::shared_ptr<Work>> timers_;
  std::map<Id, Watch> watches_;
  std::map<Id, std::shared_ptr<Work>> beforeWaits_;

  bool quitRequested_ = false;
  int quitCode_ = 0;
};

// Makes a Win32EventLoop and installs it for as long as it lives.
class InstalledWin32EventLoop {
 public:
  InstalledWin32EventLoop() { installEventLoop(&loop_); }
  ~InstalledWin32EventLoop() { installEventLoop(nullptr); }
  Win32EventLoop& loop() { return loop_; }

 private:
  Win32EventLoop loop_;
};

}  // namespace tov::win32
