#include "platform/x11/X11platform.h"

#include "platform/x11/Linuxprocess.h"
#include "platform/x11/X11connection.h"
#include "platform/x11/X11input.h"
#include "platform/x11/X11keys.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <cstdlib>

namespace skv::platform {

namespace {

// Windows vanish between our requests (the game ends, a window closes); Xlib's default handler would
// end the program for that. A failed request shows as an empty answer instead.
int ignoreXError(Display*, XErrorEvent*) {
    return 0;
}

void installErrorHandler() {
    static std::once_flag once;
    std::call_once(once, [] { XSetErrorHandler(ignoreXError); });
}

// A property of 32-bit items (Xlib hands them over as longs); false when missing or empty.
bool cardinalProperty(Display* dpy, Window window, Atom atom, Atom type, unsigned long& value) {
    if (atom == None) return false;
    Atom actualType = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(dpy, window, atom, 0, 1, False, type, &actualType, &format, &count, &after,
                           &data) != Success)
        return false;
    const bool found = data && actualType == type && format == 32 && count == 1;
    if (found) value = static_cast<unsigned long>(reinterpret_cast<long*>(data)[0]);
    if (data) XFree(data);
    return found;
}

bool cardinalProperty(Display* dpy, Window window, const char* name, Atom type, unsigned long& value) {
    return cardinalProperty(dpy, window, XInternAtom(dpy, name, True), type, value);
}

// Whether the event may mean another window is in front: the focus moved into or out of a watched
// window (or the root, for a focus of None or PointerRoot), the watched window went, or the window
// manager named another active window. Anything else leaves the answer as it was.
bool movesForeground(const XEvent& event, Atom activeAtom) {
    switch (event.type) {
    case FocusIn:
    case FocusOut:
    case DestroyNotify:
    case UnmapNotify:
    case ReparentNotify:
        return true;
    case PropertyNotify:
        return event.xproperty.atom == activeAtom;
    default:
        return false;
    }
}

} // namespace

X11Platform::X11Platform(const char* displayName) {
    installErrorHandler();
    const char* name = displayName ? displayName : std::getenv("DISPLAY");
    if (!name || !*name) {
        Unavailable = "no X display: DISPLAY is not set";
        return;
    }
    DisplayName = name;
    Dpy = XOpenDisplay(name);
    if (!Dpy) {
        Unavailable = "cannot open the X display \"" + DisplayName + "\"";
        return;
    }
    survive(Dpy, Lost);
    Unavailable = processAccessProblem();
}

X11Platform::~X11Platform() {
    if (Dpy) XCloseDisplay(Dpy);
}

std::string X11Platform::unavailableReason() const {
    if (Lost) return "lost the connection to the X display \"" + DisplayName + "\"";
    return Unavailable;
}

WindowId X11Platform::topLevelOf(unsigned long window) {
    Window current = window;
    for (int depth = 0; depth < 64; ++depth) {
        Window root = 0, parent = 0;
        Window* children = nullptr;
        unsigned int count = 0;
        if (!XQueryTree(Dpy, current, &root, &parent, &children, &count)) return 0;
        if (children) XFree(children);
        if (parent == root || parent == None) return current;
        current = parent;
    }
    return 0;
}

// The events of the connection are read here, without a round trip: the server sends them before it
// answers anything that follows the change, so a focus change the server made before a hot key's
// key is in the queue by the time the key reaches the control thread.
void X11Platform::takeEvents(bool read) {
    while (XEventsQueued(Dpy, read ? QueuedAfterReading : QueuedAlready) > 0) {
        XEvent event;
        XNextEvent(Dpy, &event);
        if (movesForeground(event, ActiveAtom)) ForegroundKnown = false;
    }
}

// Focus and structure events of the top-level window in front (and none of the one before): a focus
// leaving it, or its going, says the answer is old.
void X11Platform::watchTopLevel(unsigned long window) {
    if (window == WatchedTop) return;
    if (WatchedTop != 0) XSelectInput(Dpy, WatchedTop, NoEventMask); // fails quietly when it has gone
    WatchedTop = window;
    if (window != 0) XSelectInput(Dpy, window, FocusChangeMask | StructureNotifyMask);
}

