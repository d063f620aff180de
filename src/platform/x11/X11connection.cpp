#include "platform/x11/X11connection.h"

#include <X11/Xlib.h>

#include <mutex>

namespace skv::platform {

namespace {

// Xlib's own first handler prints a message about the loss; the owner reports it instead.
int quietIOError(Display*) {
    return 0;
}

// Returning, rather than exiting as Xlib's own handler does, leaves the connection marked broken.
void connectionLost(Display*, void* lost) {
    static_cast<std::atomic<bool>*>(lost)->store(true);
}

} // namespace

void survive(Display* dpy, std::atomic<bool>& lost) {
    static std::once_flag once;
    std::call_once(once, [] { XSetIOErrorHandler(quietIOError); });
    XSetIOErrorExitHandler(dpy, connectionLost, &lost);
}

} // namespace skv::platform
