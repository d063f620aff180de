// The expression object's life: source changes with restore, names, lazy recompilation along the
// dependency links, circular references, user functions of the real library, undefined
// names and functions, and expression-valued variables.
#include "engine/exfuncs_test_support.h"

#include "engine/component/Expars.h"
#include "engine/eval/Exeval.h"

#include "engine/data/Dataaccess.h"

#include <memory>

using namespace skv::engine;
using namespace skv::engine::testing;

namespace {

class EvalObjTest : public ::testing::Test {
protected:
    EvalObjTest() {
        Lib.SetRegFuncs(&Funcs);
        Lib.SetVariables(&Vars);
        Vars.SetRegFuncs(&Funcs);
        Vars.SetValues("A", Variant(std::int32_t{2}));
        E.OnProvideVarsList = [this] { return &Vars.Vars(); };
        E.OnProvideRegFuncs = [this] { return &Funcs; };
        E.OnProvideUserLib = [this] { return &Lib; };
    }
    Variant Run(const std::string& Text) {
        E.AssignSourceStr(Text);
        return E.F();
    }
    TVariable& ExprVar(const std::string& Name, const std::string& Text) {
        TVariable* v = Vars.VarItem(Name);
        v->SetValueType(vvExpression);
        v->SetExpression(Text);
        return *v;
    }

