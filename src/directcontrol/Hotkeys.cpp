#include "directcontrol/Hotkeys.h"

#include "directcontrol/Directcontrol.h"
#include "directcontrol/Itemlists.h"
#include "directcontrol/Savedpositions.h"
#include "model/Gplcarcameraset.h"

#include <algorithm>

namespace skv::directcontrol {

using model::TGPLCarCameraSet;
namespace vk = platform::vk;

bool shortcutMatches(platform::Shortcut shortcut, int key, platform::Shortcut modifiers) {
    if (shortcut == 0 || key == 0) return false; // no key assigned
    return platform::shortcutKey(shortcut) == key && platform::shortcutModifiers(shortcut) == modifiers;
}

std::optional<HotKeyCommand> findHotKey(int key, platform::Shortcut modifiers, bool isNR2003) {
    for (const HotKeyRow& row : kHotKeyTable) {
        if (row.command == HotKeyCommand::SingleStep1 && isNR2003) continue;
        if (shortcutMatches(row.shortcut, key, modifiers)) return row.command;
    }
    if (std::find(kStepKeys.begin(), kStepKeys.end(), key) != kStepKeys.end()) return HotKeyCommand::Step;
    return std::nullopt;
}

THotKeys::THotKeys(DirectControl& thread, TItemLists& lists, TSavedPositions& positions, HotKeyHost& host)
    : thread_(thread), lists_(lists), positions_(positions), host_(host) {}

void THotKeys::handleHotKey(std::uint16_t keyData) {
    platform::Shortcut modifiers = 0;
    if (host_.keyDown(vk::Shift)) modifiers |= platform::kShortcutShift;
    if (host_.keyDown(vk::Control)) modifiers |= platform::kShortcutCtrl;
    handleHotKey(keyData, modifiers);
}

void THotKeys::handleHotKey(std::uint16_t keyData, platform::Shortcut modifiers) {
    if (!host_.directControlEnabled() && host_.applicationActive()) return;
    wakeToAttach();
    const int key = keyData & 0xFF;
    modifiers &= platform::kShortcutShift | platform::kShortcutCtrl; // Alt is never part of it
    if (const auto command = findHotKey(key, modifiers, thread_.isNR2003())) {
        run(*command);
        return;
    }
    // Row 23: the sets' own keys, which the table always wins over.
    activate(lists_.findActivation(key, modifiers));
}

// Keys that come while the game is not attached wake the thread to attach, once per link-down
// period; the key's own command still sets its fields, which take effect at the attach.
void THotKeys::wakeToAttach() {
    if (thread_.attached()) {
        attachRequested_ = false;
        return;
    }
    if (attachRequested_) return;
    thread_.changeMode(true);
    attachRequested_ = true;
}

void THotKeys::run(HotKeyCommand command) {
    switch (command) {
    case HotKeyCommand::Escape:
        thread_.changeMode(true);
        break;
    case HotKeyCommand::SavePitCam:
        savePosition(true);
        break;
    case HotKeyCommand::SaveRollBarCam:
        savePosition(false);
        break;
    case HotKeyCommand::Static:
        setMode(ControlMode::Static);
        break;
    case HotKeyCommand::Reset:
        thread_.setResetRollBar(true);
        thread_.setResetPitCam(true);
        thread_.changeMode(false);
        break;
    case HotKeyCommand::NextSet:
        activate(lists_.stepSet(+1, thread_.attached()));
        break;
    case HotKeyCommand::PrevSet:
        activate(lists_.stepSet(-1, thread_.attached()));
        break;
    case HotKeyCommand::NextEffect:
        loadEffect(lists_.stepEffect(+1, thread_.attached()));
        break;
    case HotKeyCommand::PrevEffect:
        loadEffect(lists_.stepEffect(-1, thread_.attached()));
        break;
    case HotKeyCommand::EffectRollBar:
        startEffect(ControlMode::EffectRollBar);
        break;
    case HotKeyCommand::EffectPitCam:
        startEffect(ControlMode::EffectPitCam);
        break;
    case HotKeyCommand::MouseRollBar:
        setMode(ControlMode::MouseRollBar);
        break;
    case HotKeyCommand::MousePitCam:
        setMode(ControlMode::MousePitCam);
        break;
    case HotKeyCommand::SingleStep1:
    case HotKeyCommand::SingleStep2:
        thread_.toggleSingleStep();
        break;
    case HotKeyCommand::SmoothDown:
        moveSmooth(-1);
        break;
    case HotKeyCommand::SmoothUp:
        moveSmooth(+1);
        break;
    case HotKeyCommand::SpeedDown:
        moveSpeed(-1);
        break;
    case HotKeyCommand::SpeedUp:
        moveSpeed(+1);
        break;
    case HotKeyCommand::LookMode:
        thread_.setLookMode(!thread_.lookMode());
        host_.lookModeChanged(thread_.lookMode());
        break;
    case HotKeyCommand::BankMode:
        thread_.setBankMode(!thread_.bankMode());
        host_.bankModeChanged(thread_.bankMode());
        break;
    case HotKeyCommand::Step:
        thread_.singleStep();
        break;
    case HotKeyCommand::ActivateSet:
        break; // never in the table: handled after it
    }
}

void THotKeys::setMode(ControlMode mode) {
    thread_.setRequestedMode(mode);
    thread_.changeMode(false);
}

// The thread copies the set's records now, so the item may go away at any time after.
void THotKeys::activate(const TGPLCarCameraSet* set) {
    if (!set) return;
    thread_.setCameraSet(set->Caption, *set);
    thread_.changeMode(false);
}

void THotKeys::loadEffect(const TGPLCarCameraSet* effect) {
    if (!effect) return;
    thread_.setEffectScript(effect->Caption, effect->effect());
    thread_.changeMode(false);
}

// Without an effect item on the page there is nothing to start.
void THotKeys::startEffect(ControlMode mode) {
    const TGPLCarCameraSet* effect = lists_.currentEffect(thread_.attached());
    if (!effect) return;
    thread_.setEffectScript(effect->Caption, effect->effect());
    setMode(mode);
}

// What the game holds now, read on this thread; nothing is added while not attached or when the
// read fails.
void THotKeys::savePosition(bool pitCam) {
    if (!thread_.attached()) return;
    const auto values = pitCam ? thread_.readLivePitCam() : thread_.readLiveRollBar();
    if (!values) return;
    if (pitCam)
        positions_.addPitCamPosition("", *values);
    else
        positions_.addRollBarPosition("", *values);
}

// The track bars keep their positions within 0..100.
void THotKeys::moveSpeed(int delta) {
    const int position = std::clamp(thread_.speedPosition() + delta, 0, 100);
    thread_.setSpeed(position);
    host_.speedPositionChanged(position);
}

void THotKeys::moveSmooth(int delta) {
    const int position = std::clamp(thread_.smoothPosition() + delta, 0, 100);
    thread_.setSmooth(position);
    host_.smoothPositionChanged(position);
}

} // namespace skv::directcontrol
