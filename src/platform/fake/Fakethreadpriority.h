// A stand-in for the system's thread priority: grants a chosen level and remembers which threads
// asked, so tests can see that the priority is raised where it should be and nowhere else.
#pragma once

#include "platform/Threadpriority.h"

#include <mutex>
#include <thread>
#include <vector>

namespace skv::platform {

class FakeThreadPriority {
public:
    explicit FakeThreadPriority(PriorityLevel grant = PriorityLevel::RealTime) : Grant(grant) {}

    // Called in place of raiseThreadPriority().
    PriorityLevel raise();
    // The threads that asked, in order.
    std::vector<std::thread::id> callers() const;

private:
    mutable std::mutex Lock;
    PriorityLevel Grant;
    std::vector<std::thread::id> Callers;
};

} // namespace skv::platform
