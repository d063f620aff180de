#include "directcontrol/Itemlists.h"

#include "directcontrol/Hotkeys.h"
#include "model/Gplcarcameraset.h"

#include <algorithm>

namespace skv::directcontrol {

using model::TGPLCarCameraSet;

TItemIdentity::TItemIdentity(const TGPLCarCameraSet& item) : live_(&item, [](const TGPLCarCameraSet*) {}) {}

void TItemLists::rebuild(std::span<const TItemIdentity* const> pageItems) {
    clear();
    for (const TItemIdentity* identity : pageItems) {
        if (!identity || identity->revoked()) continue;
        List& list = identity->live_->isEffect() ? effects_ : sets_;
        list.entries.emplace_back(identity->live_);
    }
}

void TItemLists::clear() {
    sets_ = {};
    effects_ = {};
}

std::vector<const TGPLCarCameraSet*> TItemLists::carCameraSetList() const {
    return items(sets_);
}

std::vector<const TGPLCarCameraSet*> TItemLists::effectList() const {
    return items(effects_);
}

std::int32_t TItemLists::currentSetIndex() const {
    prune(sets_);
    return sets_.cursor;
}

std::int32_t TItemLists::currentEffectIndex() const {
    prune(effects_);
    return effects_.cursor;
}

const TGPLCarCameraSet* TItemLists::currentCamSet(bool attached) {
    return current(sets_, attached);
}

const TGPLCarCameraSet* TItemLists::currentEffect(bool attached) {
    return current(effects_, attached);
}

const TGPLCarCameraSet* TItemLists::stepSet(int delta, bool attached) {
    return step(sets_, delta, attached);
}

const TGPLCarCameraSet* TItemLists::stepEffect(int delta, bool attached) {
    return step(effects_, delta, attached);
}

const TGPLCarCameraSet* TItemLists::findActivation(int key, platform::Shortcut modifiers) {
    prune(sets_);
    for (std::size_t i = 0; i < sets_.entries.size(); ++i) {
        const TGPLCarCameraSet* set = sets_.entries[i].lock().get();
        if (!shortcutMatches(set->ActivationKey, key, modifiers)) continue;
        sets_.cursor = static_cast<std::int32_t>(i);
        return set;
    }
    return nullptr;
}

void TItemLists::prune(List& list) {
    std::vector<std::weak_ptr<const TGPLCarCameraSet>> kept;
    kept.reserve(list.entries.size());
    std::int32_t cursor = list.cursor;
    for (std::size_t i = 0; i < list.entries.size(); ++i) {
        if (!list.entries[i].expired()) {
            kept.push_back(std::move(list.entries[i]));
            continue;
        }
        if (static_cast<std::int32_t>(i) < list.cursor) --cursor;
    }
    list.entries = std::move(kept);
    list.cursor = std::max(cursor, 0);
}

std::vector<const TGPLCarCameraSet*> TItemLists::items(List& list) {
    prune(list);
    std::vector<const TGPLCarCameraSet*> out;
    out.reserve(list.entries.size());
    for (const auto& entry : list.entries)
        out.push_back(entry.lock().get());
    return out;
}

const TGPLCarCameraSet* TItemLists::current(List& list, bool attached) {
    prune(list);
    if (!attached) list.cursor = 0;
    if (list.entries.empty()) {
        list.cursor = 0;
        return nullptr;
    }
    const auto last = static_cast<std::int32_t>(list.entries.size()) - 1;
    list.cursor = std::clamp(list.cursor, 0, last);
    return list.entries[static_cast<std::size_t>(list.cursor)].lock().get();
}

const TGPLCarCameraSet* TItemLists::step(List& list, int delta, bool attached) {
    prune(list);
    if (list.entries.empty()) return nullptr;
    const auto count = static_cast<std::int32_t>(list.entries.size());
    std::int32_t next = list.cursor + delta;
    if (next >= count) next = 0;
    if (next < 0) next = count - 1;
    list.cursor = next;
    return current(list, attached);
}

} // namespace skv::directcontrol
