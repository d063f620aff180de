#include "platform/win32/Win32platform.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstdio>

namespace skv::platform {

std::string systemMessage(unsigned long error) {
    char text[256] = {};
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                        error, 0, text, sizeof text, nullptr);
    std::string message(text, length);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == '.'))
        message.pop_back();
    return message;
}

namespace {

HWND handleOf(WindowId window) {
    return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(window));
}

class Win32Process : public GameProcess {
public:
    explicit Win32Process(HANDLE process) : Process(process) {}
    ~Win32Process() override { CloseHandle(Process); }

    bool read(Address address, void* buffer, std::size_t size) override {
        SIZE_T done = 0;
        if (ReadProcessMemory(Process, reinterpret_cast<LPCVOID>(static_cast<std::uintptr_t>(address)),
                              buffer, size, &done) &&
            done == size)
            return true;
        fail("read", address);
        return false;
    }
    bool write(Address address, const void* data, std::size_t size) override {
        SIZE_T done = 0;
        if (WriteProcessMemory(Process, reinterpret_cast<LPVOID>(static_cast<std::uintptr_t>(address)), data,
                               size, &done) &&
            done == size)
            return true;
        fail("written", address);
        return false;
    }
    std::string lastError() const override { return Error; }

private:
    HANDLE Process;
    std::string Error;

    void fail(const char* verb, Address address) {
        const DWORD error = GetLastError();
        char where[24];
        std::snprintf(where, sizeof where, "0x%llX", static_cast<unsigned long long>(address));
        Error = std::string("the game's memory at ") + where + " cannot be " + verb + " (" +
                systemMessage(error) + ")";
    }
};

} // namespace

WindowId Win32Platform::foregroundWindow() {
    return static_cast<WindowId>(reinterpret_cast<std::uintptr_t>(GetForegroundWindow()));
}

std::string Win32Platform::windowTitle(WindowId window) {
    if (window == 0) return {};
    char title[kMaxTitleLength + 1] = {};
    const int length = GetWindowTextA(handleOf(window), title, int(sizeof title));
    return length > 0 ? std::string(title, std::size_t(length)) : std::string();
}

ProcessId Win32Platform::windowProcess(WindowId window) {
    if (window == 0) return 0;
    DWORD process = 0;
    GetWindowThreadProcessId(handleOf(window), &process);
    return ProcessId(process);
}

WindowId Win32Platform::findWindowBelow(WindowId window, const std::string& title) {
    if (window == 0) return 0;
    struct Search {
        const std::string& title;
        HWND found = nullptr;
    } search{title};
    EnumChildWindows(
        handleOf(window),
        [](HWND child, LPARAM data) -> BOOL {
            auto* s = reinterpret_cast<Search*>(data);
            char text[kMaxTitleLength + 1] = {};
            const int length = GetWindowTextA(child, text, int(sizeof text));
            if (length < 0 || s->title != std::string(text, std::size_t(length))) return TRUE;
            s->found = child;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return WindowId(reinterpret_cast<std::uintptr_t>(search.found));
}

std::unique_ptr<GameProcess> Win32Platform::openProcess(ProcessId process) {
    // Only what reading and writing the camera records takes, not every access right.
    const DWORD access =
        PROCESS_VM_READ | PROCESS_VM_WRITE | PROCESS_VM_OPERATION | PROCESS_QUERY_LIMITED_INFORMATION;
    HANDLE handle = process ? OpenProcess(access, FALSE, DWORD(process)) : nullptr;
    if (!handle) return nullptr;
    return std::make_unique<Win32Process>(handle);
}

bool Win32Platform::keyDown(int virtualKey) {
    // The physical state: the control thread has no message queue whose key state would follow
    // the game's input.
    return (GetAsyncKeyState(virtualKey) & 0x8000) != 0;
}

CursorPos Win32Platform::cursorPos() {
    POINT at{};
    if (!GetCursorPos(&at)) return {};
    return {int(at.x), int(at.y)};
}

void Win32Platform::setCursorPos(int x, int y) {
    SetCursorPos(x, y);
}

ScreenSize Win32Platform::screenSize() {
    return {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

void Win32Platform::drawStatusLine(WindowId window, const std::string& text) {
    HWND hwnd = handleOf(window);
    HDC dc = window ? GetWindowDC(hwnd) : nullptr;
    if (!dc) return;
    RECT band{StatusBand::left, StatusBand::top, StatusBand::right, StatusBand::bottom};
    FillRect(dc, &band, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    SetTextColor(dc, RGB(255, 255, 255));
    SetBkMode(dc, TRANSPARENT);
    ExtTextOutA(dc, StatusBand::left, StatusBand::top, ETO_CLIPPED, &band, text.data(), UINT(text.size()),
                nullptr);
    ReleaseDC(hwnd, dc);
}

std::unique_ptr<InputSource> Win32Platform::createInputSource(std::string& unavailable) {
    return startHookInput(unavailable);
}

std::unique_ptr<Platform> createPlatform() {
    return std::make_unique<Win32Platform>();
}

} // namespace skv::platform
