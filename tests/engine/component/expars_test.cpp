// The parser component: checking and its report, names no variable has, creating variables,
// arguments, and the references it keeps to registries, libraries and collections.
#include "engine/exfuncs_test_support.h"
#include "model/Tempfolder.h"

#include "engine/Inifile.h"
#include "engine/bldfuncs/Bldfuncs.h"
#include "engine/component/Expars.h"

#include <filesystem>
#include <fstream>
#include <memory>
#include <tuple>
#include <utility>

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
    TMessageHost* old = Funcs.Context().SetMessageHost(&host);
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

    // An empty text after a failure is no failure.
    P.SetExpr("");
    EXPECT_TRUE(P.Check(true));
    EXPECT_FALSE(P.GetParserError());
    EXPECT_EQ(P.ArgCount(), 0);

    P.SetExpr("1 + 2");
    EXPECT_TRUE(P.Check(false));
    EXPECT_FALSE(P.GetParserError());
    EXPECT_EQ(host.Errors.size(), 1u);
    Funcs.Context().SetMessageHost(old);

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

TEST_F(ParserTest, AHandlerThatMakesAVariableStopsAskingForPlaceholders) {
    TEPVars vars;
    P.SetUserVars(&vars);
    P.SetExpr("P1 + P2");
    std::vector<std::string> asked;
    P.OnVariable = [&](TComponent*, const std::string& Name) {
        asked.push_back(Name);
        P.SetVariable(Name, Int(5)); // compiles the expression again: the placeholders go
        return Int(1);
    };
    EXPECT_EQ(P.F().RawInteger(), 5); // P2 is still a placeholder, read as 0
    EXPECT_EQ(P.F().RawInteger(), 10);
    EXPECT_EQ(asked, (std::vector<std::string>{"P1", "P2"}));
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
    TEditorHost* old = std::exchange(Funcs.Context().EditorHost, &editor);
    editor.Accept = false;
    EXPECT_FALSE(P.EditVariables());
    EXPECT_FALSE(P.VariableExists("ADDED"));
    editor.Accept = true;
    EXPECT_TRUE(P.EditVariables());
    EXPECT_FALSE(editor.WasExtended);
    EXPECT_EQ(Run("A + ADDED").RawInteger(), 5);
    Funcs.Context().EditorHost = old;
}

using Lines = std::vector<std::string>;
using Items = std::vector<std::tuple<std::string, std::string, Lines>>;

// A form-file list; an entry "#n" is the integer n, "@name" an identifier, anything else a string.
std::vector<std::uint8_t> ListOf(const std::vector<std::string>& Values) {
    std::vector<std::uint8_t> bytes;
    skv::stream::TStreamWriter w(bytes);
    w.writeListBegin();
    for (const std::string& v : Values) {
        if (v.size() > 1 && v[0] == '#')
            w.writeIntegerValue(std::stoi(v.substr(1)));
        else if (v.size() > 1 && v[0] == '@')
            w.writeIdentValue(v.substr(1));
        else
            w.writeStringValue(v);
    }
    w.writeListEnd();
    return bytes;
}

class UserLibTest : public ::testing::Test {
protected:
    UserLibTest() {
        Vars.SetValues("A", Int(2));
        Lib.SetRegFuncs(&Funcs);
        Lib.SetVariables(&Vars);
        P.SetRegFuncs(&Funcs);
        P.SetUserVars(&Vars);
        P.SetUserLib(&Lib);
    }
    // name, description and lines of every item of a list
    static Items Contents(const TEPExprList& List) {
        Items items;
        for (int i = 0; i < List.Count(); ++i)
            items.emplace_back(List.GetName(i), List.Items(i)->Descr, List.GetSource(i));
        return items;
    }
    void Fill() {
        Lib.Aliases().Add("base", {"A + 1"})->Descr = "one more than A";
        Lib.Functions().Add("Hypot", {"SQRT(%0 * %0 +", "  %1 * %1)"})->Descr = "length of (x, y)";
        Lib.Functions().Add("Twice", {"%0 * 2"});
        Lib.Functions().Add("Empty", {});
        Lib.Functions().Add("Blank", {""});
        Lib.Functions().Add("Greeting", {"\"hello\"", "'1/2/2000' ", "\"\""})->Descr = " padded";
    }

