// Waiting for a top-level window of a given title on an X server, for the tests and benchmarks that
// start a real program and then type into it.
#pragma once

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <string>
#include <thread>

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

} // namespace skv::testing
