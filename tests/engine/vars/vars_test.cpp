// Variables: value kinds, names and renames, links, the list and the collection.
#include "engine/exfuncs_test_support.h"
#include "engine/vars/Vars.h"

#include <gtest/gtest.h>

#include <functional>
#include <utility>
#include <vector>

using namespace skv::engine;
using namespace skv::engine::testing;

namespace {

// A stand-in evaluator: the text is names joined by "+", summed; reading a name links to it, as the
// compiled code does.
class TSumExpression : public TVarExpression {
public:
    explicit TSumExpression(TVariable& Owner) : Owner_(Owner) {
        Link_.OnInvalidateValue = [this] { Link_.InvalidateLinks(); };
        Link_.OnInvalidate = [this] { Link_.InvalidateLinks(); };
    }
    void SetText(const std::string& Text) override {
        Text_ = Text;
        Link_.RemoveIntLinks();
    }
    TExprLink& Link() override { return Link_; }
    Variant Evaluate() override {
        ++Evaluations;
        Variant sum(std::int32_t{0});
        std::size_t start = 0;
        while (start <= Text_.size()) {
            const std::size_t plus = std::min(Text_.find('+', start), Text_.size());
            const std::string name = Text_.substr(start, plus - start);
            TVariable* v = Owner_.VarColl() ? Owner_.VarColl()->FindVariable(name) : nullptr;
            if (v) {
                Link_.AddIntLinkTo(&v->Link());
                sum = VarAdd(sum, v->Value());
            }
            start = plus + 1;
        }
        return sum;
    }
    static inline int Evaluations = 0;

private:
    TVariable& Owner_;
    std::string Text_;
    TExprLink Link_;
};

class VarsTest : public ::testing::Test {
protected:
    void SetUp() override {
        vars->ExpressionFactory = [](TVariable& v) { return std::make_unique<TSumExpression>(v); };
    }
    TVariable* Sum(const char* Name, const char* Text) {
        TVariable* v = vars->CreateVariable(&form, Name, "");
        v->SetExpression(Text);
        v->SetValueType(vvExpression);
        return v;
    }

    TComponent form;
    TEPVars* vars = new TEPVars(&form);
};

} // namespace

TEST_F(VarsTest, NewVariablesByKind) {
    TVariable* v = vars->CreateVariable(&form, "plain", "a description");
    EXPECT_EQ(v->VarName(), "PLAIN");
    EXPECT_EQ(v->Descr, "a description");
    EXPECT_TRUE(v->Value().IsEmpty());

    TVariable* e = vars->CreateVariable(&form, "ev", "");
    e->SetValueType(vvOnEvent);
    EXPECT_EQ(e->Value().VType(), varInteger);
    EXPECT_EQ(e->Value().RawInteger(), 0);
    int calls = 0;
    e->SetOnCalcValue([&](TVariable&) {
        ++calls;
        return Variant(2.5);
    });
    EXPECT_EQ(e->Value().RawDouble(), 2.5);
    EXPECT_EQ(e->Value().RawDouble(), 2.5);
    EXPECT_EQ(calls, 1) << "a valid value is not recomputed";
    e->Invalidate();
    (void)e->Value();
    EXPECT_EQ(calls, 2);
}

TEST_F(VarsTest, LookupIgnoresCaseAndUnknownIsCurrencyZero) {
    vars->SetValues("alpha", Variant(std::int32_t{7}));
    EXPECT_EQ(vars->Values("ALPHA").RawInteger(), 7);
    EXPECT_EQ(vars->Values("Alpha").RawInteger(), 7);
    ASSERT_NE(vars->FindVariable("aLpHa"), nullptr);
    EXPECT_EQ(vars->FindVariable("alpha")->Name(), "alpha")
        << "component name: collection name + name as given";
    const Variant unknown = vars->Values("nothing");
    EXPECT_EQ(unknown.VType(), varCurrency);
    EXPECT_EQ(unknown.RawCurrency().Value, 0);
    EXPECT_EQ(vars->Count(), 1);
}

