#include "ThreadPriority.h"

#if defined(Q_OS_LINUX) || defined(__linux__)
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace ThreadPriority {

void lowerThisThread()
{
    thread_local bool lowered = false;
    if (lowered)
        return;
    lowered = true;
#if defined(Q_OS_LINUX) || defined(__linux__)
    // On Linux the nice value belongs to the thread: PRIO_PROCESS with the thread's
    // own id changes that thread alone.
    const auto tid = id_t(syscall(SYS_gettid));
    errno = 0;
    const int now = getpriority(PRIO_PROCESS, tid);
    if (errno == 0)
        setpriority(PRIO_PROCESS, tid, now + kBackgroundSteps);
#endif
}

} // namespace ThreadPriority
