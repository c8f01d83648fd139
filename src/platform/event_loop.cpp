#include "platform/event_loop.h"

#include <stdexcept>
#include <utility>

namespace tov {

namespace {
IEventLoop* g_loop = nullptr;
}  // namespace

void installEventLoop(IEventLoop* loop) { g_loop = loop; }

bool hasEventLoop() { return g_loop != nullptr; }

IEventLoop& eventLoop() {
  // Every component is made after the program's entry installed the loop; one made before
  // is a fault of the program, not something to go on from.
  if (!g_loop) throw std::logic_error("no event loop is installed");
  return *g_loop;
}

void serveEventsUntil(const std::function<bool()>& done) {
  while (!done()) eventLoop().processEvents(true);
}

void LoopTimer::start(std::uint32_t intervalMs) {
  stop();
  interval_ = intervalMs;
  // The handler is looked up at each tick, so that it may be replaced while running.
  id_ = eventLoop().addTimer(intervalMs, [this] {
    if (tick_) tick_();
  });
}

void LoopTimer::stop() {
  if (id_ == 0) return;
  eventLoop().removeTimer(std::exchange(id_, 0));
}

LoopWatch::LoopWatch(NativeHandle handle, WatchFor what, IEventLoop::Work ready)
    : handle_(handle), what_(what), ready_(std::move(ready)) {
  setEnabled(true);
}

LoopWatch::~LoopWatch() { setEnabled(false); }

void LoopWatch::setEnabled(bool enabled) {
  if (enabled == (id_ != 0)) return;
  if (enabled)
    id_ = eventLoop().addWatch(handle_, what_, [this] { ready_(); });
  else
    eventLoop().removeWatch(std::exchange(id_, 0));
}

LoopContext::LoopContext() : alive_(std::make_shared<bool>(true)) {}

LoopContext::~LoopContext() { *alive_ = false; }

void LoopContext::post(IEventLoop::Work work) const {
  eventLoop().post([alive = alive_, work = std::move(work)] {
    if (*alive) work();
  });
}

}  // namespace tov
