// Components: ownership, lookup by name, loading, notification on destruction; published properties.
#include "engine/objects/Component.h"

#include <gtest/gtest.h>

using namespace skv::engine;

namespace {

// Records what it is told.
class TWatcher : public TComponent {
public:
    using TComponent::TComponent;
    std::vector<std::pair<TComponent*, TOperation>> Told;
    int LoadedCount = 0;

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override {
        Told.emplace_back(AComponent, Operation);
    }
    void Loaded() override { ++LoadedCount; }
};

TEST(Component, OwnerFreesItsComponentsAndIsToldOfInsertAndRemove) {
    auto owner = std::make_unique<TWatcher>();
    auto* a = new TComponent(owner.get());
    auto* b = new TComponent(owner.get());
    a->SetName("First");
    b->SetName("Second");
    EXPECT_EQ(owner->ComponentCount(), 2);
    EXPECT_EQ(owner->FindComponent("FIRST"), a);
    EXPECT_EQ(owner->FindComponent("none"), nullptr);
    delete a;
    ASSERT_EQ(owner->ComponentCount(), 1);
    EXPECT_EQ(owner->Components(0), b);
    ASSERT_EQ(owner->Told.size(), 3u);
    EXPECT_EQ(owner->Told[2], std::make_pair(static_cast<TComponent*>(a), opRemove));
    owner.reset(); // frees b; ASan reports it otherwise
}

TEST(Component, FreeNotificationTellsTheOtherSideOnce) {
    TWatcher watcher;
    auto watched = std::make_unique<TComponent>();
    watched->FreeNotification(&watcher);
    watched->FreeNotification(&watcher);
    TComponent* address = watched.get();
    watched.reset();
    ASSERT_EQ(watcher.Told.size(), 1u);
    EXPECT_EQ(watcher.Told[0].first, address);

    // The interest is mutual: destroying the watcher first leaves no dangling entry behind.
    auto second = std::make_unique<TComponent>();
    {
        TWatcher shortLived;
        second->FreeNotification(&shortLived);
    }
    second.reset();
}

TEST(Component, LoadedRunsOnceAtTheEndOfLoading) {
    TWatcher c;
    c.EndLoading();
    EXPECT_EQ(c.LoadedCount, 0);
    c.BeginLoading();
    EXPECT_TRUE(c.IsLoading());
    c.EndLoading();
    EXPECT_FALSE(c.IsLoading());
    EXPECT_EQ(c.LoadedCount, 1);
}

class TBase : public TObject {
public:
    std::int32_t Count = 0;
    const TPublishedProps* PublishedProps() const override;
};
class TDerived : public TBase {
public:
    std::string Title;
    const TPublishedProps* PublishedProps() const override;
};

const TPublishedProp kBaseProps[] = {
    {"Count", TPropKind::pkOrdinal,
     [](const TObject& o) { return Variant(static_cast<const TBase&>(o).Count); },
     [](TObject& o, const Variant& v) { static_cast<TBase&>(o).Count = v.ToInteger(); }},
};
const TPublishedProps kBaseTable{nullptr, kBaseProps, 1};
const TPublishedProp kDerivedProps[] = {
    {"Title", TPropKind::pkString, nullptr,
     [](TObject& o, const Variant& v) { static_cast<TDerived&>(o).Title = v.RawString(); }},
};
const TPublishedProps kDerivedTable{&kBaseTable, kDerivedProps, 1};
const TPublishedProps* TBase::PublishedProps() const {
    return &kBaseTable;
}
const TPublishedProps* TDerived::PublishedProps() const {
    return &kDerivedTable;
}

TEST(PublishedProps, FoundThroughTheParentTableIgnoringCase) {
    TDerived d;
    ASSERT_NE(FindPublishedProp(d, "count"), nullptr);
    ASSERT_NE(FindPublishedProp(d, "TITLE"), nullptr);
    EXPECT_EQ(FindPublishedProp(d, "Missing"), nullptr);
    TBase b;
    EXPECT_EQ(FindPublishedProp(b, "Title"), nullptr);
    EXPECT_EQ(FindPublishedProp(TObject(), "Count"), nullptr);
}

TEST(PublishedProps, ValuesConvertToThePropertyKind) {
    EXPECT_EQ(ConvertForProp(TPropKind::pkOrdinal, Variant(2.5)).VType(), varInteger);
    EXPECT_EQ(ConvertForProp(TPropKind::pkOrdinal, Variant(2.5)).RawInteger(), 2);
    EXPECT_EQ(ConvertForProp(TPropKind::pkString, Variant(7)).RawString(), "7");
    EXPECT_EQ(ConvertForProp(TPropKind::pkFloat, Variant(7)).VType(), varDouble);
    EXPECT_EQ(ConvertForProp(TPropKind::pkInt64, Variant(3e9)).RawDouble(), 3e9);
    EXPECT_EQ(ConvertForProp(TPropKind::pkInt64, Variant(12.0)).RawInteger(), 12);
    EXPECT_TRUE(ConvertForProp(TPropKind::pkVariant, Variant::Null()).IsNull());
}

} // namespace

namespace {

TEST(ObjectRefs, NumbersNameLiveObjectsOnly) {
    TObjectRefs refs;
    EXPECT_EQ(refs.RefOf(nullptr), 0);
    EXPECT_EQ(refs.ObjectOf(0), nullptr);
    auto a = std::make_unique<TObject>();
    auto b = std::make_unique<TComponent>();
    const std::int32_t ra = refs.RefOf(a.get());
    const std::int32_t rb = refs.RefOf(b.get());
    EXPECT_NE(ra, 0);
    EXPECT_NE(ra, rb);
    EXPECT_EQ(refs.RefOf(a.get()), ra); // once per object
    EXPECT_EQ(refs.ObjectOf(ra), a.get());
    EXPECT_EQ(refs.ObjectOfValue(Variant(rb)), b.get());
    EXPECT_EQ(refs.ObjectOfValue(Variant(static_cast<double>(rb))), nullptr); // only integer kinds refer
    EXPECT_EQ(refs.ObjectOfValue(Variant(std::to_string(rb))), nullptr);
    // A copy is another object; a destroyed object's number finds nothing.
    const TObject copy(*a);
    EXPECT_NE(refs.RefOf(&copy), ra);
    a.reset();
    EXPECT_EQ(refs.ObjectOf(ra), nullptr);
    EXPECT_EQ(refs.ObjectOf(ra + 1000000), nullptr); // a made-up number
}

// Each host numbers objects in a table of its own: a number means nothing in another table, and
// whichever of a table and an object goes first, the other is left consistent.
TEST(ObjectRefs, TablesAreIndependent) {
    auto object = std::make_unique<TObject>();
    TObjectRefs first;
    const std::int32_t r1 = first.RefOf(object.get());
    std::int32_t r2 = 0;
    {
        TObjectRefs second;
        r2 = second.RefOf(object.get());
        EXPECT_EQ(second.ObjectOf(r2), object.get());
        EXPECT_EQ(second.ObjectOf(r2 + 1), nullptr);
    } // the object forgets the table that went
    EXPECT_EQ(first.ObjectOf(r1), object.get());
    EXPECT_EQ(first.RefOf(object.get()), r1);
    TObjectRefs third;
    EXPECT_EQ(third.ObjectOf(r1), nullptr); // not a number this table handed out
    const std::int32_t r3 = third.RefOf(object.get());
    object.reset(); // every table that numbered it forgets it
    EXPECT_EQ(first.ObjectOf(r1), nullptr);
    EXPECT_EQ(third.ObjectOf(r3), nullptr);
}

} // namespace
