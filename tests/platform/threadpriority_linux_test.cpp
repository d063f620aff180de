#include "platform/Threadpriority.h"

#include <gtest/gtest.h>

#include <linux/capability.h>
#include <pthread.h>
#include <sched.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <thread>

using namespace skv::platform;

namespace {

// What a thread has after raising its priority.
struct Granted {
    PriorityLevel level = PriorityLevel::Unchanged;
    int policy = -1;
    int niceBefore = 0, niceAfter = 0;
    long timerSlack = -1;
    std::uint64_t slice = 0;      // ns; 0 where the kernel reports none
    std::uint64_t childSlice = 0; // of a thread it starts after the request
};

int threadNice() {
    return getpriority(PRIO_PROCESS, static_cast<id_t>(gettid()));
}

std::uint64_t threadSlice() {
    struct {
        std::uint32_t size, policy;
        std::uint64_t flags;
        std::int32_t nice;
        std::uint32_t priority;
        std::uint64_t runtime, deadline, period;
    } attr{};
    if (syscall(SYS_sched_getattr, 0, &attr, sizeof attr, 0u) != 0) return 0;
    return attr.runtime;
}

// Capabilities belong to each thread: this one alone gives up the right to raise its priority.
bool dropSysNice() {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2]{};
    if (syscall(SYS_capget, &header, data) != 0) return false;
    data[0].effective &= ~(1u << CAP_SYS_NICE);
    return syscall(SYS_capset, &header, data) == 0;
}

// Raises the priority on a thread of its own, so the test runner keeps its priority.
Granted raiseOnAThread(bool withoutSysNice) {
    Granted g;
    std::thread t([&] {
        if (withoutSysNice && !dropSysNice()) {
            ADD_FAILURE() << "the thread could not give up CAP_SYS_NICE";
            return;
        }
        errno = 0;
        g.niceBefore = threadNice();
        g.level = raiseThreadPriority();
        sched_param param{};
        pthread_getschedparam(pthread_self(), &g.policy, &param);
        g.policy &= ~SCHED_RESET_ON_FORK; // reported with the policy; what is handed on is checked apart
        g.niceAfter = threadNice();
        g.timerSlack = prctl(PR_GET_TIMERSLACK);
        g.slice = threadSlice();
    });
    t.join();
    return g;
}

} // namespace

// Whatever the machine permits, the level reported is the one the thread now has; a refusal is not
// an error. The thread's timers fire on time at every level (a real-time thread has no slack).
TEST(ControlThreadPriority, ReportsWhatItActuallyGot) {
    const Granted g = raiseOnAThread(false);
    EXPECT_LE(g.timerSlack, 1);
    switch (g.level) {
    case PriorityLevel::RealTime:
        EXPECT_EQ(g.policy, SCHED_RR);
        break;
    case PriorityLevel::RaisedNice:
        EXPECT_EQ(g.policy, SCHED_OTHER);
        EXPECT_LT(g.niceAfter, g.niceBefore);
        break;
    case PriorityLevel::Unchanged:
        EXPECT_EQ(g.policy, SCHED_OTHER);
        EXPECT_EQ(g.niceAfter, g.niceBefore);
        break;
    }
}

// The thread that handles the hot keys keeps its policy, nice value and timers; it only asks for the
// short slice (kernels without custom slices report none).
TEST(HotKeyThreadPriority, AsksForAShortSliceAndNothingMore) {
    Granted g;
    std::thread t([&] {
        const long slackBefore = prctl(PR_GET_TIMERSLACK);
        g.niceBefore = threadNice();
        preferPromptWakeUps();
        sched_param param{};
        pthread_getschedparam(pthread_self(), &g.policy, &param);
        g.policy &= ~SCHED_RESET_ON_FORK; // reported with the policy; what is handed on is checked apart
        g.niceAfter = threadNice();
        g.timerSlack = prctl(PR_GET_TIMERSLACK) - slackBefore;
        g.slice = threadSlice();
        // What it starts after (the game among them) has the system's default slice, not its own.
        std::thread([&] { g.childSlice = threadSlice(); }).join();
    });
    t.join();
    EXPECT_EQ(g.policy, SCHED_OTHER);
    EXPECT_EQ(g.niceAfter, g.niceBefore);
    EXPECT_EQ(g.timerSlack, 0);
    if (g.slice != 0) {
        EXPECT_EQ(g.slice, 100'000u);
    }
    if (g.slice != 0) {
        EXPECT_NE(g.childSlice, g.slice);
    }
}

// As an ordinary user runs it: no real-time policy, no lower nice value, but the short time slice
// an ordinary thread may ask for (kernels without custom slices report none).
TEST(ControlThreadPriority, WithoutTheRightToRaiseItAsksForAShortSlice) {
    rlimit rtprio{};
    getrlimit(RLIMIT_RTPRIO, &rtprio);
    rlimit nice{};
    getrlimit(RLIMIT_NICE, &nice);
    if (rtprio.rlim_cur != 0 || nice.rlim_cur > 20) GTEST_SKIP() << "this machine lets anyone raise it";
    const Granted g = raiseOnAThread(true);
    EXPECT_EQ(g.level, PriorityLevel::Unchanged);
    EXPECT_EQ(g.policy, SCHED_OTHER);
    EXPECT_EQ(g.niceAfter, g.niceBefore);
    EXPECT_EQ(g.timerSlack, 1);
    if (g.slice != 0) {
        EXPECT_EQ(g.slice, 100'000u);
    }
}
