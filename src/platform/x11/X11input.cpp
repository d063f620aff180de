#include "platform/x11/X11input.h"

#include "platform/Queuedinput.h"
#include "platform/Shortcut.h"
#include "platform/Threadpriority.h"
#include "platform/x11/X11connection.h"
#include "platform/x11/X11keys.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/Xproto.h>
#include <X11/extensions/record.h>

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <thread>

namespace skv::platform {

namespace {

// The virtual key of every keycode, taken once at the start: the recording thread must not ask the
// server anything while it is inside a reply.
using KeyTable = std::array<int, 256>;

KeyTable readKeyTable(Display* dpy) {
    KeyTable table{};
    int minCode = 0, maxCode = 0;
    XDisplayKeycodes(dpy, &minCode, &maxCode);
    for (int code = minCode; code <= maxCode && code < 256; ++code) {
        const KeySym plain = XkbKeycodeToKeysym(dpy, KeyCode(code), 0, 0);
        const KeySym shifted = XkbKeycodeToKeysym(dpy, KeyCode(code), 0, 1);
        table[std::size_t(code)] = virtualKeyOfKey(plain, shifted);
    }
    return table;
}

class RecordInputSource : public QueuedInputSource {
public:
    RecordInputSource(Display* control, Display* data, XRecordContext context)
        : Control(control), Data(data), Context(context), Keys(readKeyTable(control)) {
        survive(Control, Lost);
        survive(Data, Lost);
    }

    ~RecordInputSource() override {
        if (Thread.joinable()) {
            const std::uint64_t one = 1;
            [[maybe_unused]] const ssize_t written = ::write(StopEvent, &one, sizeof one);
            Thread.join();
        }
        XRecordDisableContext(Control, Context);
        XRecordFreeContext(Control, Context);
        XSync(Control, False);
        XCloseDisplay(Data);
        XCloseDisplay(Control);
        if (StopEvent >= 0) ::close(StopEvent);
    }

    // Starts recording; false with the reason when the server refuses.
    bool start(std::string& unavailable) {
        StopEvent = ::eventfd(0, EFD_CLOEXEC);
        if (StopEvent < 0) {
            unavailable = "cannot start the input recording thread";
            return false;
        }
        if (!XRecordEnableContextAsync(Data, Context, &RecordInputSource::intercept,
                                       reinterpret_cast<XPointer>(this))) {
            unavailable = "the X server refused to record input (RECORD extension)";
            return false;
        }
        Thread = std::thread([this] { run(); });
        return true;
    }

private:
    Display* Control;
    Display* Data;
    XRecordContext Context;
    KeyTable Keys;
    int StopEvent = -1;
    std::thread Thread;
    std::atomic<bool> Lost{false}; // the server went away: recording has ended

    void run() {
        // A hot key waits for this thread first: it is woken ahead of ordinary work, as the control
        // thread is. It only hands events on, so it never holds a processor for long.
        raiseThreadPriority();
        for (;;) {
            pollfd fds[2] = {{ConnectionNumber(Data), POLLIN, 0}, {StopEvent, POLLIN, 0}};
            if (::poll(fds, 2, -1) < 0) {
                if (errno == EINTR) continue;
                return;
            }
            if (fds[1].revents & POLLIN) return;
            if (fds[0].revents & (POLLERR | POLLHUP)) return;
            if (fds[0].revents & POLLIN) XRecordProcessReplies(Data);
            if (Lost) return;
        }
    }

    static void intercept(XPointer self, XRecordInterceptData* data) {
        auto* source = reinterpret_cast<RecordInputSource*>(self);
        if (data->category == XRecordFromServer && data->data_len * 4 >= sizeof(xEvent))
            source->take(*reinterpret_cast<const xEvent*>(data->data));
        XRecordFreeData(data);
    }

    void take(const xEvent& event) {
        InputEvent out;
        const int type = event.u.u.type & 0x7F;
        const int detail = event.u.u.detail;
        if (type == KeyPress) {
            out.kind = InputEvent::Kind::KeyDown;
            out.virtualKey = Keys[std::size_t(detail & 0xFF)];
            if (out.virtualKey == 0) return;
            const unsigned state = event.u.keyButtonPointer.state;
            out.altDown = (state & Mod1Mask) != 0 || out.virtualKey == vk::Alt;
            out.shiftDown = (state & ShiftMask) != 0;
            out.ctrlDown = (state & ControlMask) != 0;
        } else if (type == ButtonPress || type == ButtonRelease) {
            if (detail < 1 || detail > 3) return; // wheel and extra buttons
            out.kind = type == ButtonPress ? InputEvent::Kind::ButtonDown : InputEvent::Kind::ButtonUp;
            out.button = detail == 1   ? MouseButton::Left
                         : detail == 2 ? MouseButton::Middle
                                       : MouseButton::Right;
        } else {
            return;
        }
        post(out);
    }
};

} // namespace

std::unique_ptr<InputSource> startRecordInput(const std::string& displayName, std::string& unavailable) {
    // Until the source takes the connections over, a loss of the server only ends the set-up.
    std::atomic<bool> lost{false};
    Display* control = XOpenDisplay(displayName.c_str());
    if (control) survive(control, lost);
    Display* data = control ? XOpenDisplay(displayName.c_str()) : nullptr;
    if (data) survive(data, lost);
    if (!data) {
        if (control) XCloseDisplay(control);
        unavailable = "cannot open the X display \"" + displayName + "\" for recording input";
        return nullptr;
    }
    int major = 0, minor = 0;
    if (!XRecordQueryVersion(control, &major, &minor)) {
        XCloseDisplay(data);
        XCloseDisplay(control);
        unavailable = "the X server has no RECORD extension: no global hot keys";
        return nullptr;
    }
    // Key presses and both button changes; no key releases, which nothing here needs: each would
    // wake the recording thread for nothing.
    XRecordRange* ranges[2] = {XRecordAllocRange(), XRecordAllocRange()};
    ranges[0]->device_events.first = ranges[0]->device_events.last = KeyPress;
    ranges[1]->device_events.first = ButtonPress;
    ranges[1]->device_events.last = ButtonRelease;
    XRecordClientSpec clients = XRecordAllClients;
    const XRecordContext context = XRecordCreateContext(control, 0, &clients, 1, ranges, 2);
    XFree(ranges[0]);
    XFree(ranges[1]);
    XSync(control, False);
    if (!context) {
        XCloseDisplay(data);
        XCloseDisplay(control);
        unavailable = "the X server refused to record input (RECORD extension)";
        return nullptr;
    }
    auto source = std::make_unique<RecordInputSource>(control, data, context);
    if (!source->start(unavailable)) return nullptr;
    return source;
}

} // namespace skv::platform