    TEPRegFuncs Funcs;
    TEPVars Vars;
    TEPUserLib Lib;
    TExParser P;
};

TEST_F(UserLibTest, FunctionsAndAliasesServeTheParser) {
    Fill();
    P.SetExpr("Hypot(3, 4) + Twice(BASE)");
    EXPECT_DOUBLE_EQ(P.F().ToReal(), 11.0);
    EXPECT_EQ(P.Eval().GetExpr(), "Hypot(3, 4) + Twice(A + 1)");
    ArgArray args{Int(6), Int(8)};
    EXPECT_DOUBLE_EQ(P.CallFunction("hypot", args, 1).ToReal(), 10.0);
    EXPECT_DOUBLE_EQ(Lib.CallFunction("HYPOT", args, 1).ToReal(), 10.0);
    EXPECT_ENGINE_ERROR(Lib.CallFunction("base", args, 1), EFuncNotFound,
                        "Specified function does not exist: base");
    EXPECT_EQ(Lib.Functions().GetArgCount(0), 2);

    // A new text reaches the callers, also one with another number of arguments.
    Lib.Functions().AddExpr("twice", "%0 * %1");
    EXPECT_EQ(Lib.Functions().Count(), 5);
    P.SetExpr("Twice(2, 5)");
    EXPECT_EQ(P.F().RawInteger(), 10);
    Lib.Functions().SetSource(1, {"%0 * 3"});
    EXPECT_THROW(P.F(), EFuncParamsError);
    Vars.SetValues("A", Int(5));
    P.SetExpr("Twice(BASE)");
    EXPECT_EQ(P.F().RawInteger(), 18);

    int kind = 9;
    EXPECT_EQ(Lib.IndexOfIdent("Base", kind), 0);
    EXPECT_EQ(kind, 0);
    EXPECT_EQ(Lib.IndexOfIdent("EMPTY", kind), 2);
    EXPECT_EQ(kind, 1);
    EXPECT_EQ(Lib.IndexOfIdent("nothing", kind), -1);
    EXPECT_EQ(kind, -1);
}

TEST_F(UserLibTest, NamesReferencesAndRemoval) {
    TEPExprList& f = Lib.Functions();
    TEvalObj* a = f.Add("A", {"B*2"});
    TEvalObj* b = f.Add("B", {"3"});
    f.Add("C", {"\"B\" + BB + B2"}); // a string, other names: no reference to B
    EXPECT_ENGINE_ERROR(f.Add("b", {}), EMathParserError, "Duplicated identifier");
    EXPECT_ENGINE_ERROR(f.Add("1x", {}), EBadName, "Invalid identifier name: 1x");
    EXPECT_EQ(f.Count(), 3);
    Lib.Aliases().Add("B", {"7"}); // an alias may share a function's name

    EXPECT_TRUE(Lib.IsReferenced(*b));
    EXPECT_FALSE(Lib.IsReferenced(*a));
    EXPECT_ENGINE_ERROR(f.RemoveFunc(b), EMathParserError, "This item is referenced by another!");
    EXPECT_ENGINE_ERROR(f.SetName(1, "D"), EMathParserError, "This item is referenced by another!");
    f.RemoveFunc(a);
    EXPECT_EQ(f.IndexOf("A"), -1);
    f.RemoveFunc(b);
    EXPECT_EQ(f.Count(), 1);

    // Out of range reads as nothing and writes nothing.
    EXPECT_EQ(f.GetArgCount(5), 0);
    EXPECT_EQ(f.GetName(-1), "");
    EXPECT_TRUE(f.GetSource(1).empty());
    f.SetName(1, "Z");
    f.SetSource(-1, {"1"});
    EXPECT_EQ(f.Count(), 1);
    f.SetSource(0, {"1 +"});
    EXPECT_EQ(f.GetArgCount(0), -1);
}

