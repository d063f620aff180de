// Everything direct control is made of, owned in one place and built in order: the backend, the
// game link over it, the effect player, the control thread, the active page's item lists, the saved
// positions, the hot keys and the global input source. The main window holds one; the tests build
// one over the scripted backend.
#pragma once

#include "directcontrol/Directcontrol.h"
#include "directcontrol/Directcontrol_gamelink.h"
#include "directcontrol/Hotkeyinput.h"
#include "directcontrol/Hotkeys.h"
#include "directcontrol/Itemlists.h"
#include "directcontrol/Savedpositions.h"
#include "effects/Effectbudget.h"
#include "engine/context/Enginecontext.h"
#include "model/Gamepaths.h"
#include "platform/platform.h"

#include <memory>
#include <mutex>
#include <string>

namespace skv::directcontrol {

// What the thread is given when it is created: the track bars and the two mouse options.
struct TDirectControlStart {
    int speed = 50;
    int smooth = 94;
    bool lookMode = false;
    bool bankMode = false;
};

// The message boxes of the scripts the control thread plays: a box would stop the thread until
// someone clicked it, so each text goes to the status receiver instead and the first button counts
// as pressed.
class TStatusLineMessages final : public engine::TMessageHost {
public:
    void setReceiver(DirectControl::StatusCallback receiver);
    void ShowMessage(const std::string& Text) override;
    std::int32_t MessageBox(const std::string& Text, const std::string& Caption, std::int32_t Flags) override;
    std::int32_t MessageDlg(const std::string& Text, std::int32_t DlgType, std::int32_t Buttons,
                            std::int32_t HelpContext) override;

private:
    std::mutex lock_;
    DirectControl::StatusCallback receiver_;
};

class TDirectControlStack {
public:
    // The backend, the path resolver (which outlives the stack) and the window the hot keys ask and
    // tell; without an effect player of its own the stack makes the real one.
    TDirectControlStack(std::unique_ptr<platform::Platform> platform, const model::TGamePaths& paths,
                        HotKeyHost& host, std::unique_ptr<effects::EffectStepper> effects = nullptr);
    // Shuts down, then takes everything down in the reverse order of construction.
    ~TDirectControlStack();
    TDirectControlStack(const TDirectControlStack&) = delete;
    TDirectControlStack& operator=(const TDirectControlStack&) = delete;

    // Why this machine cannot offer direct control (no display, no input recording), in words;
    // empty when it can. Everything else of the program works either way.
    std::string unavailableReason() const;

    // The first show of the window: the thread is created and given the start values. Later calls
    // do nothing.
    void start(const TDirectControlStart& values);
    bool started() const { return started_; }
    // The global input source follows the window's shown flag and the check box; returns why it
    // could not be made (empty when it is there or not wanted).
    std::string setMode(bool windowShown, bool enabled);
    // The game selector: the link goes back to its detached state and the thread serves that game.
    void selectGame(bool nr2003);
    // Receives the thread's status texts and its scripts' messages, on whatever thread shows them
    // (see DirectControl).
    void setStatusCallback(DirectControl::StatusCallback callback);
    // Told on the source's thread when input waits; the receiver posts dispatchInput() to its own.
    void setInputWakeUp(platform::InputSource::WakeUp wakeUp);
    // On the user-interface thread: every waiting key and button handled.
    std::size_t dispatchInput() { return input_.dispatchPending(); }

    // The close of the window, in this order: the input source goes (no key or wake-up comes after),
    // the status receiver is disconnected (no text reaches a window that is going), the thread is
    // stopped and joined. Safe to call more than once.
    void shutDown();

    platform::Platform& platform() { return *platform_; }
    TGameLink& link() { return link_; }
    DirectControl& thread() { return thread_; }
    TItemLists& itemLists() { return itemLists_; }
    TSavedPositions& savedPositions() { return savedPositions_; }
    THotKeys& hotKeys() { return hotKeys_; }
    THotKeyInput& input() { return input_; }

private:
    // Members in the order they are built; each uses only those above it.
    std::unique_ptr<platform::Platform> platform_;
    TGameLink link_;
    TStatusLineMessages messages_;
    std::unique_ptr<effects::EffectStepper> effects_;
    DirectControl thread_;
    TItemLists itemLists_;
    TSavedPositions savedPositions_;
    THotKeys hotKeys_;
    THotKeyInput input_;
    bool started_ = false;
};

} // namespace skv::directcontrol
