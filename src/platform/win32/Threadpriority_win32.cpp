#include "platform/Threadpriority.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace skv::platform {

// Two levels above normal, as the control thread has always run on Windows; the real-time class
// would starve the game it drives.
PriorityLevel raiseThreadPriority() {
    if (SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_HIGHEST)) return PriorityLevel::RaisedNice;
    return PriorityLevel::Unchanged;
}

// Windows itself lets the thread that receives input run first.
void preferPromptWakeUps() {}

} // namespace skv::platform