TEST_F(UserLibTest, UpdatesAreCountedAndHoldCompilingBack) {
    Lib.Functions().Add("ONE", {"%0 + 1"});
    P.SetExpr("ONE(0)");
    EXPECT_EQ(P.F().RawInteger(), 1);
    Lib.BeginUpdate();
    Lib.BeginUpdate();
    EXPECT_FALSE(Lib.UpdateEnabled());
    Lib.EndUpdate();
    Lib.EndUpdate();
    Lib.EndUpdate();
    EXPECT_EQ(Lib.UpdateCount(), 0);
    EXPECT_TRUE(Lib.UpdateEnabled());
    EXPECT_FALSE(Lib.Functions().Items(0)->Valid()); // the end invalidated the items
    EXPECT_EQ(P.F().RawInteger(), 1);
    // An end without its beginning still makes the items compile again.
    EXPECT_TRUE(Lib.Functions().Items(0)->Valid());
    Lib.EndUpdate();
    EXPECT_FALSE(Lib.Functions().Items(0)->Valid());
}

TEST_F(UserLibTest, ReadingAFileCompilesNoItemBeforeAllAreRead) {
    const skv::test::TempFolder folder;
    const std::string file = (folder.path() / "userlib.ini").string();
    {
        TIniFile ini(file);
        // FIRST calls a function and an alias that come after it.
        ini.LoadFromString(
            "[Aliases]\nTEN=2\n@TEN_001=LATER(1)\n[Functions]\nFIRST=2\n@FIRST_001=LATER(%0) + "
            "TEN\nLATER=2\n@LATER_001=%0 * 10\n");
        ini.UpdateFile();
    }
    TEPUserLib loaded;
    loaded.SetRegFuncs(&Funcs);
    loaded.ReadUserLibFrom(file);
    EXPECT_EQ(loaded.Functions().Count(), 2);
    P.SetUserLib(&loaded);
    P.SetExpr("FIRST(2)");
    EXPECT_EQ(P.F().RawInteger(), 30);

    // A file that cannot be read leaves the library as it was.
    const std::string big = (folder.path() / "big.ini").string();
    std::ofstream(big) << "[Functions]\n";
    std::filesystem::resize_file(big, (std::uintmax_t{64} << 20) + 1);
    EXPECT_THROW(loaded.ReadUserLibFrom(big), EIniFileError);
    EXPECT_EQ(loaded.Functions().Count(), 2);
    EXPECT_EQ(P.F().RawInteger(), 30);
}

TEST_F(UserLibTest, AliasesThatMultiplyTheTextAreRefused) {
    // Each alias names the next one twice: the whole expansion would hold a million ones.
    Lib.BeginUpdate();
    for (int i = 0; i < 20; ++i)
        Lib.Aliases().Add("D" + std::to_string(i),
                          {"D" + std::to_string(i + 1) + " + D" + std::to_string(i + 1)});
    Lib.Aliases().Add("D20", {"1"});
    Lib.EndUpdate();
    P.SetExpr("D0");
    EXPECT_THROW(P.F(), EMathParserError);
    P.SetExpr("D17");
    EXPECT_EQ(P.F().RawInteger(), 8);
}

TEST_F(UserLibTest, IniRoundTripKeepsNamesDescriptionsAndLines) {
    Fill();
    const skv::test::TempFolder folder;
    const std::string file = (folder.path() / "userlib.ini").string();
    {
        TIniFile other(file);
        other.WriteString("Other", "keep", "me");
        other.WriteString("Functions", "OLD", "1");
        other.UpdateFile();
    }
    Lib.WriteUserLibTo(file);
    Lib.WriteUserLibTo(""); // nothing to do
    TIniFile check(file);
    EXPECT_EQ(check.ReadString("Other", "keep", ""), "me");
    EXPECT_FALSE(check.ValueExists("Functions", "OLD"));
    EXPECT_EQ(check.ReadString("Functions", "HYPOT", ""), "3");
    // Blanks at either end and a text in double quotes are kept by quoting; others stay as they are.
    EXPECT_EQ(check.ReadString("Functions", "@HYPOT_001", ""), "SQRT(%0 * %0 +");
    EXPECT_EQ(check.ReadString("Functions", "@HYPOT_002", ""), "\"  %1 * %1)\"");
    EXPECT_EQ(check.ReadString("Functions", "@GREETING_001", ""), "\"\"hello\"\"");

    TEPUserLib loaded;
    loaded.Functions().Add("GONE", {"0"});
    loaded.ReadUserLibFrom(file + ".missing");
    EXPECT_EQ(loaded.Functions().Count(), 1);
    loaded.SetIniFile(file);
    EXPECT_EQ(Contents(loaded.Aliases()), Contents(Lib.Aliases()));
    EXPECT_EQ(Contents(loaded.Functions()), Contents(Lib.Functions()));
    EXPECT_EQ(loaded.UpdateCount(), 0);
}