    TStandInLibrary Library;
    TEPRegFuncs Funcs{nullptr, &Library};
    TEPVars Vars;
    TEPUserLib Lib;
    TEvalObj E;
};

TEST_F(EvalObjTest, SourceThatFailsPutsTheOldLinesBack) {
    E.SetSourceStr("1 + 2\r\n+ 3");
    EXPECT_EQ(E.SourceText(), "1 + 2 + 3");
    EXPECT_TRUE(E.Valid());
    EXPECT_ENGINE_ERROR(E.SetSourceStr("1 +"), ESyntaxError, "Syntax error in expression:\r1 +");
    EXPECT_EQ(E.SourceStr(), "1 + 2\r\n+ 3");
    EXPECT_EQ(E.F().RawInteger(), 6);
    // A text that never compiles raises at every use, and the object stays invalid.
    E.AssignSourceStr("x := ;");
    for (int i = 0; i < 2; ++i)
        EXPECT_ENGINE_ERROR(E.F(), ESyntaxError, "Invalid assignment. Statement: x :=");
    EXPECT_FALSE(E.Valid());
    EXPECT_TRUE(E.ParseFailed());
}

TEST_F(EvalObjTest, NamesFollowTheIdentifierRules) {
    E.SetName("total");
    EXPECT_EQ(E.Name(), "TOTAL");
    EXPECT_ENGINE_ERROR(E.SetName("1x"), EBadName, "Invalid identifier name: 1x");
    EXPECT_ENGINE_ERROR(E.SetName("Begin"), EBadName, "Invalid identifier name: Begin");
    EXPECT_EQ(E.Name(), "TOTAL");
    // Within a library, a name taken or an item others refer to cannot be given.
    TEvalObj& half = *Lib.Functions().Add("HALF", {"%0 / 2"});
    TEvalObj& quarter = *Lib.Functions().Add("QUARTER", {"HALF(HALF(%0))"});
    EXPECT_ENGINE_ERROR(quarter.SetName("half"), EMathParserError, "Duplicated identifier");
    EXPECT_ENGINE_ERROR(half.SetName("HALVE"), EMathParserError, "This item is referenced by another!");
}

TEST_F(EvalObjTest, ArgumentsGoToTheSlotsTheTextUses) {
    E.AssignSourceStr("%0 * 10 + %1");
    EXPECT_EQ(E.GetArgCount(), 2);
    ArgArray args{Variant(std::int32_t{3}), Variant(std::int32_t{4}), Variant(std::int32_t{99})};
    Variant r;
    E.F(args, 2, r);
    EXPECT_EQ(r.RawInteger(), 34);
    // Fewer arguments than slots leave the rest as they were.
    ArgArray one{Variant(std::int32_t{1})};
    E.F(one, 0, r);
    EXPECT_EQ(r.RawInteger(), 14);
    E.AssignSourceStr("");
    EXPECT_EQ(E.GetArgCount(), 0);
    EXPECT_EQ(E.F().VType(), varInteger);
    EXPECT_EQ(E.F().RawInteger(), 0);
    E.AssignSourceStr("%4096");
    EXPECT_THROW(E.F(), ESyntaxError);
}

TEST_F(EvalObjTest, ChangesUpstreamRecompileOrRecompute) {
    // A value change is seen at the next run; a code change compiles again.
    E.AssignSourceStr("SQR(A) + 1");
    EXPECT_DOUBLE_EQ(E.F().ToReal(), 5.0);
    Vars.SetValues("A", Variant(std::int32_t{3}));
    EXPECT_DOUBLE_EQ(E.F().ToReal(), 10.0);
    Funcs.FindFunction("SQR")->SetFuncName("SQUARE");
    EXPECT_FALSE(E.Valid());
    EXPECT_THROW(E.F(), ESyntaxError);
    Funcs.FindFunction("SQUARE")->SetFuncName("SQR");
    EXPECT_DOUBLE_EQ(E.F().ToReal(), 10.0);
    Vars.ClearVariable("A");
    EXPECT_FALSE(E.Valid());
    EXPECT_THROW(E.F(), ESyntaxError);

    // Switching a function group off and on again.
    E.AssignSourceStr("SIN(0) + COS(0)");
    EXPECT_DOUBLE_EQ(E.F().ToReal(), 1.0);
    Funcs.SetTrigonomFuncs(false);
    EXPECT_FALSE(E.Valid());
    EXPECT_THROW(E.F(), ESyntaxError);
    Funcs.SetTrigonomFuncs(true);
    EXPECT_DOUBLE_EQ(E.F().ToReal(), 1.0);
}

TEST_F(EvalObjTest, ExpressionVariablesRecomputeWhenWhatTheyReadChanges) {
    TVariable& b = ExprVar("B", "A * 10");
    EXPECT_EQ(b.Value().RawInteger(), 20);
    Vars.SetValues("A", Variant(std::int32_t{5}));
    EXPECT_EQ(b.Value().RawInteger(), 50);
    TVariable& c = ExprVar("C", "B + SQR(2)");
    EXPECT_DOUBLE_EQ(c.Value().ToReal(), 54.0);
    Vars.SetValues("A", Variant(std::int32_t{1}));
    EXPECT_DOUBLE_EQ(c.Value().ToReal(), 14.0);
    // A script reading the variable sees its current value.
    E.AssignSourceStr("C * 2");
    EXPECT_DOUBLE_EQ(E.F().ToReal(), 28.0);
    Vars.SetValues("A", Variant(std::int32_t{2}));
    EXPECT_DOUBLE_EQ(E.F().ToReal(), 48.0);
}

TEST_F(EvalObjTest, CircularReferencesAreRefused) {
    ExprVar("P", "1");
    TVariable& q = ExprVar("Q", "P + 1");
    EXPECT_EQ(q.Value().RawInteger(), 2);
    TVariable& p = *Vars.FindVariable("P");
    try {
        p.SetExpression("Q + 1");
        p.Value();
        FAIL() << "no error";
    } catch (const EMathParserError& e) {
        EXPECT_EQ(std::string(e.what()).rfind("Circular reference: ", 0), 0u) << e.what();
    }
    // A user function that calls itself.
    Lib.Functions().Add("LOOP", {"LOOP(%0) + 1"});
    E.AssignSourceStr("LOOP(1)");
    try {
        E.F();
        FAIL() << "no error";
    } catch (const EMathParserError& e) {
        EXPECT_EQ(std::string(e.what()).rfind("Circular reference: LOOP", 0), 0u) << e.what();
    }
}

// How the library serves its callers is the parser's (UserLibTest); here, what the object does.
TEST_F(EvalObjTest, UserFunctionsOfTheLibrary) {
    TEvalObj& twice = *Lib.Functions().Add("TWICE", {"%0 * 2"});
    EXPECT_ENGINE_ERROR(Run("TWICE(1, 2)"), EFuncParamsError, "Arguments mismatching TWICE(1, 2)");
    // A registered function hides a user function of the same name.
    Lib.Functions().Add("SQR", {"0"});
    EXPECT_DOUBLE_EQ(Run("SQR(3)").ToReal(), 9.0);
    // A caller runs the function's new text; renaming the function makes the caller compile
    // again, and it no longer finds the old name.
    EXPECT_EQ(Run("TWICE(5)").RawInteger(), 10);
    twice.SetSourceStr("%0 * 3");
    EXPECT_EQ(E.F().RawInteger(), 15);
    twice.SetName("THRICE");
    EXPECT_FALSE(E.Valid());
    EXPECT_THROW(E.F(), ESyntaxError);
}

TEST_F(EvalObjTest, UndefinedNamesAndFunctionsWithAPlaceholderList) {
    TEPVars undef;
    E.UndefVars = &undef.Vars();
    E.AssignSourceStr("q + Mystery(1, 2)");
    EXPECT_EQ(E.F().RawInteger(), 0); // the placeholder is 0, the unhandled call too
    ASSERT_NE(undef.FindVariable("Q"), nullptr);
    EXPECT_NE(E.UsedVars.FindVariable("Q"), nullptr);
    EXPECT_ENGINE_ERROR(E.Check(), EUnknownFunction, "Expression uses unknown function: Mystery");

    int calls = 0;
    E.OnUndefFunction = [&](TComponent*, const std::string& Name, ArgArray& Args, std::int32_t High) {
        ++calls;
        EXPECT_EQ(Name, "Mystery");
        EXPECT_EQ(High, 1);
        return VarAdd(Args[0], Args[1]);
    };
    EXPECT_NO_THROW(E.Check());
    EXPECT_EQ(calls, 1);
    undef.FindVariable("Q")->SetValue(Variant(std::int32_t{4}));
    EXPECT_EQ(E.F().RawInteger(), 7);
    // An assigned name stays a local of the script.
    E.AssignSourceStr("t := 1; RESULT := t + q");
    EXPECT_EQ(E.F().RawInteger(), 1);
    EXPECT_EQ(undef.FindVariable("T"), nullptr);
    // Recompiling clears the placeholders.
    E.AssignSourceStr("1");
    E.F();
    EXPECT_EQ(undef.Count(), 0);
    E.UndefVars = nullptr;
}

TEST_F(EvalObjTest, CheckWalksIntoUserFunctions) {
    TEvalObj& bad = *Lib.Functions().Add("BAD", {"%0"});
    E.AssignSourceStr("BAD(1)");
    EXPECT_NO_THROW(E.Check());
    bad.AssignSourceStr("%0 +");
    EXPECT_THROW(E.Check(), ESyntaxError);
}

// A host's check point that lets Allowed calls pass and stops the script at the next one.
struct TCountdown {
    int Calls = 0;
    int Allowed = 0;
};
void CountdownCheck(void* Data) {
    auto& c = *static_cast<TCountdown*>(Data);
    if (++c.Calls > c.Allowed) throw EEvalAborted("stopped");
}

TEST_F(EvalObjTest, EveryLoopFormAndUserCallReachesTheCheckPoint) {
    Lib.Functions().Add("SPIN", {"WHILE 1 DO x := %0"});
    Lib.Functions().Add("ONE", {"%0"});
    const char* endless[] = {
        "WHILE 1 DO x := x + 1",
        "WHILE 1 DO BEGIN END",
        "REPEAT x := x + 1; UNTIL 0",
        "FOR i := 1 TO 1E15 DO x := x + 1",
        "FOR i := 1E15 DOWNTO 1 DO BEGIN END",
        // An abort is no script error: EXCEPT parts let it pass, FINALLY parts run on.
        "WHILE 1 DO TRY x := x + 1; EXCEPT x := 0; END",
        "WHILE 1 DO TRY WHILE 1 DO x := 1; EXCEPT y := 1; END",
        "TRY WHILE 1 DO x := 1; FINALLY y := 1; END",
        "SPIN(1)",
        "WHILE 1 DO x := ONE(1)",
        "ExecScript(\"WHILE 1 DO x := 1\")",
    };
    for (const char* text : endless) {
        TCountdown count{0, 50};
        {
            const TEvalCheckPointScope scope(&CountdownCheck, &count);
            E.AssignSourceStr(text);
            EXPECT_THROW(E.F(), EEvalAborted) << text;
        }
        EXPECT_EQ(count.Calls, 51) << text;
        EvalCheckPoint(); // the scope took its check point away again
        EXPECT_EQ(count.Calls, 51) << text;
        if (HasFailure()) break;
    }
}

TEST_F(EvalObjTest, CheckPointScopesNestAndRestoreOnTheWayOut) {
    TCountdown outer{0, 1000}, inner{0, 0};
    const TEvalCheckPointScope a(&CountdownCheck, &outer);
    try {
        const TEvalCheckPointScope b(&CountdownCheck, &inner);
        EvalCheckPoint();
    } catch (const EEvalAborted&) {
    }
    EvalCheckPoint();
    EXPECT_EQ(inner.Calls, 1);
    EXPECT_EQ(outer.Calls, 1);
}

} // namespace

