// Finding, waiting for and focusing windows of a given title on an X server, for the tests and
// benchmarks that start a real program and then type into it.
#pragma once

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace skv::testing {

inline bool hasTopLevelWindow(Display* dpy, const std::string& title) {
    Window root = 0, parent = 0, *children = nullptr;
    unsigned count = 0;
    bool found = false;
    if (XQueryTree(dpy, DefaultRootWindow(dpy), &root, &parent, &children, &count)) {
        for (unsigned i = 0; i < count && !found; ++i) {
            char* name = nullptr;
            if (XFetchName(dpy, children[i], &name) && name) {
                found = title == name;
                XFree(name);
            }
        }
        if (children) XFree(children);
    }
    return found;
}

inline bool waitForTopLevelWindow(Display* dpy, const std::string& title, std::chrono::milliseconds timeout) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (!hasTopLevelWindow(dpy, title)) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
}

// The shallowest window of that title at any depth below the root (a program in Wine's virtual
// desktop is a child of the desktop's window), or 0. Windows come and go while the tree is walked:
// this process ignores X errors from then on (Xlib's default ends it at the first), and a window
// that vanished is no match.
inline Window findWindow(Display* dpy, const std::string& title) {
    XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
    std::vector<Window> level{DefaultRootWindow(dpy)};
    for (int depth = 0; depth < 8 && !level.empty(); ++depth) {
        std::vector<Window> next;
        for (Window parent : level) {
            Window root = 0, up = 0, *children = nullptr;
            unsigned count = 0;
            if (!XQueryTree(dpy, parent, &root, &up, &children, &count)) continue;
            next.insert(next.end(), children, children + count);
            if (children) XFree(children);
        }
        for (Window child : next) {
            char* name = nullptr;
            const bool match = XFetchName(dpy, child, &name) && name && title == name;
            if (name) XFree(name);
            if (match) return child;
        }
        level = std::move(next);
    }
    return 0;
}

// With no window manager on a test server nobody gives a window the focus when it shows; the test
// does, as a window manager does when the user clicks it. Whether there was such a window to focus
// (a window not yet shown cannot take the focus).
inline bool focusWindow(Display* dpy, const std::string& title) {
    const Window window = findWindow(dpy, title);
    XWindowAttributes attributes{};
    if (window == 0 || !XGetWindowAttributes(dpy, window, &attributes) || attributes.map_state != IsViewable)
        return false;
    XSetInputFocus(dpy, window, RevertToParent, CurrentTime);
    XSync(dpy, False);
    return true;
}

} // namespace skv::testing
