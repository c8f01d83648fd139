#include "ui/win32/win32_event_loop.h"

#include <process.h>

#include <cerrno>
#include <stdexcept>
#include <system_error>
#include <utility>
#include <vector>

#include "platform/errors.h"

namespace tov::win32 {

namespace {

constexpr UINT kRunPosted = WM_APP + 1;     // wParam: the number of the batch it announces
constexpr UINT kWatchSignalled = WM_APP + 2;  // lParam: the watch's id

int systemPriorityOf(ThreadPriority priority) {
  switch (priority) {
    case ThreadPriority::Idle: return THREAD_PRIORITY_IDLE;
    case ThreadPriority::Lowest: return THREAD_PRIORITY_LOWEST;
    case ThreadPriority::Lower: return THREAD_PRIORITY_BELOW_NORMAL;
    case ThreadPriority::Normal: break;
    case ThreadPriority::Higher: return THREAD_PRIORITY_ABOVE_NORMAL;
    case ThreadPriority::Highest: return THREAD_PRIORITY_HIGHEST;
    case ThreadPriority::TimeCritical: return THREAD_PRIORITY_TIME_CRITICAL;
  }
  return THREAD_PRIORITY_NORMAL;
}

// A thread of the program's own. It is made suspended, so that it runs its work at the
// priority asked for from its first instruction.
class Win32WorkerThread final : public IWorkerThread {
 public:
  Win32WorkerThread(ThreadPriority priority, IEventLoop::Work work) : work_(std::move(work)) {
    // _beginthreadex: the C runtime sets up its per-thread state for the work.
    thread_ = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, &Win32WorkerThread::run, this, CREATE_SUSPENDED, nullptr));
    if (!thread_) throw std::system_error(errno, std::generic_category(), "_beginthreadex");
    setPriority(priority);
    ResumeThread(thread_);
  }
  ~Win32WorkerThread() override {
    join();
    CloseHandle(thread_);
  }
  Win32WorkerThread(const Win32WorkerThread&) = delete;
  Win32WorkerThread& operator=(const Win32WorkerThread&) = delete;

  void setPriority(ThreadPriority priority) override {
    if (SetThreadPriority(thread_, systemPriorityOf(priority))) priority_ = priority;
  }
  ThreadPriority priority() const override { return priority_; }
  void join() override { WaitForSingleObject(thread_, INFINITE); }

 private:
  static unsigned __stdcall run(void* self) {
    static_cast<Win32WorkerThread*>(self)->work_();
    return 0;
  }

  IEventLoop::Work work_;
  HANDLE thread_ = nullptr;
  ThreadPriority priority_ = ThreadPriority::Normal;  // what the system took last
};

}  // namespace

// What a registered wait's callback needs, on a thread of the system's pool: where to post,
// and whose it is. Lives until the wait is unregistered.
struct Win32EventLoop::WaitContext {
  HWND window;
  Id id;
};

Win32EventLoop::Win32EventLoop()
    : threadId_(GetCurrentThreadId()),
      window_(std::make_unique<MessageWindow>([this](UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
        result = 0;
        return handle(message, wParam, lParam);
      })) {}

Win32EventLoop::~Win32EventLoop() {
  for (auto& [id, watch] : watches_)
    if (watch.wait) UnregisterWaitEx(watch.wait, INVALID_HANDLE_VALUE);
  for (auto& [id, tick] : timers_) KillTimer(window_->handle(), UINT_PTR(id));
}

bool Win32EventLoop::handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case kRunPosted: runPosted(); return true;
    case WM_TIMER: tick(Id(wParam)); return true;
    case kWatchSignalled: signalled(Id(lParam)); return true;
    default: return false;
  }
}

// ---------------------------------------------------------------------------------------------
// Posted work

void Win32EventLoop::post(Work work) {
  std::lock_guard lock(postedMutex_);
  posted_.push_back(std::move(work));
  if (announced_) return;
  announced_ = true;
  PostMessageW(window_->handle(), kRunPosted, WPARAM(++postBatches_), 0);
}

void Win32EventLoop::runPosted() {
  std::deque<Work> batch;
  {
    std::lock_guard lock(postedMutex_);
    batch.swap(posted_);
    announced_ = false;
  }
  while (!batch.empty()) {
    Work work = std::move(batch.front());
    batch.pop_front();
    try {
      work();
    } catch (...) {
      // The rest keeps its place, ahead of what was posted since.
      std::lock_guard lock(postedMutex_);
      posted_.insert(posted_.begin(), std::make_move_iterator(batch.begin()), std::make_move_iterator(batch.end()));
      if (!posted_.empty() && !announced_) {
        announced_ = true;
        PostMessageW(window_->handle(), kRunPosted, WPARAM(++postBatches_), 0);
      }
      throw;
    }
  }
}

// ---------------------------------------------------------------------------------------------
// Timers

IEventLoop::Id Win32EventLoop::addTimer(std::uint32_t intervalMs, Work tick) {
  const Id id = ++lastId_;
  if (!SetTimer(window_->handle(), UINT_PTR(id), intervalMs, nullptr)) throw EOutOfResources(ErrorCode::NotEnoughTimers);
  timers_.emplace(id, std::make_shared<Work>(std::move(tick)));
  return id;
}

