#include "directcontrol/Hotkeyinput.h"

#include "directcontrol/Directcontrol.h"
#include "directcontrol/Hotkeys.h"
#include "platform/Shortcut.h"
#include "platform/Threadpriority.h"

namespace skv::directcontrol {

using platform::InputEvent;
using platform::MouseButton;

THotKeyInput::THotKeyInput(platform::Platform& platform, THotKeys& hotKeys, DirectControl& thread)
    : platform_(platform), hotKeys_(hotKeys), thread_(thread) {}

void THotKeyInput::setWakeUp(platform::InputSource::WakeUp wakeUp) {
    wakeUp_ = std::move(wakeUp);
    if (source_) source_->setWakeUp(wakeUp_);
}

std::string THotKeyInput::setMode(bool windowShown, bool enabled) {
    if (!windowShown) return {};
    if (!enabled) {
        remove();
        return {};
    }
    if (source_) return {};
    std::string unavailable;
    source_ = platform_.createInputSource(unavailable);
    if (!source_) return unavailable.empty() ? "no global input source" : unavailable;
    source_->setWakeUp(wakeUp_);
    // The keys are handled on this thread, which should not wait behind other work when one comes.
    platform::preferPromptWakeUps();
    return {};
}

void THotKeyInput::remove() {
    source_.reset();
}

std::size_t THotKeyInput::dispatchPending() {
    if (!source_) return 0;
    return source_->dispatchPending([this](const InputEvent& event) { handle(event); });
}

void THotKeyInput::handle(const InputEvent& event) {
    switch (event.kind) {
    case InputEvent::Kind::KeyDown:
        if (!event.altDown) {
            platform::Shortcut modifiers = 0;
            if (event.shiftDown) modifiers |= platform::kShortcutShift;
            if (event.ctrlDown) modifiers |= platform::kShortcutCtrl;
            hotKeys_.handleHotKey(static_cast<std::uint16_t>(event.virtualKey & 0xFFFF), modifiers);
        }
        return;
    case InputEvent::Kind::ButtonDown:
    case InputEvent::Kind::ButtonUp: {
        const bool down = event.kind == InputEvent::Kind::ButtonDown;
        if (event.button == MouseButton::Left) thread_.setLeftButtonDown(down);
        if (event.button == MouseButton::Right) thread_.setRightButtonDown(down);
        return;
    }
    }
}

} // namespace skv::directcontrol
