#include "platform/Threadpriority.h"

#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>

namespace skv::platform {

namespace {

bool tryRealTime() {
    // The lowest real-time priority already runs ahead of every ordinary thread; more would only
    // compete with the system's own real-time work.
    sched_param param{};
    param.sched_priority = sched_get_priority_min(SCHED_RR);
    if (param.sched_priority < 0) return false;
    return pthread_setschedparam(pthread_self(), SCHED_RR, &param) == 0;
}

bool tryLowerNice() {
    const id_t tid = static_cast<id_t>(gettid());
    errno = 0;
    const int current = getpriority(PRIO_PROCESS, tid);
    if (current == -1 && errno != 0) return false;
    // Which values are permitted depends on RLIMIT_NICE and on capabilities, which are awkward to
    // read; asking for each value from the lowest up finds the lowest one the system grants.
    for (int nice = -20; nice < current; ++nice) {
        if (setpriority(PRIO_PROCESS, tid, nice) == 0) return true;
    }
    return false;
}

} // namespace

PriorityLevel raiseThreadPriority() {
    if (tryRealTime()) return PriorityLevel::RealTime;
    if (tryLowerNice()) return PriorityLevel::RaisedNice;
    return PriorityLevel::Unchanged;
}

} // namespace skv::platform
