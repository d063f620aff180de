// The global input source of the Windows backend: low-level keyboard and mouse hooks, installed
// on a thread of their own that runs the message loop they are called from.
#include "platform/Queuedinput.h"
#include "platform/Shortcut.h"
#include "platform/win32/Win32platform.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <atomic>
#include <future>
#include <thread>

namespace skv::platform {

namespace {

// Key messages name the generic modifier keys; the hooks see the sided ones.
int genericKey(DWORD code) {
    switch (code) {
    case VK_LSHIFT:
    case VK_RSHIFT:
        return vk::Shift;
    case VK_LCONTROL:
    case VK_RCONTROL:
        return vk::Control;
    case VK_LMENU:
    case VK_RMENU:
        return vk::Alt;
    default:
        return int(code & 0xFF);
    }
}

class HookInputSource;
// The hook procedures get no context; one source at a time is the one they feed.
std::atomic<HookInputSource*> activeSource{nullptr};

class HookInputSource : public QueuedInputSource {
public:
    ~HookInputSource() override {
        if (Thread.joinable()) {
            PostThreadMessageW(ThreadId, WM_QUIT, 0, 0);
            Thread.join();
        }
        HookInputSource* self = this;
        activeSource.compare_exchange_strong(self, nullptr);
    }

    bool start(std::string& unavailable) {
        HookInputSource* none = nullptr;
        if (!activeSource.compare_exchange_strong(none, this)) {
            unavailable = "the global input source is already running";
            return false;
        }
        std::promise<std::string> started;
        auto result = started.get_future();
        // The promise moves to the thread, which may still be inside set_value when get() returns.
        Thread = std::thread([this, promise = std::move(started)]() mutable { run(promise); });
        unavailable = result.get();
        if (unavailable.empty()) return true;
        Thread.join();
        return false;
    }

private:
    std::thread Thread;
    DWORD ThreadId = 0;

    void run(std::promise<std::string>& started) {
        ThreadId = GetCurrentThreadId();
        MSG message;
        PeekMessageW(&message, nullptr, WM_USER, WM_USER, PM_NOREMOVE); // the thread's queue, for WM_QUIT
        HMODULE module = GetModuleHandleW(nullptr);
        HHOOK keyboard = SetWindowsHookExW(WH_KEYBOARD_LL, &keyboardHook, module, 0);
        HHOOK mouse = keyboard ? SetWindowsHookExW(WH_MOUSE_LL, &mouseHook, module, 0) : nullptr;
        if (!mouse) {
            if (keyboard) UnhookWindowsHookEx(keyboard);
            started.set_value("the system refused the global keyboard and mouse hooks");
            return;
        }
        started.set_value({});
        while (GetMessageW(&message, nullptr, 0, 0) > 0) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        UnhookWindowsHookEx(mouse);
        UnhookWindowsHookEx(keyboard);
    }

    // Both hooks pass every event on: the program listens, it never takes input from the game.
    static LRESULT CALLBACK keyboardHook(int code, WPARAM wParam, LPARAM lParam) {
        HookInputSource* source = activeSource.load();
        if (code == HC_ACTION && source && (wParam == WM_KEYDOWN || wParam == WM_SYSKEYDOWN)) {
            const auto* key = reinterpret_cast<const KBDLLHOOKSTRUCT*>(lParam);
            InputEvent event;
            event.kind = InputEvent::Kind::KeyDown;
            event.virtualKey = genericKey(key->vkCode);
            event.altDown =
                wParam == WM_SYSKEYDOWN || (key->flags & LLKHF_ALTDOWN) != 0 || event.virtualKey == vk::Alt;
            event.shiftDown = (GetAsyncKeyState(VK_SHIFT) & 0x8000) != 0;
            event.ctrlDown = (GetAsyncKeyState(VK_CONTROL) & 0x8000) != 0;
            source->post(event);
        }
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }

    static LRESULT CALLBACK mouseHook(int code, WPARAM wParam, LPARAM lParam) {
        HookInputSource* source = activeSource.load();
        if (code == HC_ACTION && source) {
            InputEvent event;
            bool button = true;
            switch (wParam) {
            case WM_LBUTTONDOWN:
            case WM_LBUTTONUP:
                event.button = MouseButton::Left;
                break;
            case WM_RBUTTONDOWN:
            case WM_RBUTTONUP:
                event.button = MouseButton::Right;
                break;
            case WM_MBUTTONDOWN:
            case WM_MBUTTONUP:
                event.button = MouseButton::Middle;
                break;
            default:
                button = false;
                break;
            }
            if (button) {
                const bool down =
                    wParam == WM_LBUTTONDOWN || wParam == WM_RBUTTONDOWN || wParam == WM_MBUTTONDOWN;
                event.kind = down ? InputEvent::Kind::ButtonDown : InputEvent::Kind::ButtonUp;
                source->post(event);
            }
        }
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }
};

} // namespace

std::unique_ptr<InputSource> startHookInput(std::string& unavailable) {
    auto source = std::make_unique<HookInputSource>();
    if (!source->start(unavailable)) return nullptr;
    return source;
}

} // namespace skv::platform
