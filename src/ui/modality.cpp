#include "ui/modality.h"

#include <algorithm>
#include <vector>

namespace tov::Modality {

namespace {
struct Showing {
  std::uint64_t serial;
  Window* window;
};

struct State {
  std::vector<Showing> showings;
  std::uint64_t lastSerial = 0;
};

State& state() {
  static State instance;
  return instance;
}
}  // namespace

std::uint64_t begin(Window* window) {
  State& s = state();
  s.showings.push_back({++s.lastSerial, window});
  return s.lastSerial;
}

void end(std::uint64_t serial) {
  auto& showings = state().showings;
  showings.erase(std::remove_if(showings.begin(), showings.end(), [serial](const Showing& s) { return s.serial == serial; }),
                 showings.end());
}

std::uint64_t front() {
  const auto& showings = state().showings;
  return showings.empty() ? 0 : showings.back().serial;
}

Window* frontWindow() {
  const auto& showings = state().showings;
  return showings.empty() ? nullptr : showings.back().window;
}

}  // namespace tov::Modality
