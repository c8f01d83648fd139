#pragma once
// Scheduling of the program's own threads, where Qt offers no way to do what is needed.

namespace tov {

// Takes a running thread out of the idle scheduling class, back into the normal class that
// Qt starts every non-idle thread in: Qt changes a running thread's priority only within its
// class. False when the system refuses (on Linux, without CAP_SYS_NICE or an RLIMIT_NICE
// that reaches nice 0); the thread then stays idle. thread: the native handle of a running
// thread, as QThread::currentThreadId() gives it.
bool leaveIdleScheduling(void* thread);

}  // namespace tov
