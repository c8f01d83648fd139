#pragma once
// The process-wide application object and its tick service: one 50 ms timer of the message
// loop serving up to 250 registrations, each called back every so many base ticks. The
// program starter watches its processes with it. A timer of the event loop stands where a
// timer on a hidden window would: its ticks come on the user-interface thread between other
// events.

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/errors.h"
#include "platform/event_loop.h"

namespace tov {

TOV_DECLARE_ERROR(ETimerPoolError, Exception);  // an interval the base tick cannot make

struct TTimerItem {
  using Callback = std::function<void()>;  // bound to the object that registered it

  std::uint16_t identifier = 0;
  std::uint32_t interval = 0;      // milliseconds
  std::uint32_t tickInterval = 0;  // base ticks: interval / MinInterval, at least 1
  bool enabled = true;
  Callback callback;
  std::int32_t callCount = 0;
  std::int32_t callLimit = -1;     // -1: no limit
  bool removed = false;            // unregistered during a tick; dropped when the tick ends
};

class TTimerPool {
 public:
  static constexpr std::uint32_t kMinInterval = 50;
  static constexpr int kSlotCount = 250;
  static constexpr std::uint16_t kIdentifierBase = 0xFD00;  // slot n has identifier base + n

  TTimerPool();
  ~TTimerPool();
  TTimerPool(const TTimerPool&) = delete;
  TTimerPool& operator=(const TTimerPool&) = delete;

  std::uint32_t MinInterval() const { return kMinInterval; }

  // Takes the lowest free slot; 0 when all are taken. The interval must be a positive
  // multiple of MinInterval (ETimerPoolError otherwise). Raises EOutOfResources when the
  // platform timer cannot be started.
  std::uint16_t Register(std::uint32_t interval, TTimerItem::Callback callback);
  // A change of the flag starts the call count again.
  void Enable(std::uint16_t identifier, bool enabled);
  // 0 means MinInterval; an equal value or one that is not a multiple is ignored.
  void SetInterval(std::uint16_t identifier, std::uint32_t interval);
  // The registration disables itself after this many calls; -1 for no limit.
  void SetCallLimit(std::uint16_t identifier, std::int32_t limit);
  // The callback is dropped at once, so it is never called again, even later in the tick
  // that is running. The last registration gone stops the platform timer.
  void Unregister(std::uint16_t identifier);

  const TTimerItem* Item(std::uint16_t identifier) const;
  int Count() const;
  std::int32_t TickCounter() const { return tickCounter_; }
  bool Busy() const { return busy_; }
  bool TimerActive() const { return timer_.active(); }

  // One base tick, as the platform timer gives it; tests step the service with it.
  void Tick();

 private:
  TTimerItem* find(std::uint16_t identifier) const;
  void restartTimer();
  void dropRemoved();

  LoopTimer timer_;
  std::vector<std::unique_ptr<TTimerItem>> items_;  // in the order they were added
  std::array<TTimerItem*, kSlotCount> slots_{};     // slot n - 1 holds identifier base + n
  std::int32_t tickCounter_ = 0;
  // Set while a tick runs: a tick that comes meanwhile (from the nested event loop of a modal
  // box a callback shows) is dropped, so no callback runs inside another.
  bool busy_ = false;
};

// Exists once, from the program's start (before any form) to its end.
class TAppSupport {
 public:
  TAppSupport();
  ~TAppSupport();
  TAppSupport(const TAppSupport&) = delete;
  TAppSupport& operator=(const TAppSupport&) = delete;

  // The one of this process; null when none exists.
  static TAppSupport* Instance();

  TTimerPool& TimerPool() { return timerPool_; }

 private:
  TTimerPool timerPool_;
};

}  // namespace tov
