// The Windows backend: the window in front and its process through the window manager's calls,
// the game's memory through ReadProcessMemory/WriteProcessMemory, global input through low-level
// keyboard and mouse hooks on a thread of their own.
#pragma once

#include "platform/platform.h"

namespace skv::platform {

class Win32Platform : public Platform {
public:
    std::string unavailableReason() const override { return {}; }
    WindowId foregroundWindow() override;
    std::string windowTitle(WindowId window) override;
    ProcessId windowProcess(WindowId window) override;
    WindowId findWindowBelow(WindowId window, const std::string& title) override;
    std::unique_ptr<GameProcess> openProcess(ProcessId process) override;
    bool keyDown(int virtualKey) override;
    CursorPos cursorPos() override;
    void setCursorPos(int x, int y) override;
    ScreenSize screenSize() override;
    void drawStatusLine(WindowId window, const std::string& text) override;
    std::unique_ptr<InputSource> createInputSource(std::string& unavailable) override;
};

// The system's text for an error code, without its trailing full stop and line break.
std::string systemMessage(unsigned long error);

// Null with the reason in unavailable when the hooks cannot be installed.
std::unique_ptr<InputSource> startHookInput(std::string& unavailable);

} // namespace skv::platform
