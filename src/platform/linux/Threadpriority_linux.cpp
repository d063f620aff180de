#include "platform/Threadpriority.h"

#include <pthread.h>
#include <sched.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

namespace skv::platform {

namespace {

// The kernel's argument of sched_setattr, which the C library does not declare.
struct SchedAttr {
    std::uint32_t size;
    std::uint32_t sched_policy;
    std::uint64_t sched_flags;
    std::int32_t sched_nice;
    std::uint32_t sched_priority;
    std::uint64_t sched_runtime, sched_deadline, sched_period;
};

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

// The kernel's SCHED_FLAG_RESET_ON_FORK: what the thread is granted is not handed on to the threads
// and processes it starts.
constexpr std::uint64_t kResetOnFork = 0x01;

// An ordinary thread may ask for a short time slice at its nice value: the scheduler then lets it
// run as soon as it wakes instead of at the end of a busy thread's slice. Kernels before the custom
// slice ignore the request.
//
// The request is the thread's own: the window's thread starts the game, the tools and the browser,
// and the game (with every thread of it, and Wine) would otherwise run with the short slice too.
// Those start with the system's default slice; a negative nice value is not handed on either (the
// kernel resets it to 0 for them), a positive one is.
void askForShortSlice() {
    errno = 0;
    const int nice = getpriority(PRIO_PROCESS, static_cast<id_t>(gettid()));
    if (nice == -1 && errno != 0) return;
    SchedAttr attr{};
    attr.size = sizeof attr;
    attr.sched_policy = SCHED_OTHER;
    attr.sched_flags = kResetOnFork;
    attr.sched_nice = nice;
    attr.sched_runtime = 100'000; // ns, the shortest slice the scheduler grants
    syscall(SYS_sched_setattr, 0, &attr, 0u);
}

// Wake-ups of an ordinary thread may come up to 50 us late by default, so that the kernel can group
// timers; a thread that keeps a beat wants them on time.
void wakeOnTime() {
    prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
}

} // namespace

void preferPromptWakeUps() {
    askForShortSlice();
}

PriorityLevel raiseThreadPriority() {
    wakeOnTime();
    if (tryRealTime()) return PriorityLevel::RealTime;
    askForShortSlice();
    if (tryLowerNice()) return PriorityLevel::RaisedNice;
    return PriorityLevel::Unchanged;
}

} // namespace skv::platform
