#pragma once
// The user-interface thread's event loop, as the program's logic sees it: timers, work handed
// over from any thread, descriptors or handles watched without blocking, and the program's
// own worker threads with their priorities. Every handler of the program runs on that one
// thread. The windowing layer's backend implements it, and the program's entry (or a test's)
// installs it before anything is built that uses it.

#include <cstdint>
#include <functional>
#include <memory>

namespace tov {

// A POSIX file descriptor, or a Windows HANDLE that can be waited on.
using NativeHandle = std::intptr_t;

enum class WatchFor { Readable, Writable };

// The priority the system schedules a thread by. Where the system has fewer levels, several
// share one (Linux tells only the idle class from the rest).
enum class ThreadPriority { Idle, Lowest, Lower, Normal, Higher, Highest, TimeCritical };

// A thread of the program's own, running one piece of work. Made, used and destroyed on the
// loop's thread; destroying it waits for its work to return.
class IWorkerThread {
 public:
  virtual ~IWorkerThread() = default;
  // Reaches the running thread, or the thread as soon as it runs.
  virtual void setPriority(ThreadPriority priority) = 0;
  // The priority the thread has: the last one asked for, unless the system refused it (a
  // thread may lack the right to leave the idle class), then the one it kept.
  virtual ThreadPriority priority() const = 0;
  // Waits until the work has returned.
  virtual void join() = 0;
};

class IEventLoop {
 public:
  using Work = std::function<void()>;
  using Id = std::uint64_t;  // 0 is never an id

  virtual ~IEventLoop() = default;

  // Runs work on the loop's thread after the events at hand. Safe from any thread; work
  // posted from one thread runs in the order it was posted.
  virtual void post(Work work) = 0;

  // A timer of the loop: tick runs every intervalMs milliseconds (0: whenever the loop is
  // idle) until the timer is removed. A removed timer never ticks again, even when it was
  // due in the same pass of the loop.
  virtual Id addTimer(std::uint32_t intervalMs, Work tick) = 0;
  virtual void removeTimer(Id timer) = 0;

  // Calls ready whenever handle is readable (or writable); on Windows, whenever the handle
  // is signalled (what is watched is then the handle itself).
  virtual Id addWatch(NativeHandle handle, WatchFor what, Work ready) = 0;
  virtual void removeWatch(Id watch) = 0;

  // Calls work each time the loop is about to wait for events: for a library that reads
  // its events into a queue of its own, where no watched descriptor shows them. May be
  // removed from inside its own call.
  virtual Id addBeforeWait(Work work) = 0;
  virtual void removeBeforeWait(Id hook) = 0;

  // Starts work on a new thread with that priority.
  virtual std::unique_ptr<IWorkerThread> startThread(ThreadPriority priority, Work work) = 0;

  // Serves the events at hand and returns; with waitForMore, first waits until one comes.
  virtual void processEvents(bool waitForMore) = 0;
  // True on the loop's own thread.
  virtual bool onLoopThread() const = 0;
};

// The loop of this process; installing null takes it away again.
void installEventLoop(IEventLoop* loop);
IEventLoop& eventLoop();
bool hasEventLoop();

// Serves events, waiting for them, until done() is true: a nested loop, for modal work.
// done is asked after each batch of events, so it must become true in a handler.
void serveEventsUntil(const std::function<bool()>& done);

// A repeating timer of the loop, stopped when it goes.
class LoopTimer {
 public:
  LoopTimer() = default;
  explicit LoopTimer(IEventLoop::Work tick) : tick_(std::move(tick)) {}
  ~LoopTimer() { stop(); }
  LoopTimer(const LoopTimer&) = delete;
  LoopTimer& operator=(const LoopTimer&) = delete;

  void setHandler(IEventLoop::Work tick) { tick_ = std::move(tick); }
  // Starts counting a full interval from now, also when it was running.
  void start(std::uint32_t intervalMs);
  void stop();
  bool active() const { return id_ != 0; }
  std::uint32_t interval() const { return interval_; }

 private:
  IEventLoop::Work tick_;
  IEventLoop::Id id_ = 0;
  std::uint32_t interval_ = 0;
};

// A descriptor or handle watched for as long as this lives.
class LoopWatch {
 public:
  LoopWatch(NativeHandle handle, WatchFor what, IEventLoop::Work ready);
  ~LoopWatch();
  LoopWatch(const LoopWatch&) = delete;
  LoopWatch& operator=(const LoopWatch&) = delete;
  // Stops and starts watching again (while a handle's end is being dealt with, say).
  void setEnabled(bool enabled);

 private:
  NativeHandle handle_;
  WatchFor what_;
  IEventLoop::Work ready_;
  IEventLoop::Id id_ = 0;
};

// Work posted on behalf of an object: what is still waiting when the object goes is dropped.
// post() may be called from any thread while the context lives; the context is made and
// destroyed on the loop's thread.
class LoopContext {
 public:
  LoopContext();
  ~LoopContext();
  LoopContext(const LoopContext&) = delete;
  LoopContext& operator=(const LoopContext&) = delete;

  void post(IEventLoop::Work work) const;

 private:
  // Read and cleared on the loop's thread only, where the posted work also runs.
  std::shared_ptr<bool> alive_;
};

}  // namespace tov
