#include "platform/Threadpriority.h"

#include <gtest/gtest.h>

#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

using namespace skv::platform;

// Whatever the machine permits, the level reported is the one the thread now has; a refusal is not
// an error. Runs on a thread of its own so the test runner keeps its priority.
TEST(ControlThreadPriority, ReportsWhatItActuallyGot) {
    std::thread t([] {
        errno = 0;
        const int niceBefore = getpriority(PRIO_PROCESS, static_cast<id_t>(gettid()));
        const PriorityLevel level = raiseThreadPriority();
        int policy = -1;
        sched_param param{};
        ASSERT_EQ(pthread_getschedparam(pthread_self(), &policy, &param), 0);
        const int niceAfter = getpriority(PRIO_PROCESS, static_cast<id_t>(gettid()));
        switch (level) {
        case PriorityLevel::RealTime:
            EXPECT_EQ(policy, SCHED_RR);
            break;
        case PriorityLevel::RaisedNice:
            EXPECT_EQ(policy, SCHED_OTHER);
            EXPECT_LT(niceAfter, niceBefore);
            break;
        case PriorityLevel::Unchanged:
            EXPECT_EQ(policy, SCHED_OTHER);
            EXPECT_EQ(niceAfter, niceBefore);
            break;
        }
    });
    t.join();
}
