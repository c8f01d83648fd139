#pragma once
// Requests from outside to end the program (SIGTERM, SIGINT, SIGHUP on this system),
// delivered on the user-interface thread so that the normal close path can run.

#include <functional>

namespace tov {

class ITerminationWatch {
 public:
  virtual ~ITerminationWatch() = default;
  virtual void watch(std::function<void()> onRequest) = 0;
};

}  // namespace tov
