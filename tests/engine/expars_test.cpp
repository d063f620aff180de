// The parser component: checking and its report, names no variable has, creating variables,
// arguments, and the references it keeps to registries, libraries and collections.
#include "exfuncs_test_support.h"

#include "engine/Exbuildin.h"
#include "engine/Expars.h"

#include <memory>

using namespace skv::engine;

namespace {

Variant Int(std::int32_t V) {
    return Variant(V);
}

class TRecordingHost : public TMessageHost {
public:
    void ShowMessage(const std::string& Text) override { Shown.push_back(Text); }
    std::int32_t MessageBox(const std::string&, const std::string&, std::int32_t) override { return 1; }
    std::int32_t MessageDlg(const std::string&, std::int32_t, std::int32_t, std::int32_t) override {
        return 1;
    }
    void ShowError(const std::string& Text) override { Errors.push_back(Text); }
    std::vector<std::string> Shown;
    std::vector<std::string> Errors;
};

class ParserTest : public ::testing::Test {
protected:
    ParserTest() {
        InstallEvaluator();
        P.SetRegFuncs(&Funcs);
        P.OnValidating = [this](TComponent* Sender) {
            EXPECT_EQ(Sender, &P);
            ++Compiles;
        };
    }
    Variant Run(const std::string& Text) {
        P.SetExpr(Text);
        return P.F();
    }

    TEPRegFuncs Funcs;
    TExParser P;
    int Compiles = 0;
};

TEST_F(ParserTest, CheckAnswersAndReportsUnlessSilent) {
    TRecordingHost host;
    TMessageHost* old = SetMessageHost(&host);
    P.SetExpr("1+");
    EXPECT_FALSE(P.Check(true));
    EXPECT_TRUE(P.GetParserError());
    EXPECT_TRUE(host.Errors.empty());
    EXPECT_FALSE(P.Check(false));
    ASSERT_EQ(host.Errors.size(), 1u);
    EXPECT_EQ(host.Errors[0].rfind(_msgParseError, 0), 0u) << host.Errors[0];
    EXPECT_EQ(P.ArgCount(), -1);
    EXPECT_THROW(P.F(), ESyntaxError); // raised again at every evaluation
    EXPECT_THROW(P.DoCheck(), ESyntaxError);

    P.SetExpr("1 + 2");
    EXPECT_TRUE(P.Check(false));
    EXPECT_FALSE(P.GetParserError());
    EXPECT_EQ(host.Errors.size(), 1u);
    SetMessageHost(old);

    // Without a host the report goes to standard error.
    P.SetExpr("Mystery(1)");
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(P.Check(false));
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "Expression uses unknown function: Mystery\n");
}

TEST_F(ParserTest, UnknownNamesAreRefusedOrAskedBeforeEachEvaluation) {
    TEPVars vars;
    vars.SetValues("A", Int(1));
    P.SetUserVars(&vars);
    P.SetExpr("A + Q");
    EXPECT_FALSE(P.Check(true));
    EXPECT_ENGINE_ERROR(P.DoCheck(), EUnknownVariable, "Expression uses unknown variable: Q");
    EXPECT_EQ(P.F().RawInteger(), 1); // without a handler the placeholder reads 0
    ASSERT_EQ(P.UndefVars().Count(), 1);
    EXPECT_EQ(P.UsedVars().Count(), 2);

    std::vector<std::string> asked;
    P.OnVariable = [&](TComponent* Sender, const std::string& Name) {
        EXPECT_EQ(Sender, &P);
        asked.push_back(Name);
        return Int(static_cast<std::int32_t>(asked.size() * 10));
    };
    EXPECT_TRUE(P.Check(true));
    EXPECT_EQ(asked.size(), 1u);
    EXPECT_EQ(P.F().RawInteger(), 21);
    EXPECT_EQ(P.F().RawInteger(), 31);
    EXPECT_EQ(asked, (std::vector<std::string>{"Q", "Q", "Q"}));
    EXPECT_FALSE(vars.FindVariable("Q")); // a placeholder is not a variable of the collection

    // A handler may refuse a name by raising.
    P.OnVariable = [](TComponent*, const std::string& Name) -> Variant { throw EBadName("no " + Name); };
    EXPECT_FALSE(P.Check(true));
    P.ClearUndefVariables();
    EXPECT_EQ(P.UndefVars().Count(), 0);
    P.OnVariable = nullptr;
    EXPECT_EQ(P.F().RawInteger(), 1);
}