TEST_F(UserLibTest, IniReadingFollowsTheKeysInFileOrder) {
    struct Case {
        const char* Text;
        Items Expected;
    };
    const Case cases[] = {
        // No description and no first line: the count text stays as the only line.
        {"[Functions]\nSEVEN=7\n", {{"SEVEN", "", {"7"}}}},
        // Lines close at the counted number; later ones start again at line 1.
        {"[Functions]\nF=3\n@F_Descr=d\n@F_001=a\n@F_002=b\n@F_1=c\n", {{"F", "d", {"c"}}}},
        // A line past the count closes on its own.
        {"[Functions]\nF=2\n@F_001=a\n@F_002=b\n", {{"F", "", {"b"}}}},
        // Keys of another name are skipped; a name that cannot be an item takes nothing from the
        // item before it.
        {"[Functions]\nA=2\n@A_DESCR=x\n@A_001=1 + "
         "1\n@B_001=9\nBEGIN=5\n@BEGIN_001=8\n1X=4\nC=1\n@C_descr=\n",
         {{"A", "x", {"1 + 1"}}, {"C", "", {}}}},
        // Without a readable count the lines close only at the next item or the end.
        {"[Functions]\nG=zz\n@G_Descr=\n@G_001=p\n@G_002=q\nH=-1\n@H_Descr=\n@H_001=r\n@H_002=s\n",
         {{"G", "", {"p", "q"}}, {"H", "", {"r", "s"}}}},
        // One pair of surrounding double quotes goes; single quotes and inner quotes stay.
        {"[Functions]\nQ=5\n@Q_Descr=\"d\"\n@Q_001=\"a\"\n@Q_002='b'\n@Q_003=\"c\" + x\n@Q_004=\"\n",
         {{"Q", "d", {"a", "'b'", "\"c\" + x", "\""}}}},
    };
    for (const Case& c : cases) {
        TIniFile ini;
        ini.LoadFromString(c.Text);
        TEPUserLib lib;
        lib.Functions().ReadItemsFrom(ini, "Functions");
        EXPECT_EQ(Contents(lib.Functions()), c.Expected) << c.Text;
    }
}

std::vector<std::uint8_t> WrittenProperties(const TEPUserLib& Lib) {
    std::vector<std::uint8_t> bytes;
    skv::stream::TStreamWriter w(bytes);
    w.beginRecord("TEPUserLib", "Lib");
    Lib.WriteProperties(w);
    w.endRecord();
    return bytes;
}

// Reads every property of the record; answers the names it did not know.
std::vector<std::string> ReadProperties(TEPUserLib& Lib, const std::vector<std::uint8_t>& Bytes) {
    skv::stream::TStreamReader r(Bytes);
    r.readRecordHeader();
    std::vector<std::string> unknown;
    std::string_view path;
    std::size_t offset = 0;
    while (r.nextProperty(path, offset))
        if (!Lib.ReadProperty(path, r)) unknown.emplace_back(path);
    return unknown;
}

TEST_F(UserLibTest, FormFileRoundTrip) {
    Fill();
    Lib.Functions().Items(0)->Descr = std::string(100, 'd');
    TEPUserLib loaded;
    EXPECT_TRUE(ReadProperties(loaded, WrittenProperties(Lib)).empty());
    EXPECT_EQ(Contents(loaded.Aliases()), Contents(Lib.Aliases()));
    auto expected = Contents(Lib.Functions());
    std::get<1>(expected[0]).resize(80); // descriptions are kept to 80 characters
    EXPECT_EQ(Contents(loaded.Functions()), expected);
}

