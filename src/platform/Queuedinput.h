// The queue behind every global input source: events collected on the backend's own thread wait
// here until the user-interface thread asks for them.
#pragma once

#include "platform/platform.h"

#include <deque>
#include <mutex>

namespace skv::platform {

class QueuedInputSource : public InputSource {
public:
    std::size_t dispatchPending(const Handler& handler) override;
    void setWakeUp(WakeUp wakeUp) override;

protected:
    // On the collecting thread: queues the event, then wakes the consumer outside the lock, so that
    // a wake-up that dispatches at once cannot deadlock.
    void post(const InputEvent& event);

private:
    std::mutex Lock;
    std::deque<InputEvent> Queue;
    WakeUp Wake;
};

} // namespace skv::platform
