#include "platform/Queuedinput.h"

namespace skv::platform {

std::size_t QueuedInputSource::dispatchPending(const Handler& handler) {
    std::deque<InputEvent> events;
    {
        std::lock_guard guard(Lock);
        events.swap(Queue);
    }
    for (const InputEvent& event : events)
        handler(event);
    return events.size();
}

void QueuedInputSource::setWakeUp(WakeUp wakeUp) {
    std::lock_guard guard(Lock);
    Wake = std::move(wakeUp);
}

void QueuedInputSource::post(const InputEvent& event) {
    WakeUp wake;
    {
        std::lock_guard guard(Lock);
        Queue.push_back(event);
        wake = Wake;
    }
    if (wake) wake();
}

} // namespace skv::platform
