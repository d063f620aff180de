#include "directcontrol/Itemlists.h"
#include "model/Gplcarcameraset.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

using namespace skv::directcontrol;
using skv::model::eCameraSetType;
using skv::model::TGPLCarCameraSet;

namespace {

// A page as the lists see it: items it owns, each with its identity beside it.
struct Page {
    struct Node {
        std::unique_ptr<TGPLCarCameraSet> item;
        std::optional<TItemIdentity> identity; // after the item, so it goes first
    };
    std::vector<Node> nodes;

    TGPLCarCameraSet* add(const std::string& caption, bool effect = false) {
        Node node;
        node.item = std::make_unique<TGPLCarCameraSet>();
        node.item->Caption = caption;
        if (effect) node.item->Type = eCameraSetType::CstRollBarCam;
        node.identity.emplace(*node.item);
        nodes.push_back(std::move(node));
        return nodes.back().item.get();
    }
    // Deleting an item: its identity is revoked and the item freed.
    void erase(std::size_t i) { nodes.erase(nodes.begin() + static_cast<std::ptrdiff_t>(i)); }
    std::vector<const TItemIdentity*> identities() const {
        std::vector<const TItemIdentity*> out;
        for (const Node& n : nodes)
            out.push_back(&*n.identity);
        return out;
    }
};

std::vector<std::string> captions(const std::vector<const TGPLCarCameraSet*>& items) {
    std::vector<std::string> out;
    for (const TGPLCarCameraSet* item : items)
        out.push_back(item->Caption);
    return out;
}

using Names = std::vector<std::string>;

} // namespace

TEST(ItemLists, RebuildSplitsByKindInTreeOrderAndResetsTheCursors) {
    Page page;
    page.add("A");
    page.add("Spin", true);
    page.add("B");
    page.add("Fly", true);
    page.nodes[2].identity->revoke(); // B has been replaced: not listed any more

    TItemLists lists;
    lists.rebuild(page.identities());
    ASSERT_NE(lists.stepEffect(+1, true), nullptr);
    EXPECT_EQ(lists.currentEffectIndex(), 1);
    lists.rebuild(page.identities());

    EXPECT_EQ(captions(lists.carCameraSetList()), (Names{"A"}));
    EXPECT_EQ(captions(lists.effectList()), (Names{"Spin", "Fly"}));
    EXPECT_EQ(lists.currentEffectIndex(), 0);
}

TEST(ItemLists, EntriesLeaveAtOnceWhenItemsGoAndTheCursorStaysOnItsItem) {
    Page page;
    for (const char* c : {"A", "B", "C", "D"})
        page.add(c);
    TItemLists lists;
    lists.rebuild(page.identities());
    lists.stepSet(+1, true);
    lists.stepSet(+1, true);
    EXPECT_EQ(lists.currentCamSet(true)->Caption, "C");

    page.erase(0); // an earlier item is deleted
    EXPECT_EQ(captions(lists.carCameraSetList()), (Names{"B", "C", "D"}));
    EXPECT_EQ(lists.currentCamSet(true)->Caption, "C");

    page.erase(1); // the current one: the next takes its place
    EXPECT_EQ(lists.currentCamSet(true)->Caption, "D");
    page.erase(1); // the last one: the cursor is clamped
    EXPECT_EQ(lists.currentCamSet(true)->Caption, "B");

    page.nodes.clear(); // the page closes
    EXPECT_TRUE(lists.carCameraSetList().empty());
    EXPECT_EQ(lists.currentCamSet(true), nullptr);
    EXPECT_EQ(lists.stepSet(+1, true), nullptr);
    EXPECT_EQ(lists.currentSetIndex(), 0);
}

TEST(ItemLists, ActivationKeyFirstInTreeOrderExactModifiersNeverAlt) {
    using namespace skv::platform;
    Page page;
    page.add("Plain")->ActivationKey = makeShortcut(vk::A);
    page.add("Shifted")->ActivationKey = makeShortcut(vk::A, kShortcutShift);
    page.add("Second")->ActivationKey = makeShortcut(vk::A);
    page.add("WithAlt")->ActivationKey = makeShortcut('K', kShortcutAlt);
    page.add("None");
    page.add("Effect", true)->ActivationKey = makeShortcut(vk::E);
    TItemLists lists;
    lists.rebuild(page.identities());

    EXPECT_EQ(lists.findActivation(vk::A, 0)->Caption, "Plain");
    EXPECT_EQ(lists.findActivation(vk::A, kShortcutShift)->Caption, "Shifted");
    EXPECT_EQ(lists.currentSetIndex(), 1);
    EXPECT_EQ(lists.findActivation(vk::A, kShortcutCtrl), nullptr);
    EXPECT_EQ(lists.findActivation('K', 0), nullptr);
    EXPECT_EQ(lists.findActivation(0, 0), nullptr);     // no key is no activation key
    EXPECT_EQ(lists.findActivation(vk::E, 0), nullptr); // effects are not activated by key
    EXPECT_EQ(lists.currentSetIndex(), 1);
}