TEST_F(ParserTest, ANewVariableMakesTheExpressionCompileAgain) {
    EXPECT_EQ(Run("NEWVAR * 2").RawInteger(), 0);
    EXPECT_EQ(Compiles, 1);
    EXPECT_EQ(P.SetVariable("NEWVAR", Int(1)), 2);
    EXPECT_EQ(P.F().RawInteger(), 2);
    EXPECT_EQ(Compiles, 2);
    EXPECT_EQ(P.SetVar("newvar", Int(3)), 1);
    EXPECT_EQ(P.F().RawInteger(), 6);
    EXPECT_EQ(Compiles, 2);
    EXPECT_TRUE(P.VariableExists("NewVar"));
    EXPECT_EQ(P.GetVariable("NEWVAR").RawInteger(), 3);
    EXPECT_ENGINE_ERROR(P.SetVariable("1x", Int(1)), EBadName, "Invalid identifier name: 1x !");
    EXPECT_ENGINE_ERROR(P.SetVariable("End", Int(1)), EBadName, "Invalid identifier name: End !");

    P.ClearVariable("NEWVAR");
    EXPECT_FALSE(P.VariableExists("NEWVAR"));
    EXPECT_EQ(P.F().RawInteger(), 0);
    P.SetVariable("A", Int(1));
    P.SetVariable("B", Int(2));
    P.ClearVariables();
    EXPECT_EQ(P.GetVariables().Count(), 0);
}

TEST_F(ParserTest, SetVariablesChecksEveryNameBeforeChangingAnything) {
    P.SetVariable("OLD", Int(1));
    TEPVars given; // a collection admits reserved words as names; a parser does not
    given.SetValues("X", Int(5));
    given.CreateVariable(nullptr, "BEGIN", "");
    EXPECT_ENGINE_ERROR(P.SetVariables(given.Vars()), EBadName, "Invalid identifier name: BEGIN");
    EXPECT_TRUE(P.VariableExists("OLD"));
    EXPECT_FALSE(P.VariableExists("X"));

    given.ClearVariable("BEGIN");
    EXPECT_EQ(Run("X + 1").RawInteger(), 1);
    P.SetVariables(given.Vars());
    EXPECT_FALSE(P.VariableExists("OLD"));
    EXPECT_EQ(P.F().RawInteger(), 6); // X was a placeholder until it was created
}

TEST_F(ParserTest, ArgumentsReachTheSlots) {
    P.SetExpr("%0 * 10 + %1");
    EXPECT_EQ(P.ArgCount(), 2);
    ArgArray args{Int(3), Int(4), Int(99)};
    EXPECT_EQ(P.F(args, 2).RawInteger(), 34);
    ArgArray one{Int(7)};
    P.SetExpression({"%0 +", "1"});
    EXPECT_EQ(P.Expr(), "%0 +\r\n1");
    EXPECT_EQ(P.F(one, 0).RawInteger(), 8);
    EXPECT_ENGINE_ERROR(P.CallFunction("Foo", args, 0), EFuncNotFound,
                        "Specified function does not exist: Foo");
}

TEST_F(ParserTest, ChangedReferencesRecompileAndDestroyedOnesAreCleared) {
    auto vars = std::make_unique<TEPVars>();
    vars->SetValues("Q", Int(3));
    EXPECT_EQ(Run("Q + SQR(2)").ToReal(), 4.0); // Q is a placeholder here
    P.SetUserVars(vars.get());
    EXPECT_EQ(P.F().ToReal(), 7.0);

    auto funcs = std::make_unique<TEPRegFuncs>();
    P.SetRegFuncs(funcs.get());
    EXPECT_EQ(P.F().ToReal(), 7.0);
    funcs.reset();
    EXPECT_EQ(P.RegFuncs(), nullptr);
    EXPECT_EQ(P.F().ToReal(), 3.0); // SQR is now a call nobody handles
    vars.reset();
    EXPECT_EQ(P.UserVars(), nullptr);
    EXPECT_EQ(P.F().ToReal(), 0.0);

    // A parser that goes first leaves nothing behind in the components it used.
    auto other = std::make_unique<TExParser>();
    TEPVars kept;
    kept.SetValues("A", Int(1));
    other->SetUserVars(&kept);
    other->SetRegFuncs(&Funcs);
    other->SetExpr("A + B");
    EXPECT_EQ(other->F().RawInteger(), 1);
    other.reset();
    kept.SetValues("A", Int(2));
    EXPECT_EQ(kept.Values("A").RawInteger(), 2);
}

class TFakeEditor : public TEditorHost {
public:
    bool EditVariables(TVarsList& Vars, bool Extended) override {
        WasExtended = Extended;
        Vars.SetVar("ADDED", Int(4));
        return Accept;
    }
    bool EditUserLib(TEPUserLib&) override { return Accept; }
    bool Accept = true;
    bool WasExtended = false;
};

TEST_F(ParserTest, EditVariablesAppliesTheEditedCopyOnlyWhenAccepted) {
    P.SetVariable("A", Int(1));
    EXPECT_FALSE(P.EditVariables()); // no editor installed
    TFakeEditor editor;
    TEditorHost* old = SetEditorHost(&editor);
    editor.Accept = false;
    EXPECT_FALSE(P.EditVariables());
    EXPECT_FALSE(P.VariableExists("ADDED"));
    editor.Accept = true;
    EXPECT_TRUE(P.EditVariables());
    EXPECT_FALSE(editor.WasExtended);
    EXPECT_EQ(Run("A + ADDED").RawInteger(), 5);
    SetEditorHost(old);
}

} // namespace
