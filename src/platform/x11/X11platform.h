// The Linux backend: the desktop through X11 (the games run under Wine with X11 windows), other
// processes' memory through the kernel, global input through the X RECORD extension.
#pragma once

#include "platform/platform.h"

#include <array>
#include <atomic>
#include <mutex>
#include <vector>

typedef struct _XDisplay Display;

namespace skv::platform {

class X11Platform : public Platform {
public:
    // Opens the display named by DISPLAY (or the one given).
    explicit X11Platform(const char* displayName = nullptr);
    ~X11Platform() override;

    std::string unavailableReason() const override;
    WindowId foregroundWindow() override;
    std::string windowTitle(WindowId window) override;
    ProcessId windowProcess(WindowId window) override;
    WindowId findWindowBelow(WindowId window, const std::string& title) override;
    std::unique_ptr<GameProcess> openProcess(ProcessId process) override;
    bool keyDown(int virtualKey) override;
    void keysDown(std::span<const int> virtualKeys, std::span<bool> down) override;
    CursorPos cursorPos() override;
    void setCursorPos(int x, int y) override;
    ScreenSize screenSize() override;
    void drawStatusLine(WindowId window, const std::string& text) override;
    std::unique_ptr<InputSource> createInputSource(std::string& unavailable) override;

private:
    std::mutex Lock; // one request at a time on the connection, whichever thread asks
    Display* Dpy = nullptr;
    std::atomic<bool> Lost{false}; // the server went away: no more requests, the backend is unavailable
    std::string DisplayName;
    std::string Unavailable;
    int StatusAscent = -1; // of the server's default font, asked at the first status line
    // The keycodes of each virtual key, looked up once (under Lock): a held-key query then asks the
    // server one question and allocates nothing.
    std::array<std::vector<unsigned char>, 256> Keycodes;
    std::array<bool, 256> KeycodesKnown{};
    // The window in front, kept between calls for as long as the server's events say nothing that
    // decides it has changed (under Lock): a hot key then asks the server nothing before its write.
    WindowId Foreground = 0;
    bool ForegroundKnown = false;
    bool RootWatched = false;     // the root's focus and property events are selected
    unsigned long ActiveAtom = 0; // _NET_ACTIVE_WINDOW
    unsigned long WatchedTop = 0; // the top-level window whose focus and structure events are selected

    // The connection can take requests (opened and not lost).
    bool connected() const { return Dpy && !Lost; }
    WindowId topLevelOf(unsigned long window);
    // Reads the events of the connection (from the socket too when read), noting foreground changes.
    void takeEvents(bool read);
    WindowId askForeground();
    void watchTopLevel(unsigned long window);
    bool textProperty(unsigned long window, const char* name, const char* type, std::string& text);
    std::string titleOf(unsigned long window);
    bool heldIn(const char (&keymap)[32], int virtualKey);
};

} // namespace skv::platform