TEST_F(VarsTest, SetVarRefusesBadNames) {
    const struct {
        const char* name;
        const char* message;
    } rows[] = {
        {"2X", "Invalid identifier name: 2X !"},   {"a b", "Invalid identifier name: a b !"},
        {"end", "Invalid identifier name: end !"}, {"a-b", "Invalid identifier name: a-b !"},
        {"", "Invalid identifier name:  !"},
    };
    for (const auto& row : rows)
        EXPECT_ENGINE_ERROR(vars->SetValues(row.name, Variant(1.0)), EBadName, row.message);
    EXPECT_EQ(vars->Count(), 0);
    TVarsList plain;
    EXPECT_THROW(plain.SetVar("1a", Variant(1.0)), EBadName);
    plain.SetVar("_ok1", Variant(1.0));
    EXPECT_EQ(plain.GetVar("_OK1").RawDouble(), 1.0);
}

TEST_F(VarsTest, NewcomersWithATakenNameGetACounter) {
    TVariable* first = vars->CreateVariable(&form, "X", "");
    const struct {
        const char* name;
        const char* expected;
    } rows[] = {{"X", "X1"},
                {"X", "X2"},
                {"MY_X", "MY_X"},
                {"MY_X", "MY_X1"},
                {"\xE0\xE1", "\xC0\xC1"},
                {"\xC0\xC1", "\xC0\xC1"
                             "1"}};
    for (const auto& row : rows) {
        auto* v = new TVariable(&form);
        v->SetVarName(row.name);
        vars->AddVariable(v);
        EXPECT_EQ(v->VarName(), row.expected);
        EXPECT_EQ(v->VarColl(), vars);
        EXPECT_EQ(vars->FindVariable(row.expected), v);
    }
    EXPECT_EQ(vars->FindVariable("X"), first);
    // A name that starts with a digit cannot carry a counter; it takes the class part.
    auto* d1 = new TVariable(&form);
    d1->SetVarName("9");
    vars->AddVariable(d1);
    auto* d2 = new TVariable(&form);
    d2->SetVarName("9");
    vars->AddVariable(d2);
    EXPECT_EQ(d2->VarName(), "VARIABLE1");
    EXPECT_EQ(vars->Count(), 9);
}

TEST_F(VarsTest, RenamingKeepsTheListSortedAndRefusesDuplicates) {
    TVariable* a = vars->CreateVariable(&form, "A", "");
    TVariable* b = vars->CreateVariable(&form, "B", "");
    TVariable* c = vars->CreateVariable(&form, "C", "");
    a->SetVarName("z");
    EXPECT_EQ(a->VarName(), "Z");
    EXPECT_EQ(vars->Items(0), b);
    EXPECT_EQ(vars->Items(1), c);
    EXPECT_EQ(vars->Items(2), a);
    EXPECT_EQ(vars->Items(3), nullptr);
    EXPECT_EQ(vars->FindVariable("z"), a);
    EXPECT_EQ(vars->FindVariable("a"), nullptr);
    EXPECT_ENGINE_ERROR(b->SetVarName("c"), EBadName, "Duplicated identifier");
    EXPECT_EQ(b->VarName(), "B");
    EXPECT_EQ(c->VarName(), "C");
    b->SetVarName("b"); // the same name in another case is no change
    EXPECT_EQ(vars->FindVariable("B"), b);
}

TEST_F(VarsTest, ExpressionsRecomputeWhenWhatTheyReadChanges) {
    vars->SetValues("A", Variant(std::int32_t{1}));
    vars->SetValues("B", Variant(std::int32_t{2}));
    TVariable* s = Sum("S", "A+B");
    EXPECT_EQ(s->Value().RawInteger(), 3);
    s->SetValue(Variant(100.0)); // overwritten at once by the expression
    EXPECT_EQ(s->Value().RawInteger(), 3);
    TSumExpression::Evaluations = 0;
    (void)s->Value();
    EXPECT_EQ(TSumExpression::Evaluations, 0) << "cached while valid";
    vars->SetValues("A", Variant(std::int32_t{10}));
    EXPECT_FALSE(s->Valid());
    EXPECT_EQ(s->Value().RawInteger(), 12);
    // A chain: T reads S.
    TVariable* t = Sum("T", "S+B");
    EXPECT_EQ(t->Value().RawInteger(), 14);
    vars->SetValues("B", Variant(std::int32_t{0}));
    EXPECT_EQ(t->Value().RawInteger(), 10);
    // An expression that reads its own variable is a circular reference.
    TVariable* self = vars->CreateVariable(&form, "SELF", "");
    self->SetExpression("SELF+A");
    EXPECT_THROW(self->SetValueType(vvExpression), EMathParserError);
}

