// The desktop of the control thread on a platform backend: the window in front, held keys, the
// pointer, the screen and the status line.
#pragma once

#include "directcontrol/Directcontrol_ports.h"
#include "platform/platform.h"

namespace skv::directcontrol {

class TPlatformDesktop : public ControlDesktop {
public:
    // The backend outlives the adapter.
    explicit TPlatformDesktop(platform::Platform& platform) : Platform(platform) {}

    WindowId foregroundWindow() override { return Platform.foregroundWindow(); }
    bool keyDown(int virtualKey) override { return Platform.keyDown(virtualKey); }
    CursorPos cursorPos() override;
    void setCursorPos(int x, int y) override { Platform.setCursorPos(x, y); }
    ScreenSize screenSize() override;
    void drawStatusLine(WindowId window, const std::string& text) override;

private:
    platform::Platform& Platform;
};

} // namespace skv::directcontrol