// Asks the server, and keeps the answer when events are now selected that will tell of its change.
WindowId X11Platform::askForeground() {
    const Window root = DefaultRootWindow(Dpy);
    if (!RootWatched) {
        // Before the first question, so no change after its answer goes unseen.
        XSelectInput(Dpy, root, PropertyChangeMask | FocusChangeMask);
        ActiveAtom = XInternAtom(Dpy, "_NET_ACTIVE_WINDOW", False);
        RootWatched = true;
    }
    ForegroundKnown = false;
    unsigned long active = 0;
    if (cardinalProperty(Dpy, root, Atom(ActiveAtom), XA_WINDOW, active) && active != 0) {
        watchTopLevel(0);
        ForegroundKnown = true; // the root's property events tell of the next one
        return active;
    }
    // No window manager says which window is active: the one with the input focus, taken up to
    // the top-level window that carries the title.
    Window focus = None;
    int revert = 0;
    XGetInputFocus(Dpy, &focus, &revert);
    if (focus == None || focus == PointerRoot) {
        // The root hears of the focus leaving None or PointerRoot.
        watchTopLevel(0);
        ForegroundKnown = true;
        return 0;
    }
    const WindowId top = topLevelOf(focus);
    if (top == 0) return 0;
    watchTopLevel(top);
    // The focus may have moved between the first question and the selection: asked again after it,
    // an unchanged answer means any later move sends an event.
    Window again = None;
    XGetInputFocus(Dpy, &again, &revert);
    ForegroundKnown = again == focus;
    return top;
}

WindowId X11Platform::foregroundWindow() {
    if (!connected()) return 0;
    std::lock_guard guard(Lock);
    takeEvents(true);
    if (Lost) return 0; // found out by the read
    if (!ForegroundKnown) Foreground = askForeground();
    return Foreground;
}

bool X11Platform::textProperty(unsigned long window, const char* name, const char* type, std::string& text) {
    const Atom atom = XInternAtom(Dpy, name, True);
    const Atom wanted = type ? XInternAtom(Dpy, type, True) : Atom(AnyPropertyType);
    if (atom == None || wanted == None) return false;
    Atom actualType = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    // A few more bytes than a title may have, so a cut title is still cut at the same place.
    const long longs = long(kMaxTitleLength / 4 + 1);
    if (XGetWindowProperty(Dpy, window, atom, 0, longs, False, wanted, &actualType, &format, &count, &after,
                           &data) != Success)
        return false;
    const bool found = data && actualType != None && format == 8;
    if (found) text.assign(reinterpret_cast<const char*>(data), count);
    if (data) XFree(data);
    return found;
}

std::string X11Platform::titleOf(unsigned long window) {
    std::string title;
    if (!textProperty(window, "_NET_WM_NAME", "UTF8_STRING", title))
        textProperty(window, "WM_NAME", nullptr, title);
    if (title.size() > kMaxTitleLength) title.resize(kMaxTitleLength);
    return title;
}

std::string X11Platform::windowTitle(WindowId window) {
    if (!connected() || window == 0) return {};
    std::lock_guard guard(Lock);
    return titleOf(window);
}

WindowId X11Platform::findWindowBelow(WindowId window, const std::string& title) {
    if (!connected() || window == 0) return 0;
    std::lock_guard guard(Lock);
    // Breadth first, so the shallowest match wins; a bound keeps a huge or changing tree from
    // holding the caller up.
    std::vector<Window> level{Window(window)};
    std::size_t visited = 0;
    for (int depth = 0; depth < 16 && !level.empty(); ++depth) {
        std::vector<Window> next;
        for (Window parent : level) {
            Window root = 0, up = 0;
            Window* children = nullptr;
            unsigned int count = 0;
            if (!XQueryTree(Dpy, parent, &root, &up, &children, &count)) continue;
            next.insert(next.end(), children, children + count);
            if (children) XFree(children);
        }
        for (Window child : next) {
            if (++visited > 4096) return 0;
            if (titleOf(child) == title) return child;
        }
        level = std::move(next);
    }
    return 0;
}

ProcessId X11Platform::windowProcess(WindowId window) {
    if (!connected() || window == 0) return 0;
    std::lock_guard guard(Lock);
    unsigned long pid = 0;
    if (!cardinalProperty(Dpy, window, "_NET_WM_PID", XA_CARDINAL, pid)) return 0;
    return ProcessId(pid);
}

std::unique_ptr<GameProcess> X11Platform::openProcess(ProcessId process) {
    if (!LinuxProcess::exists(process)) return nullptr;
    return std::make_unique<LinuxProcess>(process);
}