TEST_F(VarsTest, ANewExpressionTextRecomputesOnlyAnExpressionVariable) {
    int calls = 0;
    TVariable* e = vars->CreateVariable(&form, "EV", "");
    e->SetValueType(vvOnEvent);
    e->SetOnCalcValue([&](TVariable&) { return Variant(std::int32_t{++calls}); });
    const int before = calls;
    e->SetExpression("A+B"); // kept for when the kind changes; the event still gives the value
    EXPECT_EQ(calls, before);
    EXPECT_EQ(e->Value().RawInteger(), before);
    e->SetValueType(vvExpression);
    EXPECT_EQ(e->Expression(), "A+B");
}

TEST_F(VarsTest, WithoutEvaluatorAnExpressionIsAnEngineError) {
    vars->ExpressionFactory = [](TVariable&) { return nullptr; };
    TVariable* v = vars->CreateVariable(&form, "E", "");
    v->SetExpression("1+1");
    EXPECT_THROW(v->SetValueType(vvExpression), EParserInternalError);
    EXPECT_EQ(v->Expression(), "1+1");
}

TEST_F(VarsTest, LinkedVariablesUseOutsideStorage) {
    TVariable* v = vars->CreateVariable(&form, "L", "");
    v->SetValue(Variant(1.0));
    Variant outside(5.0);
    Variant* previous = v->LinkTo(&outside);
    EXPECT_EQ(previous, &v->StoredValue());
    EXPECT_TRUE(v->Linked());
    EXPECT_EQ(v->Value().RawDouble(), 5.0);
    v->SetValue(Variant(6.0));
    EXPECT_EQ(outside.RawDouble(), 6.0);
    EXPECT_EQ(v->StoredValue().RawDouble(), 1.0);
    EXPECT_EQ(*v->GetPPVar(), &outside);
    v->SetValueType(vvOnEvent); // unlinks first
    EXPECT_FALSE(v->Linked());
    EXPECT_EQ(*v->GetPPVar(), &v->StoredValue());
    EXPECT_EQ(v->Value().RawInteger(), 0);
}

TEST_F(VarsTest, SetVariablesMakesTheCollectionEqualToAList) {
    vars->SetValues("KEEP", Variant(1.0));
    vars->SetValues("DROP", Variant(2.0));
    TVarsList edited;
    edited.SetVar("keep", Variant(10.0));
    edited.SetVar("new", Variant(20.0));
    edited.FindVariable("NEW")->Descr = "made in the editor";
    vars->SetVariables(edited);
    EXPECT_EQ(vars->Count(), 2);
    EXPECT_EQ(vars->Values("KEEP").RawDouble(), 10.0);
    EXPECT_EQ(vars->Values("NEW").RawDouble(), 20.0);
    EXPECT_EQ(vars->FindVariable("NEW")->Descr, "made in the editor");
    EXPECT_EQ(vars->FindVariable("DROP"), nullptr);

    TVarsList copy;
    copy.Assign(vars->Vars());
    EXPECT_EQ(copy.Count(), 2);
    EXPECT_EQ(copy.GetVar("new").RawDouble(), 20.0);
    EXPECT_EQ(copy.GetValue(5).RawInteger(), 0);
}

