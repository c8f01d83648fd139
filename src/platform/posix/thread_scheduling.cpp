#include "platform/thread_scheduling.h"

#include <pthread.h>
#include <sched.h>

namespace tov {

bool leaveIdleScheduling(void* thread) {
  const sched_param normalClass{};
  return pthread_setschedparam(reinterpret_cast<pthread_t>(thread), SCHED_OTHER, &normalClass) == 0;
}

}  // namespace tov
