#include "ui/timer.h"

#include "ui/application.h"

namespace tov {

TTimer::TTimer(std::uint32_t interval)
    : timer_([this] {
        if (enabled_ && OnTimer) Application::guarded([this] { OnTimer(this); });
      }),
      interval_(interval) {}

void TTimer::setEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  rearm();
}

void TTimer::setInterval(std::uint32_t interval) {
  if (interval == interval_) return;
  interval_ = interval;
  rearm();
}

void TTimer::rearm() {
  timer_.stop();
  if (enabled_ && interval_ > 0) timer_.start(interval_);
}

}  // namespace tov