void Win32EventLoop::removeTimer(Id timer) {
  if (timers_.erase(timer) == 0) return;
  KillTimer(window_->handle(), UINT_PTR(timer));
}

void Win32EventLoop::tick(Id timer) {
  const auto found = timers_.find(timer);
  // A WM_TIMER of a removed timer may still have been in the queue.
  if (found == timers_.end()) return;
  // Held here: the handler may remove its own timer.
  const std::shared_ptr<Work> work = found->second;
  (*work)();
}

// ---------------------------------------------------------------------------------------------
// Watched handles

void CALLBACK Win32EventLoop::waitCallback(void* context, BOOLEAN) {
  const auto* wait = static_cast<const WaitContext*>(context);
  PostMessageW(wait->window, kWatchSignalled, 0, LPARAM(wait->id));
}

bool Win32EventLoop::armWatch(Id id, Watch& watch) {
  // Once only: the next wait is registered after ready has run, so a handle that stays
  // signalled is not reported faster than the loop serves it.
  auto context = std::make_shared<WaitContext>(WaitContext{window_->handle(), id});
  if (!RegisterWaitForSingleObject(&watch.wait, watch.handle, &Win32EventLoop::waitCallback, context.get(),
                                   INFINITE, WT_EXECUTEONLYONCE)) {
    watch.wait = nullptr;
    return false;
  }
  watch.context = std::move(context);
  return true;
}

IEventLoop::Id Win32EventLoop::addWatch(NativeHandle handle, WatchFor, Work ready) {
  const Id id = ++lastId_;
  Watch watch;
  watch.handle = reinterpret_cast<HANDLE>(handle);
  watch.ready = std::make_shared<Work>(std::move(ready));
  if (!armWatch(id, watch)) throw EOutOfResources(ErrorCode::NotEnoughTimers);
  watches_.emplace(id, std::move(watch));
  return id;
}

void Win32EventLoop::removeWatch(Id id) {
  const auto found = watches_.find(id);
  if (found == watches_.end()) return;
  // Waits for a callback under way, so none posts for this watch once it is gone; one
  // already posted finds no watch.
  if (found->second.wait) UnregisterWaitEx(found->second.wait, INVALID_HANDLE_VALUE);
  watches_.erase(found);
}

void Win32EventLoop::signalled(Id id) {
  auto found = watches_.find(id);
  if (found == watches_.end()) return;
  if (found->second.wait) UnregisterWaitEx(std::exchange(found->second.wait, nullptr), INVALID_HANDLE_VALUE);
  found->second.context.reset();
  const std::shared_ptr<Work> ready = found->second.ready;
  (*ready)();
  // ready may have removed the watch, or removed it and added others.
  found = watches_.find(id);
  if (found != watches_.end() && !found->second.wait) armWatch(id, found->second);
}

// ---------------------------------------------------------------------------------------------
// Before-wait hooks and worker threads

IEventLoop::Id Win32EventLoop::addBeforeWait(Work work) {
  const Id id = ++lastId_;
  beforeWaits_.emplace(id, std::make_shared<Work>(std::move(work)));
  return id;
}

void Win32EventLoop::removeBeforeWait(Id hook) { beforeWaits_.erase(hook); }

void Win32EventLoop::runBeforeWaits() {
  std::vector<Id> hooks;
  for (const auto& [id, work] : beforeWaits_) hooks.push_back(id);
  // A hook may remove itself or another: one removed is not called again, even in this pass.
  for (const Id id : hooks) {
    const auto found = beforeWaits_.find(id);
    if (found == beforeWaits_.end()) continue;
    const std::shared_ptr<Work> work = found->second;
    (*work)();
  }
}

std::unique_ptr<IWorkerThread> Win32EventLoop::startThread(ThreadPriority priority, Work work) {
  return std::make_unique<Win32WorkerThread>(priority, std::move(work));
}

// ---------------------------------------------------------------------------------------------
// The loop

bool Win32EventLoop::nextBelongsToThisPass(std::uint64_t passStart) {
  MSG next;
  if (!PeekMessageW(&next, nullptr, 0, 0, PM_NOREMOVE)) return false;
  return !(next.hwnd == window_->handle() && next.message == kRunPosted && next.wParam > passStart);
}

void Win32EventLoop::dispatch(const MSG& message) {
  TranslateMessage(&message);
  DispatchMessageW(&message);
  if (std::exception_ptr error = takeDeferredException()) std::rethrow_exception(error);
}

void Win32EventLoop::processEvents(bool waitForMore) {
  // One kept by a window procedure that a modal loop dispatched to.
  if (std::exception_ptr error = takeDeferredException()) std::rethrow_exception(error);
  if (waitForMore) {
    runBeforeWaits();
    MsgWaitForMultipleObjectsEx(0, nullptr, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
  }
  std::uint64_t passStart;
  {
    std::lock_guard lock(postedMutex_);
    passStart = postBatches_;
  }
  MSG message;
  while (nextBelongsToThisPass(passStart) && PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      quitRequested_ = true;
      quitCode_ = int(message.wParam);
      return;
    }
    dispatch(message);
  }
}

bool Win32EventLoop::onLoopThread() const { return GetCurrentThreadId() == threadId_; }

}  // namespace tov::win32