TEST_F(UserLibTest, FormFileItemsInOtherShapes) {
    // A name with its lines at once, then one given by properties in any order before Source.
    const auto bytes =
        ListOf({"Short", "#1", "%0 * 2", "@descr", "second", "@Name", "Long", "@Source", "#0"});
    skv::stream::TStreamReader r(bytes);
    Lib.Functions().ReadData(r);
    EXPECT_TRUE(r.atEnd());
    EXPECT_EQ(Contents(Lib.Functions()), (Items{{"SHORT", "", {"%0 * 2"}}, {"LONG", "second", {}}}));
}

TEST_F(UserLibTest, MalformedFormFileListsChangeNothing) {
    Fill();
    const auto before = Contents(Lib.Functions());
    std::vector<std::vector<std::uint8_t>> inputs = {
        ListOf({"X", "#3", "1"}),           ListOf({"X", "#-1"}),
        ListOf({"@Colour", "red"}),         ListOf({"#4"}),
        ListOf({"Dup", "#0", "Dup", "#0"}), ListOf({"Begin", "#0"}),
        ListOf({"X", "#1", "#5"}),
    };
    inputs[0].pop_back(); // cut short
    for (const auto& bytes : inputs) {
        skv::stream::TStreamReader r(bytes);
        EXPECT_THROW(Lib.Functions().ReadData(r), skv::stream::StreamError);
        EXPECT_EQ(Contents(Lib.Functions()), before);
    }
}

void StopAtOnce(void*) {
    throw EEvalAborted("stopped");
}

TEST_F(UserLibTest, TheHostsCheckPointReachesCodeCompiledAgainstAnyRegistry) {
    // A library or a collection wired to another registry, or to none, still runs on the host's
    // behalf: a loop there must stop when the host stops its call.
    TEPRegFuncs other;
    TEPVars otherVars;
    TComponent form;
    TVariable* slow = otherVars.CreateVariable(&form, "SLOW", "");
    slow->SetExpression("FOR i := 1 TO 100 DO x := i");
    slow->SetValueType(vvExpression);
    Lib.Functions().Add("SPIN", {"FOR i := 1 TO %0 DO x := i"});
    for (TEPRegFuncs* funcs : {&Funcs, static_cast<TEPRegFuncs*>(nullptr), &other}) {
        Lib.SetRegFuncs(funcs);
        otherVars.SetRegFuncs(funcs);
        P.SetUserVars(&Vars);
        P.SetExpr("SPIN(100)");
        EXPECT_EQ(P.F().RawInteger(), 0); // the loop runs to its end without a check point
        const TEvalCheckPointScope stop(&StopAtOnce, nullptr);
        EXPECT_THROW(P.F(), EEvalAborted);
        P.SetUserVars(&otherVars);
        P.SetExpr("SLOW + 1");
        EXPECT_THROW(P.F(), EEvalAborted);
    }
}

TEST_F(UserLibTest, DestroyedComponentsAreLetGo) {
    auto lib = std::make_unique<TEPUserLib>();
    auto funcs = std::make_unique<TEPRegFuncs>();
    auto vars = std::make_unique<TEPVars>();
    vars->SetValues("K", Int(3));
    lib->SetRegFuncs(funcs.get());
    lib->SetVariables(vars.get());
    lib->Functions().Add("F", {"SQR(K) + %0"});
    P.SetUserLib(lib.get());
    P.SetExpr("F(1)");
    EXPECT_DOUBLE_EQ(P.F().ToReal(), 10.0);

    funcs.reset();
    EXPECT_EQ(lib->RegFuncs(), nullptr);
    EXPECT_THROW(P.F(), EMathParserError); // SQR no longer exists for the function
    lib->SetRegFuncs(&Funcs);
    EXPECT_DOUBLE_EQ(P.F().ToReal(), 10.0);
    vars.reset();
    EXPECT_EQ(lib->Variables(), nullptr);
    EXPECT_THROW(P.F(), EMathParserError);
    lib.reset();
    EXPECT_EQ(P.UserLib(), nullptr);
    EXPECT_EQ(P.F().RawInteger(), 0); // an undefined call now
}

} // namespace
