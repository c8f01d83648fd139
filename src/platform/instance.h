#pragma once
// One running copy of the program, and bringing that copy forward when the program is
// started again.

#include <cstdint>
#include <string>

namespace tov {

using WindowHandle = std::uint64_t;  // a top-level window of the windowing system

// Taken when the program starts, before any form exists, and held until the process ends.
class IInstanceLock {
 public:
  virtual ~IInstanceLock() = default;
  // Whether another process of this program already held the lock when this one started.
  // Decided once at start-up; never changes afterwards.
  virtual bool alreadyRunning() = 0;
  // Ends this process at once with exitCode, running no destructor and no exit handler: a
  // second copy has nothing of its own to give back, and the desktop it shares with the
  // first copy must stay as the first copy made it. Test doubles return.
  virtual void haltProcess(int exitCode) = 0;
};

class IWindowActivator {
 public:
  virtual ~IWindowActivator() = default;
  // Marks window as the main window of the application with this title, so that a later
  // copy finds it. Windows marked through this object are never found by it.
  virtual void markMainWindow(WindowHandle window, const std::string& applicationTitle) = 0;
  // Brings the main window of the application with this title, marked by another process,
  // to the front, restoring it when it is minimised; false when there is none.
  virtual bool activate(const std::string& applicationTitle) = 0;
};

}  // namespace tov
