// A connection to the X server that may be lost: Xlib ends the program when the server goes away,
// unless each connection has a handler that lets it go on.
#pragma once

#include <atomic>

typedef struct _XDisplay Display;

namespace skv::platform {

// From now on the loss of dpy's server sets lost instead of ending the program. Xlib then refuses
// every further request on dpy at once; the owner stops asking and may still close it.
void survive(Display* dpy, std::atomic<bool>& lost);

} // namespace skv::platform
