#include "doubles/fake_instance.h"

#include <cstdio>

namespace tov::test {

void FakeInstanceLock::haltProcess(int exitCode) {
  halts.push_back(exitCode);
  throw Halted(exitCode);
}

int FakeHotKey::addTarget(PressedHandler onPressed) {
  targets_[nextId_] = std::move(onPressed);
  return nextId_++;
}

void FakeHotKey::removeTarget(int target) {
  std::erase_if(held, [target](const auto& entry) { return entry.second == target; });
  targets_.erase(target);
}

bool FakeHotKey::registerKey(int target, unsigned virtualKey, unsigned modifiers) {
  char call[64];
  std::snprintf(call, sizeof call, "register %d 0x%x %u", target, virtualKey, modifiers);
  calls.push_back(call);
  if (!targets_.count(target)) return false;
  // As on the desktop: what the target held is let go first, and a combination someone
  // else holds is refused.
  std::erase_if(held, [target](const auto& entry) { return entry.second == target; });
  if (virtualKey == 0 || held.count({virtualKey, modifiers})) return false;
  held[{virtualKey, modifiers}] = target;
  return true;
}

bool FakeHotKey::unregisterKey(int target) {
  calls.push_back("unregister " + std::to_string(target));
  return std::erase_if(held, [target](const auto& entry) { return entry.second == target; }) > 0;
}

bool FakeHotKey::press(Combination combination) {
  auto found = held.find(combination);
  if (found == held.end() || found->second == kOtherProgram) return false;
  auto target = targets_.find(found->second);
  if (target == targets_.end()) return false;
  const PressedHandler handler = target->second;
  if (handler) handler();
  return true;
}

}  // namespace tov::test
