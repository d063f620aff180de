#include "platform/fake/Fakethreadpriority.h"

namespace skv::platform {

PriorityLevel FakeThreadPriority::raise() {
    std::lock_guard lock(Lock);
    Callers.push_back(std::this_thread::get_id());
    return Grant;
}

std::vector<std::thread::id> FakeThreadPriority::callers() const {
    std::lock_guard lock(Lock);
    return Callers;
}

} // namespace skv::platform
