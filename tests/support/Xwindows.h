// Finding and using top-level windows on an X server as a user at the keyboard would, for the tests
// and benchmarks that start a real program and then type into it: waiting for a window of a given
// title, giving it the keyboard, typing keys and text through XTest, reading the clipboard.
#pragma once

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <chrono>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace skv::testing {

// Windows come and go while they are looked at: a window destroyed between listing it and asking
// for its name is no reason to end the program, which is what Xlib's own handler does.
inline int ignoreXErrors(Display*, XErrorEvent*) {
    return 0;
}

// The first top-level window of that title that stands on the screen (mapped), or 0. Windows that
// were shown once and hidden again keep their title but are not viewable.
inline Window findTopLevelWindow(Display* dpy, const std::string& title) {
    static const auto previous [[maybe_unused]] = XSetErrorHandler(ignoreXErrors);
    Window root = 0, parent = 0, *children = nullptr;
    unsigned count = 0;
    Window found = 0;
    if (XQueryTree(dpy, DefaultRootWindow(dpy), &root, &parent, &children, &count)) {
        for (unsigned i = 0; i < count && !found; ++i) {
            char* name = nullptr;
            if (!XFetchName(dpy, children[i], &name) || !name) continue;
            XWindowAttributes attributes{};
            if (title == name && XGetWindowAttributes(dpy, children[i], &attributes) &&
                attributes.map_state == IsViewable)
                found = children[i];
            XFree(name);
        }
        if (children) XFree(children);
    }
    return found;
}

inline bool hasTopLevelWindow(Display* dpy, const std::string& title) {
    return findTopLevelWindow(dpy, title) != 0;
}

// The window once it is up, or 0 after the timeout.
inline Window waitForTopLevelWindow(Display* dpy, const std::string& title,
                                    std::chrono::milliseconds timeout) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    Window window = 0;
    while ((window = findTopLevelWindow(dpy, title)) == 0) {
        if (std::chrono::steady_clock::now() > end) return 0;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return window;
}

inline bool waitForNoTopLevelWindow(Display* dpy, const std::string& title,
                                    std::chrono::milliseconds timeout) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (hasTopLevelWindow(dpy, title)) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

// The shallowest window of that title at any depth below the root (a program in Wine's virtual
// desktop is a child of the desktop's window), or 0. Windows come and go while the tree is walked:
// this process ignores X errors from then on (Xlib's default ends it at the first), and a window
// that vanished is no match.
inline Window findWindow(Display* dpy, const std::string& title) {
    XSetErrorHandler(ignoreXErrors);
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

// What a click into the window does under a window manager; there is none on the test's server.
inline void giveFocus(Display* dpy, Window window) {
    XSetInputFocus(dpy, window, RevertToPointerRoot, CurrentTime);
    XSync(dpy, False);
}

// One key, pressed and released with the modifiers of mask held (ShiftMask, ControlMask, Mod1Mask
// for Alt).
inline void typeKey(Display* dpy, KeySym key, unsigned mask = 0) {
    std::vector<KeyCode> held;
    for (const auto& [bit, sym] : {std::pair{ShiftMask, XK_Shift_L}, std::pair{ControlMask, XK_Control_L},
                                   std::pair{Mod1Mask, XK_Alt_L}})
        if (mask & unsigned(bit)) held.push_back(XKeysymToKeycode(dpy, sym));
    for (const KeyCode code : held)
        XTestFakeKeyEvent(dpy, code, True, CurrentTime);
    XTestFakeKeyEvent(dpy, XKeysymToKeycode(dpy, key), True, CurrentTime);
    XTestFakeKeyEvent(dpy, XKeysymToKeycode(dpy, key), False, CurrentTime);
    for (auto code = held.rbegin(); code != held.rend(); ++code)
        XTestFakeKeyEvent(dpy, *code, False, CurrentTime);
    XSync(dpy, False);
}

// Printable ASCII text, with Shift where the keyboard map puts a character on the shifted level.
inline void typeText(Display* dpy, const std::string& text) {
    for (const char c : text) {
        const KeySym sym = static_cast<unsigned char>(c); // Latin-1 keysyms are the characters' codes
        const KeyCode code = XKeysymToKeycode(dpy, sym);
        typeKey(dpy, sym, XkbKeycodeToKeysym(dpy, code, 0, 0) == sym ? 0 : ShiftMask);
    }
}

// The clipboard's text as its owner hands it over, or nothing when there is none within the timeout.
inline std::optional<std::string> clipboardText(Display* dpy, std::chrono::milliseconds timeout) {
    const Atom clipboard = XInternAtom(dpy, "CLIPBOARD", False);
    const Atom utf8 = XInternAtom(dpy, "UTF8_STRING", False);
    const Atom property = XInternAtom(dpy, "SKV_CLIPBOARD", False);
    const Window requestor = XCreateSimpleWindow(dpy, DefaultRootWindow(dpy), 0, 0, 1, 1, 0, 0, 0);
    XConvertSelection(dpy, clipboard, utf8, property, requestor, CurrentTime);
    XFlush(dpy);
    std::optional<std::string> text;
    const auto end = std::chrono::steady_clock::now() + timeout;
    XEvent event{};
    while (std::chrono::steady_clock::now() < end) {
        if (!XCheckTypedWindowEvent(dpy, requestor, SelectionNotify, &event)) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            continue;
        }
        if (event.xselection.property == None) break;
        Atom type = 0;
        int format = 0;
        unsigned long count = 0, after = 0;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(dpy, requestor, property, 0, 1 << 20, True, AnyPropertyType, &type, &format,
                               &count, &after, &data) == Success &&
            data) {
            text = std::string(reinterpret_cast<const char*>(data), count);
            XFree(data);
        }
        break;
    }
    XDestroyWindow(dpy, requestor);
    return text;
}

} // namespace skv::testing
