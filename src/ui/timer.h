#pragma once
// A timer of the message loop: ticks come while the user-interface thread serves events.

#include <cstdint>
#include <functional>

#include "platform/event_loop.h"

namespace tov {

class TTimer {
 public:
  explicit TTimer(std::uint32_t interval = 1000);

  bool Enabled() const { return enabled_; }
  void setEnabled(bool enabled);
  std::uint32_t Interval() const { return interval_; }
  void setInterval(std::uint32_t interval);

  std::function<void(TTimer* sender)> OnTimer;

 private:
  void rearm();

  LoopTimer timer_;
  bool enabled_ = false;
  std::uint32_t interval_;
};

}  // namespace tov
