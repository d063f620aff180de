// Raises the calling thread's scheduling priority as far as the process is permitted to, without
// ever failing: the control thread must keep its step period while the game takes the processor.
#pragma once

namespace skv::directcontrol {

enum class PriorityLevel {
    RealTime,   // a real-time scheduling policy
    RaisedNice, // a lower nice value than the thread had
    Unchanged,  // nothing more was permitted
};

PriorityLevel raiseThreadPriority();
const char* priorityLevelName(PriorityLevel level);

} // namespace skv::directcontrol
