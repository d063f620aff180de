// Dependency links: symmetric lists, refused cycles, invalidation and its guards.
#include "engine/eval/Exlink.h"
#include "engine/exfuncs_test_support.h"

#include "engine/base/Errors.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>

using namespace skv::engine;

namespace {

class TNamed : public TLinkOwner {
public:
    explicit TNamed(std::string n) : name(std::move(n)) {}
    std::string LinkOwnerName() const override { return name; }
    std::string name;
};

} // namespace

TEST(Exlink, LinksAreSymmetricAndListedOnce) {
    TExprLink a, b;
    a.AddIntLinkTo(&b);
    a.AddIntLinkTo(&b);
    a.AddIntLinkTo(nullptr);
    ASSERT_EQ(a.GetIntLinks().size(), 1u);
    ASSERT_EQ(b.GetExtLinks().size(), 1u);
    EXPECT_TRUE(b.HasExtLinks());
    b.RemoveExtLink(&a);
    EXPECT_TRUE(a.GetIntLinks().empty());
    EXPECT_FALSE(b.HasExtLinks());
}

TEST(Exlink, CyclesAreRefusedWithTheOtherOwnersName) {
    TNamed na("A"), nb("B"), nc("C");
    TExprLink a(&na), b(&nb), c(&nc);
    a.AddIntLinkTo(&b); // A reads B
    b.AddIntLinkTo(&c); // B reads C
    EXPECT_ENGINE_ERROR(c.AddIntLinkTo(&a), EMathParserError, "Circular reference: A");
    EXPECT_THROW(a.AddIntLinkTo(&a), EMathParserError);
    EXPECT_THROW(c.AddExtLinkTo(&c), EMathParserError);
    EXPECT_TRUE(c.GetIntLinks().empty());
    EXPECT_TRUE(a.FindLink(&c));
    EXPECT_FALSE(c.FindLink(&a));
}

TEST(Exlink, DestroyingANodeCutsAndInvalidatesItsDependents) {
    TExprLink reader;
    int invalidated = 0;
    reader.OnInvalidate = [&] { ++invalidated; };
    {
        TExprLink source;
        reader.AddIntLinkTo(&source);
    }
    EXPECT_TRUE(reader.GetIntLinks().empty());
    EXPECT_EQ(invalidated, 1);
}

TEST(Exlink, InvalidationReachesDependentsAndStopsAtReentrance) {
    TExprLink var, expr;
    expr.AddIntLinkTo(&var);
    int calls = 0;
    // An event that re-enters its own node is not fired again.
    expr.OnInvalidateValue = [&] {
        ++calls;
        expr.InvalidateValue();
        expr.InvalidateLinks();
    };
    var.InvalidateLinks();
    EXPECT_EQ(calls, 1);
    int validated = 0;
    expr.OnValidateValue = [&] { ++validated; };
    var.ValidateLinks();
    EXPECT_EQ(validated, 1);
}

TEST(Exlink, QuietNodeHandsValueEventsOnOnlyWhenSomethingDependsOnIt) {
    TExprLink var, expr, reader;
    expr.AddIntLinkTo(&var);
    expr.QuietValue = true;
    int heard = 0;
    expr.OnInvalidateValue = [&] {
        ++heard;
        expr.InvalidateLinks();
    };
    int readerHeard = 0;
    reader.OnInvalidateValue = [&] { ++readerHeard; };
    var.InvalidateLinks();
    EXPECT_FALSE(var.ValueListened());
    EXPECT_EQ(heard, 0);
    reader.AddIntLinkTo(&expr);
    EXPECT_TRUE(var.ValueListened());
    var.InvalidateLinks();
    EXPECT_EQ(heard, 1);
    EXPECT_EQ(readerHeard, 1);
}

TEST(Exlink, FlagIsClearedWhenTheEventRaises) {
    TExprLink node;
    int calls = 0;
    node.OnInvalidate = [&] {
        ++calls;
        throw std::runtime_error("x");
    };
    EXPECT_THROW(node.Invalidate(), std::runtime_error);
    EXPECT_THROW(node.Invalidate(), std::runtime_error);
    EXPECT_EQ(calls, 2);
}

TEST(Exlink, HostsAndUpdateSwitch) {
    TExprLink a, b;
    int host = 0;
    b.OnGetHost = [&]() -> void* { return &host; };
    a.AddIntLinkTo(&b);
    EXPECT_EQ(a.FindHostLink(&host), &b);
    EXPECT_EQ(a.FindHostLink(nullptr), nullptr);
    EXPECT_TRUE(a.GetUpdateEnabled());
    a.OnGetUpdateEnabled = [] { return false; };
    EXPECT_FALSE(a.GetUpdateEnabled());
}

TEST(Exlink, DiamondGraphsAreSearchedOnce) {
    // 40 layers of two nodes, each linked to both of the layer below: without a visited set the
    // search would walk 2^40 paths.
    std::vector<std::unique_ptr<TExprLink>> nodes;
    for (int i = 0; i < 80; ++i)
        nodes.push_back(std::make_unique<TExprLink>());
    for (int layer = 1; layer < 40; ++layer)
        for (int k = 0; k < 2; ++k)
            for (int j = 0; j < 2; ++j)
                nodes[layer * 2 + k]->AddIntLinkTo(nodes[(layer - 1) * 2 + j].get());
    TExprLink extra;
    EXPECT_FALSE(nodes[79]->FindLink(&extra));
    EXPECT_THROW(nodes[0]->AddIntLinkTo(nodes[79].get()), EMathParserError);
}
