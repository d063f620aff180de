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
// For a thread that must answer promptly but keeps its ordinary priority (the one that handles the
// hot keys): asks the scheduler to run it soon after it wakes rather than after a busy thread's time
// slice. Its share of the processor stays as it was. Never fails; does nothing where the system has
// no such request.
void preferPromptWakeUps();
const char* priorityLevelName(PriorityLevel level);

} // namespace skv::platform
