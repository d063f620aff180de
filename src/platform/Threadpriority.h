// Raises the calling thread's scheduling priority as far as the process is permitted to, without
// ever failing: the control thread must keep its step period while the game takes the processor.
#pragma once

namespace skv::platform {

enum class PriorityLevel {
    RealTime,   // a real-time scheduling policy
    RaisedNice, // a lower nice value than the thread had
    Unchanged,  // nothing more was permitted
};

// The system's own; each backend's folder brings one.
PriorityLevel raiseThreadPriority();
const char* priorityLevelName(PriorityLevel level);

} // namespace skv::platform
