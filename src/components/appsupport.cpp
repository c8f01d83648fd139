#include "components/appsupport.h"

#include <algorithm>
#include <cassert>
#include <limits>

#include "ui/application.h"

namespace tov {

namespace {

// Counters count up and start again at 0 where a signed 32-bit number would turn negative.
std::int32_t nextCount(std::int32_t count) {
  return count == std::numeric_limits<std::int32_t>::max() ? 0 : count + 1;
}

bool fitsBaseTick(std::uint32_t interval) {
  return interval >= TTimerPool::kMinInterval && interval % TTimerPool::kMinInterval == 0;
}

TAppSupport* g_appSupport = nullptr;

}  // namespace

// ---------------------------------------------------------------------------------------------
// TTimerPool

TTimerPool::TTimerPool() : timer_([this] { Tick(); }) {}

TTimerPool::~TTimerPool() { timer_.stop(); }

std::uint16_t TTimerPool::Register(std::uint32_t interval, TTimerItem::Callback callback) {
  if (!fitsBaseTick(interval)) throw ETimerPoolError(ErrorCode::IntervalNotCompatible);
  const auto freeSlot = std::find(slots_.begin(), slots_.end(), nullptr);
  if (freeSlot == slots_.end()) return 0;

  auto item = std::make_unique<TTimerItem>();
  item->identifier = std::uint16_t(kIdentifierBase + (freeSlot - slots_.begin()) + 1);
  item->interval = interval;
  item->tickInterval = interval / kMinInterval;
  item->callback = std::move(callback);
  const std::uint16_t identifier = item->identifier;
  *freeSlot = item.get();
  items_.push_back(std::move(item));
  try {
    restartTimer();
  } catch (...) {
    // The caller learns of no registration, so none may stay behind to call it later.
    Unregister(identifier);
    throw;
  }
  return identifier;
}

void TTimerPool::Enable(std::uint16_t identifier, bool enabled) {
  TTimerItem* item = find(identifier);
  if (!item || item->enabled == enabled) return;
  item->enabled = enabled;
  item->callCount = 0;
}

void TTimerPool::SetInterval(std::uint16_t identifier, std::uint32_t interval) {
  TTimerItem* item = find(identifier);
  if (!item) return;
  if (interval == 0) interval = kMinInterval;
  if (interval == item->interval || !fitsBaseTick(interval)) return;
  item->interval = interval;
  item->tickInterval = interval / kMinInterval;
  item->callCount = 0;
}

void TTimerPool::SetCallLimit(std::uint16_t identifier, std::int32_t limit) {
  if (TTimerItem* item = find(identifier)) item->callLimit = limit;
}

void TTimerPool::Unregister(std::uint16_t identifier) {
  TTimerItem* item = find(identifier);
  if (!item) return;
  item->enabled = false;
  item->callback = nullptr;
  item->removed = true;
  slots_[identifier - kIdentifierBase - 1] = nullptr;
  // A running tick walks the list; it drops the item itself when it ends.
  if (!busy_) dropRemoved();
  if (Count() == 0) timer_.stop();
}

const TTimerItem* TTimerPool::Item(std::uint16_t identifier) const { return find(identifier); }

int TTimerPool::Count() const {
  return int(std::count_if(slots_.begin(), slots_.end(), [](const TTimerItem* item) { return item != nullptr; }));
}

TTimerItem* TTimerPool::find(std::uint16_t identifier) const {
  if (identifier <= kIdentifierBase || identifier > kIdentifierBase + kSlotCount) return nullptr;
  return slots_[identifier - kIdentifierBase - 1];
}

void TTimerPool::restartTimer() {
  timer_.stop();
  const bool anyEnabled =
      std::any_of(items_.begin(), items_.end(), [](const auto& item) { return item->enabled; });
  if (!anyEnabled) return;
  timer_.start(kMinInterval);
  if (!timer_.active()) throw EOutOfResources(ErrorCode::NotEnoughTimers);
}

void TTimerPool::dropRemoved() {
  std::erase_if(items_, [](const auto& item) { return item->removed; });
}

void TTimerPool::Tick() {
  if (busy_) return;
  busy_ = true;
  // Registrations added by a callback wait for the next tick: none fires in the tick it was
  // made in.
  const std::size_t count = items_.size();
  for (std::size_t i = 0; i < count; ++i) {
    TTimerItem& item = *items_[i];
    if (!item.enabled || tickCounter_ % std::int32_t(item.tickInterval) != 0) continue;
    item.callCount = nextCount(item.callCount);
    if (item.callCount == item.callLimit) item.enabled = false;
    // A copy: the callback may unregister its own item, which drops the original.
    const TTimerItem::Callback callback = item.callback;
    // What a callback throws is reported, and the others of this tick still run: one failing
    // watcher must not starve the rest.
    if (callback) Application::guarded(callback);
  }
  tickCounter_ = nextCount(tickCounter_);
  busy_ = false;
  dropRemoved();
}

// ---------------------------------------------------------------------------------------------
// TAppSupport

TAppSupport::TAppSupport() {
  assert(!g_appSupport);
  g_appSupport = this;
}

TAppSupport::~TAppSupport() {
  if (g_appSupport == this) g_appSupport = nullptr;
}

TAppSupport* TAppSupport::Instance() { return g_appSupport; }

}  // namespace tov