namespace {

// An expression hosted by a form that holds a data source over two records and a panel.
class HostedTest : public ::testing::Test {
protected:
    HostedTest() {
        form.SetName("Form1");
        panel->SetName("Panel1");
        data->AddFieldDef("speed");
        data->AppendRecord({Variant(10.0)});
        data->AppendRecord({Variant(20.0)});
        data->Open();
        source->SetName("dsLaps");
        source->SetDataSet(data);
    }
    TComponent form;
    TMemDataSet* data = new TMemDataSet(&form);
    TDataSource* source = new TDataSource(&form);
    TComponent* panel = new TComponent(&form);
    TEvalObj E{&form};
};

TEST_F(HostedTest, FieldReferencesReadTheCurrentRecord) {
    E.AssignSourceStr("[dsLaps].speed * 2");
    data->First();
    EXPECT_DOUBLE_EQ(E.F().ToReal(), 20.0);
    data->Next();
    EXPECT_DOUBLE_EQ(E.F().ToReal(), 40.0);
    E.AssignSourceStr("[Form1.dsLaps].speed");
    EXPECT_DOUBLE_EQ(E.F().ToReal(), 20.0);
}

TEST_F(HostedTest, ObjectReferencesNameTheHostAndItsComponents) {
    const struct {
        const char* Text;
        const TObject* Object;
    } rows[] = {{"[Self]", &form}, {"[Form1]", &form}, {"[Panel1]", panel}, {"[Form1.Panel1]", panel}};
    for (const auto& row : rows) {
        E.AssignSourceStr(row.Text);
        EXPECT_EQ(E.Context().Objects.ObjectOfValue(E.F()), row.Object) << row.Text;
    }
    E.AssignSourceStr("[Panel2]");
    EXPECT_ENGINE_ERROR(E.F(), EMathParserError, "Wrong component: Panel2");
}

TEST(SetVariableExt, SetsCreatesOrRefuses) {
    TEPVars vars;
    TVariable* v = nullptr;
    EXPECT_EQ(SetVariableExt(vars.Vars(), "speed", Variant(std::int32_t{3}), v), 2);
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->VarName(), "SPEED");
    EXPECT_EQ(SetVariableExt(vars.Vars(), "Speed", Variant(std::int32_t{4}), v), 1);
    EXPECT_EQ(vars.Values("SPEED").RawInteger(), 4);
    for (const char* bad : {"1x", "end", "a-b", ""}) {
        EXPECT_EQ(SetVariableExt(vars.Vars(), bad, Variant(std::int32_t{1}), v), 0) << bad;
        EXPECT_EQ(v, nullptr) << bad;
    }
    EXPECT_EQ(vars.Count(), 1);
}

} // namespace
