// The global input source of direct control: there while the main window is shown and "Enable
// Direct Control." is checked; its key-downs go to the hot keys, its mouse buttons to the thread.
#pragma once

#include "platform/platform.h"

#include <memory>
#include <string>

namespace skv::directcontrol {

class DirectControl;
class THotKeys;

class THotKeyInput {
public:
    THotKeyInput(platform::Platform& platform, THotKeys& hotKeys, DirectControl& thread);

    // Called on the source's own thread whenever events wait; the main window posts a call of
    // dispatchPending() to its own thread. Applies to the source installed now and to later ones.
    void setWakeUp(platform::InputSource::WakeUp wakeUp);

    // Only while the window is shown: installs the source when enabled and there is none, removes
    // it when not enabled. Returns why a source could not be made; empty otherwise.
    std::string setMode(bool windowShown, bool enabled);
    // At close: the source goes whatever the check box says.
    void remove();
    bool installed() const { return source_ != nullptr; }

    // Hands every waiting event on, on the calling thread (the user-interface thread); returns how
    // many there were.
    std::size_t dispatchPending();
    // One event: a key-down without Alt to the hot keys; left and right button changes, from any
    // program, to the thread's two flags. Keys pressed with Alt are system keys and are left alone.
    void handle(const platform::InputEvent& event);

private:
    platform::Platform& platform_;
    THotKeys& hotKeys_;
    DirectControl& thread_;
    platform::InputSource::WakeUp wakeUp_;
    std::unique_ptr<platform::InputSource> source_;
};

} // namespace skv::directcontrol
