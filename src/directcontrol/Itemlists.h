// The car camera sets and the effect items of the active library page, in tree order, with the two
// cursors direct control switches among them by. An entry never outlives its item: the lists hold
// identities that the page revokes, and what the control thread needs of an item it gets as a copy.
#pragma once

#include "platform/Shortcut.h"

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace skv::model {
class TGPLCarCameraSet;
}

namespace skv::directcontrol {

// What a page keeps beside each item it owns: while it stands, the item may be listed. Revoking it,
// or destroying it, takes the item out of every list at once, so the page revokes it when the item is
// deleted, cut or replaced and destroys it when the page closes (declared after the item, it goes
// first). One item, one identity: it moves but does not copy.
class TItemIdentity {
public:
    explicit TItemIdentity(const model::TGPLCarCameraSet& item);
    TItemIdentity(TItemIdentity&&) noexcept = default;
    TItemIdentity& operator=(TItemIdentity&&) noexcept = default;
    TItemIdentity(const TItemIdentity&) = delete;
    TItemIdentity& operator=(const TItemIdentity&) = delete;

    void revoke() { live_.reset(); }
    bool revoked() const { return !live_; }

private:
    friend class TItemLists;
    std::shared_ptr<const model::TGPLCarCameraSet> live_; // does not own: the page does
};

// Used on the user-interface thread only. The item pointers it hands out are good until control
// returns to the page, which is all the hot keys need.
class TItemLists {
public:
    // From the active page's items in tree order: effect items to effectList, the others to
    // carCameraSetList; both cursors to 0. Revoked identities are left out.
    void rebuild(std::span<const TItemIdentity* const> pageItems);
    void clear();

    // The items listed now (revoked ones have gone), in order.
    std::vector<const model::TGPLCarCameraSet*> carCameraSetList() const;
    std::vector<const model::TGPLCarCameraSet*> effectList() const;
    std::int32_t currentSetIndex() const;
    std::int32_t currentEffectIndex() const;

    // The entry under the cursor, null for an empty list. While the game is not attached the cursor
    // goes back to 0 first; otherwise it is clamped into the list.
    const model::TGPLCarCameraSet* currentCamSet(bool attached);
    const model::TGPLCarCameraSet* currentEffect(bool attached);

    // Moves the cursor by +1 or -1 with wrap-around and returns the entry then current (as above);
    // null, and nothing moved, for an empty list.
    const model::TGPLCarCameraSet* stepSet(int delta, bool attached);
    const model::TGPLCarCameraSet* stepEffect(int delta, bool attached);

    // The first set in list order whose activation key is key with exactly these modifiers (Shift
    // and Ctrl; a key with Alt never matches); the cursor moves to it. Null when none.
    const model::TGPLCarCameraSet* findActivation(int key, platform::Shortcut modifiers);

private:
    struct List {
        std::vector<std::weak_ptr<const model::TGPLCarCameraSet>> entries;
        std::int32_t cursor = 0;
    };

    // Drops the entries of revoked items; the cursor stays on the item it was on, or, when that one
    // went, on the entry that took its place.
    static void prune(List& list);
    static std::vector<const model::TGPLCarCameraSet*> items(List& list);
    static const model::TGPLCarCameraSet* current(List& list, bool attached);
    static const model::TGPLCarCameraSet* step(List& list, int delta, bool attached);

    mutable List sets_, effects_;
};

} // namespace skv::directcontrol
