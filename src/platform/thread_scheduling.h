#pragma once
// Scheduling of the program's own threads, where the toolkit offers no way to do what is
// needed.

namespace tov {

// Takes a running thread out of the idle scheduling class, back into the normal class that
// every non-idle thread starts in: a toolkit that changes a running thread's priority only
// within its class (Qt does) would keep it idle. False when the system refuses (on Linux,
// without CAP_SYS_NICE or an RLIMIT_NICE that reaches nice 0); the thread then stays idle.
// thread: the system's handle of a running thread (a pthread_t on POSIX systems).
bool leaveIdleScheduling(void* thread);

}  // namespace tov