bool X11Platform::heldIn(const char (&keymap)[32], int virtualKey) {
    if (virtualKey < 0 || virtualKey >= int(Keycodes.size())) return false;
    const auto k = std::size_t(virtualKey);
    if (!KeycodesKnown[k]) {
        for (unsigned long keysym : keysymsOfVirtualKey(virtualKey)) {
            const KeyCode code = XKeysymToKeycode(Dpy, keysym);
            if (code != 0) Keycodes[k].push_back(code);
        }
        KeycodesKnown[k] = true;
    }
    for (const unsigned char code : Keycodes[k]) {
        if (keymap[code / 8] & (1 << (code % 8))) return true;
    }
    return false;
}

bool X11Platform::keyDown(int virtualKey) {
    bool down = false;
    keysDown(std::span(&virtualKey, 1), std::span(&down, 1));
    return down;
}

void X11Platform::keysDown(std::span<const int> virtualKeys, std::span<bool> down) {
    std::fill(down.begin(), down.end(), false);
    if (!connected()) return;
    std::lock_guard guard(Lock);
    char keymap[32] = {};
    XQueryKeymap(Dpy, keymap);
    takeEvents(false); // what the reply brought along; a mouse mode asks nothing else for long
    for (std::size_t i = 0; i < virtualKeys.size() && i < down.size(); ++i)
        down[i] = heldIn(keymap, virtualKeys[i]);
}

CursorPos X11Platform::cursorPos() {
    if (!connected()) return {};
    std::lock_guard guard(Lock);
    Window root = 0, child = 0;
    int rootX = 0, rootY = 0, x = 0, y = 0;
    unsigned int mask = 0;
    XQueryPointer(Dpy, DefaultRootWindow(Dpy), &root, &child, &rootX, &rootY, &x, &y, &mask);
    return {rootX, rootY};
}

void X11Platform::setCursorPos(int x, int y) {
    if (!connected()) return;
    std::lock_guard guard(Lock);
    XWarpPointer(Dpy, None, DefaultRootWindow(Dpy), 0, 0, 0, 0, x, y);
    XFlush(Dpy);
}

ScreenSize X11Platform::screenSize() {
    if (!connected()) return {};
    std::lock_guard guard(Lock);
    const int screen = DefaultScreen(Dpy);
    return {DisplayWidth(Dpy, screen), DisplayHeight(Dpy, screen)};
}

void X11Platform::drawStatusLine(WindowId window, const std::string& text) {
    if (!connected() || window == 0) return;
    std::lock_guard guard(Lock);
    const int screen = DefaultScreen(Dpy);
    GC gc = XCreateGC(Dpy, window, 0, nullptr);
    if (!gc) return;
    XRectangle band{short(StatusBand::left), short(StatusBand::top),
                    static_cast<unsigned short>(StatusBand::right - StatusBand::left),
                    static_cast<unsigned short>(StatusBand::bottom - StatusBand::top)};
    XSetForeground(Dpy, gc, BlackPixel(Dpy, screen));
    XFillRectangle(Dpy, window, gc, band.x, band.y, band.width, band.height);
    XSetClipRectangles(Dpy, gc, 0, 0, &band, 1, Unsorted);
    XSetForeground(Dpy, gc, WhitePixel(Dpy, screen));
    // The text hangs from the band's top edge; X places it by its baseline. The font is the
    // server's default for as long as the connection lasts, so it is asked about once: the answer
    // is a round trip with a table of every character.
    if (StatusAscent < 0) {
        StatusAscent = 10;
        if (XFontStruct* font = XQueryFont(Dpy, XGContextFromGC(gc))) {
            StatusAscent = font->ascent;
            XFreeFontInfo(nullptr, font, 1); // with its per-character table
        }
    }
    XDrawString(Dpy, window, gc, StatusBand::left, StatusBand::top + StatusAscent, text.data(),
                int(text.size()));
    XFreeGC(Dpy, gc);
    // A round trip: the band is on the screen when the call returns, whoever looks next.
    XSync(Dpy, False);
}

std::unique_ptr<InputSource> X11Platform::createInputSource(std::string& unavailable) {
    if (!connected()) {
        unavailable = unavailableReason();
        return nullptr;
    }
    return startRecordInput(DisplayName, unavailable);
}

std::unique_ptr<Platform> createPlatform() {
    return std::make_unique<X11Platform>();
}

} // namespace skv::platform
