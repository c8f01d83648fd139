#include "platform/thread_scheduling.h"

#include <windows.h>

namespace tov {

// Windows has no scheduling class apart from the priority: the normal level is all it takes.
// thread: the thread's HANDLE, with THREAD_SET_INFORMATION (a thread's own handle has it).
bool leaveIdleScheduling(void* thread) {
  return SetThreadPriority(static_cast<HANDLE>(thread), THREAD_PRIORITY_NORMAL) != 0;
}

}  // namespace tov