TEST_F(VarsTest, DestroyedRegistryIsForgotten) {
    auto* reg = new TComponent(&form);
    auto* lib = new TComponent(&form);
    vars->SetRegFuncs(reg);
    vars->SetUserLib(lib);
    delete reg;
    EXPECT_EQ(vars->RegFuncs(), nullptr);
    EXPECT_EQ(vars->UserLib(), lib);
    delete lib;
    EXPECT_EQ(vars->UserLib(), nullptr);
}

TEST_F(VarsTest, VariablesLeaveTheirCollection) {
    TVariable* v = vars->CreateVariable(&form, "GONE", "");
    delete v;
    EXPECT_EQ(vars->Count(), 0);
    TVariable* w = vars->CreateVariable(nullptr, "OWNED", ""); // no owner: freed with the collection
    EXPECT_EQ(w->VarColl(), vars);
    w->SetVarColl(nullptr);
    EXPECT_EQ(vars->Count(), 0);
    w->SetVarColl(vars);
    EXPECT_EQ(vars->FindVariable("OWNED"), w);
    auto* other = new TEPVars(&form);
    w->SetVarColl(other);
    EXPECT_EQ(vars->Count(), 0);
    EXPECT_EQ(other->FindVariable("owned"), w);
    delete other; // frees w, which has no owner
}

// Expressions refresh what they read before every evaluation; only a change may reach the
// dependents, also one written straight into the variable's slot, as compiled code does. A variable
// that stops being a plain stored value is announced even though its bits did not change: what it
// reads or saves is no longer what its dependents heard of.
TEST_F(VarsTest, RefreshTellsDependentsOfChangesOnly) {
    Variant outside(std::int32_t{1});
    const struct {
        const char* what;
        std::function<void(TVariable&)> change;
        bool tells;
        TVarType type;
        std::int32_t value;
    } cases[] = {
        {"nothing changed", [](TVariable&) {}, false, varInteger, 1},
        {"a value written into its slot", [](TVariable& a) { **a.GetPPVar() = Variant(std::int32_t{7}); },
         true, varInteger, 7},
        {"the same bits of another kind", [](TVariable& a) { **a.GetPPVar() = Variant::Currency({1}); }, true,
         varCurrency, 1},
        {"invalidated by someone", [](TVariable& a) { a.Invalidate(); }, true, varInteger, 1},
        {"saving its result", [](TVariable& a) { a.SetSaveResult(true); }, true, varInteger, 1},
        {"linked to outside storage", [&](TVariable& a) { a.LinkTo(&outside); }, true, varInteger, 1},
        {"being loaded", [](TVariable& a) { a.BeginLoading(); }, true, varInteger, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        vars->SetValues("A", Variant(std::int32_t{1}));
        TVariable* a = vars->FindVariable("A");
        TVariable* s = Sum("S", "A");
        EXPECT_EQ(s->Value().RawInteger(), 1);
        a->Refresh();
        EXPECT_TRUE(s->Valid());
        c.change(*a);
        EXPECT_EQ(s->Value().VType(), varInteger); // read before the refresh: what was last heard of
        a->Refresh();
        EXPECT_EQ(s->Valid(), !c.tells);
        EXPECT_EQ(s->Value().VType(), c.type);
        const Variant v = s->Value();
        EXPECT_EQ(c.type == varCurrency ? v.RawCurrency().Value : v.RawInteger(), c.value);
        vars->FreeVariables();
    }
}

TEST_F(VarsTest, UpdateBracketHoldsPropagationBack) {
    vars->SetValues("A", Variant(std::int32_t{1}));
    TVariable* s = Sum("S", "A");
    EXPECT_EQ(s->Value().RawInteger(), 1);
    vars->BeginUpdate();
    EXPECT_FALSE(vars->UpdateEnabled());
    vars->SetValues("A", Variant(std::int32_t{5}));
    EXPECT_TRUE(s->Valid()) << "no propagation inside the bracket";
    vars->EndUpdate();
    EXPECT_TRUE(vars->UpdateEnabled());
    EXPECT_EQ(s->Value().RawInteger(), 5);
    vars->EndUpdate(); // an unmatched end does not go below zero
    EXPECT_EQ(vars->Vars().UpdateCount(), 0);
}
