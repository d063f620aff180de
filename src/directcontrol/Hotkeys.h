// The fixed hot-key table and the handler that turns a key-down from anywhere on the desktop into a
// command for the control thread, a switch among the active page's items or a saved position.
#pragma once

#include "directcontrol/Directcontrol_mode.h"
#include "platform/Shortcut.h"

#include <array>
#include <cstdint>
#include <optional>

namespace skv::model {
class TGPLCarCameraSet;
}

namespace skv::directcontrol {

class DirectControl;
class TItemLists;
class TSavedPositions;

enum class HotKeyCommand : std::uint8_t {
    Escape,
    SavePitCam,
    SaveRollBarCam,
    Static,
    Reset,
    NextSet,
    PrevSet,
    NextEffect,
    PrevEffect,
    EffectRollBar,
    EffectPitCam,
    MouseRollBar,
    MousePitCam,
    SingleStep1, // GPL only
    SingleStep2,
    SmoothDown,
    SmoothUp,
    SpeedDown,
    SpeedUp,
    LookMode,
    BankMode,
    Step,        // on the key alone, whatever the modifiers
    ActivateSet, // a car camera set's own activation key
};

// One row of the table: the hot-key field of the "Keys" page that shows it and its key.
struct HotKeyRow {
    HotKeyCommand command;
    const char* control;
    platform::Shortcut shortcut;
};

namespace detail {
constexpr platform::Shortcut ctrl(int key) {
    return platform::makeShortcut(key, platform::kShortcutCtrl);
}
} // namespace detail

// The rows with a shortcut of their own, in the order the handler tests them.
inline constexpr std::array<HotKeyRow, 21> kHotKeyTable = {{
    {HotKeyCommand::Escape, "hkEscape", platform::vk::Escape},
    {HotKeyCommand::SavePitCam, "hkSavePitCam", platform::vk::P},
    {HotKeyCommand::SaveRollBarCam, "hkSaveRollBarCam", platform::vk::R},
    {HotKeyCommand::Static, "hkStatic", platform::vk::End},
    {HotKeyCommand::Reset, "hkReset", platform::vk::Home},
    {HotKeyCommand::NextSet, "hkNextSet", platform::vk::PageUp},
    {HotKeyCommand::PrevSet, "hkPrevSet", platform::vk::PageDown},
    {HotKeyCommand::NextEffect, "hkNextEffect", detail::ctrl(platform::vk::PageUp)},
    {HotKeyCommand::PrevEffect, "hkPrevEffect", detail::ctrl(platform::vk::PageDown)},
    {HotKeyCommand::EffectRollBar, "hkEffectRollBar", detail::ctrl(platform::vk::Insert)},
    {HotKeyCommand::EffectPitCam, "hkEffectPitCam", detail::ctrl(platform::vk::Delete)},
    {HotKeyCommand::MouseRollBar, "hkMouseRollBar", platform::vk::Insert},
    {HotKeyCommand::MousePitCam, "hkMousePitCam", platform::vk::Delete},
    {HotKeyCommand::SingleStep1, "hkSingleStep1", platform::vk::S},
    {HotKeyCommand::SingleStep2, "hkSingleStep2", platform::vk::Q},
    {HotKeyCommand::SmoothDown, "hkSmoothDown", platform::vk::Digit0 + 3},
    {HotKeyCommand::SmoothUp, "hkSmoothUp", platform::vk::Digit0 + 4},
    {HotKeyCommand::SpeedDown, "hkSpeedDown", platform::vk::Digit0 + 1},
    {HotKeyCommand::SpeedUp, "hkSpeedUp", platform::vk::Digit0 + 2},
    {HotKeyCommand::LookMode, "hkLookMode", platform::vk::L},
    {HotKeyCommand::BankMode, "hkBankMode", platform::vk::B},
}};

// The single-step keys, which match whatever modifiers are held: keypad 6 and "\".
inline constexpr std::array<int, 2> kStepKeys = {platform::vk::Keypad6, platform::vk::Backslash};

// Whether a shortcut value (a table row's, an item's activation key) is key with exactly these
// modifiers. A shortcut of 0 is no key and matches nothing.
bool shortcutMatches(platform::Shortcut shortcut, int key, platform::Shortcut modifiers);

// The fixed rows' answer for a key (a virtual-key code) with the modifiers held (Shift and Ctrl,
// never Alt): the first row whose key and modifier set are exactly these, the GPL-only row skipped
// for NR2003, then the single-step keys. Empty when no fixed row takes the key; the car camera sets'
// activation keys come after.
std::optional<HotKeyCommand> findHotKey(int key, platform::Shortcut modifiers, bool isNR2003);

// What the hot keys need of the main window.
class HotKeyHost {
public:
    virtual ~HotKeyHost() = default;
    // "Enable Direct Control." is checked.
    virtual bool directControlEnabled() const = 0;
    // This program is the active application.
    virtual bool applicationActive() const = 0;
    // The current state of a key (the handler asks for Shift and Ctrl).
    virtual bool keyDown(int virtualKey) const = 0;
    // A hot key moved a track bar or turned a mouse option: the window shows the new state (the
    // control thread has it already).
    virtual void speedPositionChanged(int /*position*/) {}
    virtual void smoothPositionChanged(int /*position*/) {}
    virtual void lookModeChanged(bool /*on*/) {}
    virtual void bankModeChanged(bool /*on*/) {}
};

// The handler. Runs on the user-interface thread, one key at a time.
class THotKeys {
public:
    THotKeys(DirectControl& thread, TItemLists& lists, TSavedPositions& positions, HotKeyHost& host);

    // One key-down; the low byte of keyData is the virtual-key code. Shift and Ctrl are asked of
    // the host now.
    void handleHotKey(std::uint16_t keyData);
    // The same with the Shift and Ctrl state the input source saw when the key went down.
    void handleHotKey(std::uint16_t keyData, platform::Shortcut modifiers);

    // A wake has been sent to attach since the link was last seen up.
    bool attachRequested() const { return attachRequested_; }

private:
    void wakeToAttach();
    void run(HotKeyCommand command);
    void setMode(ControlMode mode);
    void activate(const model::TGPLCarCameraSet* set);
    void loadEffect(const model::TGPLCarCameraSet* effect);
    void startEffect(ControlMode mode);
    void savePosition(bool pitCam);
    void moveSpeed(int delta);
    void moveSmooth(int delta);

    DirectControl& thread_;
    TItemLists& lists_;
    TSavedPositions& positions_;
    HotKeyHost& host_;
    bool attachRequested_ = false;
};

} // namespace skv::directcontrol
