// Scripts compiled and run through an expression object: statement semantics, the statement
// parser's messages, name resolution, calls of registered, user and undefined functions, and
// object members.
#include "engine/exfuncs_test_support.h"

#include "engine/eval/Exeval.h"
#include "engine/funcs/Exfuncs_classes.h"

using namespace skv::engine;
using namespace skv::engine::testing;

namespace {

void Max2Proc(PParserOperation Op) {
    *Op->Result = VarCmp(*Op->Arg1, *Op->Arg2) == TVarCompareResult::LessThan ? *Op->Arg2 : *Op->Arg1;
}

class TGauge : public TObject {
public:
    std::string ClassName() const override { return "TGauge"; }
    double Scaled(double X) const { return X * 2.0; }
    std::int32_t Level() const { return Level_; }
    void SetLevel(std::int32_t V) { Level_ = V; }
    std::int32_t Slot(std::int32_t I) const { return Slots_[I & 3]; }
    void SetSlot(std::int32_t I, std::int32_t V) { Slots_[I & 3] = V; }
    std::int32_t Level_ = 1;
    std::int32_t Slots_[4] = {};
};

// A global variable collection, a registry with SIN, COS, SQR, UpperCase and MAX2, and a
// class TGauge with a method and a read-write property.
class ScriptTest : public ::testing::Test {
protected:
    ScriptTest() {
        Funcs.AddFunction("MAX2", &Max2Proc, 2, "The larger of two", fct_Arithm);
        Funcs.SetRegClasses(&Classes);
        Classes.RegisterClass("TGauge", "TObject",
                              [](const TEPClass&) { return std::make_unique<TGauge>(); });
        Classes.AddClassMethod("TGauge", "Scaled", MakeClassMethodStub(&TGauge::Scaled), {typeDouble},
                               typeDouble);
        Classes.AddClassProperty("TGauge", "Level", MakeClassMethodStub(&TGauge::Level),
                                 MakeClassMethodStub(&TGauge::SetLevel), {}, typeInteger);
        Classes.AddClassProperty("TGauge", "Slot", MakeClassMethodStub(&TGauge::Slot),
                                 MakeClassMethodStub(&TGauge::SetSlot), {typeInteger}, typeInteger);
        Vars.SetRegFuncs(&Funcs);
        Vars.SetValues("G", Variant(std::int32_t{10}));
        Vars.SetValues("ARR", Variant::ArrayOf({Variant(std::int32_t{1}), Variant(std::int32_t{2})}));
        E.OnProvideVarsList = [this] { return &Vars.Vars(); };
        E.OnProvideRegFuncs = [this] { return &Funcs; };
    }
    Variant Run(const std::string& Text) {
        E.AssignSourceStr(Text);
        return E.F();
    }

    TStandInLibrary Library;
    TEPRegClasses Classes;
    TEPRegFuncs Funcs{nullptr, &Library};
    TEPVars Vars;
    TEvalObj E;
};

struct TValueCase {
    const char* Script;
    Variant Expected;
};

Variant I(std::int32_t V) {
    return Variant(V);
}

TEST_F(ScriptTest, StatementsComputeTheirResult) {
    const TValueCase cases[] = {
        {"", I(0)},
        {"2 + 3 * 4", I(14)},
        {"RESULT := 2; RESULT := RESULT * 5;", I(10)},
        {"x := 1; y := x + 1; RESULT := y", I(2)},
        // Every statement of a long block runs, once and in order.
        {"r := 1; r := r * 10 + 2; r := r * 10 + 3; r := r * 10 + 4; r := r * 10 + 5; r := r * 10 + 6; "
         "r := r * 10 + 7; r := r * 10 + 8; RESULT := r * 10 + 9",
         I(123456789)},
        {"FOR i := 1 TO 2 DO BEGIN a := a + 1; b := b + 2; c := c + 3; d := d + 4; e := e + 5; END; "
         "RESULT := a * 10000 + b * 1000 + c * 100 + d * 10 + e",
         I(24690)},
        {"q := q + 1; RESULT := q", I(1)}, // a new local starts at 0
        {"FOR i := 1 TO 3 DO s := s + i; RESULT := s", Variant(6.0)},
        {"FOR i := 1 TO 3 DO s := s + i; RESULT := i", Variant(4.0)},
        {"FOR i := 3 TO 1 DO s := 1; RESULT := s", I(0)},
        {"FOR i := 3 TO 1 DO s := 1; RESULT := i", Variant(3.0)},
        {"FOR i := 3 DOWNTO 1 DO s := s * 10 + i; RESULT := s", Variant(321.0)},
        {"FOR i := 3 DOWNTO 1 DO s := 1; RESULT := i", Variant(0.0)},
        {"FOR i := 0.5 TO 2.5 DO n := n + 1; RESULT := n", I(3)}, // 0 to 2: halves to even
        {"FOR i := 1 TO 10 DO BEGIN IF i = 4 THEN BREAK; END; RESULT := i", Variant(4.0)},
        {"WHILE 1 DO BEGIN x := x + 1; IF x > 5 THEN BREAK; END; RESULT := x", I(6)},
        {"x := 0; WHILE x < 3 DO x := x + 1; RESULT := x", I(3)},
        {"REPEAT x := x + 1; UNTIL x > 3; RESULT := x", I(4)},
        {"REPEAT x := x + 1; IF x = 2 THEN BREAK; UNTIL x > 3; RESULT := x", I(2)},
        {"TRY x := 1 / 0; EXCEPT x := -1; END; RESULT := x", I(-1)},
        {"TRY x := 1; FINALLY x := x + 10; END; RESULT := x", I(11)},
        {"WHILE 1 DO BEGIN TRY BREAK; EXCEPT x := 5; END; END; RESULT := x", I(0)},
        {"WHILE 1 DO TRY x := x + 1; BREAK; FINALLY y := 7; END; RESULT := x * 10 + y", I(17)},
        {"IF 1 > 2 THEN r := 1 ELSE r := 2; RESULT := r", I(2)},
        {"IF 1 THEN IF 0 THEN r := 1 ELSE r := 2; RESULT := r", I(2)}, // ELSE of the inner IF
        {"IF 0 THEN IF 1 THEN r := 1 ELSE r := 2; RESULT := r", I(0)},
        {"IF 0 THEN r := 1 ELSE IF 1 THEN r := 2 ELSE r := 3; RESULT := r", I(2)},
        {"IF 0 THEN BEGIN r := 1; END ELSE BEGIN r := 2; END; RESULT := r", I(2)},
        {"IF 1 THEN; RESULT := 3", I(3)},
        {"BEGIN r := 1; END; RESULT := r + 1", I(2)},
        {"BEGIN RESULT := 5; END.", I(5)},
        {"begin result := 5; end", I(5)},
        {"RESULT := \"a;b\" + \"END\"", Variant("a;bEND")},
        {"MAX2(3, 7)", I(7)},
        {"MAX2(MAX2(1, 9), 4) + 1", I(10)},
        {"SQR(3) + SIN(0)", Variant(9.0)},
        {"UpperCase(\"ab\")", Variant("AB")},
        {"G * 2", I(20)},
        {"ARR[1] + ARR[0]", I(3)},
        {"ARR[1] := 5; RESULT := ARR[1]", I(5)},
        {"%0 := 4; RESULT := %0 * 2", I(8)},
        {"ExecScript(\"%0 + %1\", 2, 3)", I(5)},
        {"ExecScript(\"FOR i := 1 TO %0 DO RESULT := RESULT + 2;\", 4)", Variant(8)},
        {"g := [TGauge].Create; RESULT := g.Scaled(3)", Variant(6.0)},
        {"g := [TGauge].Create; g.Level := 5; RESULT := g.Level + 1", I(6)},
        {"[TGauge].Create.Level", I(1)},
        {"g := [TGauge].Create; g.Slot[2] := 7; RESULT := g.Slot(2) * 10 + g.Slot(1)", I(70)},
    };
    for (const TValueCase& c : cases) {
        try {
            const Variant v = Run(c.Script);
            EXPECT_EQ(v.VType(), c.Expected.VType()) << c.Script << " gave " << v.ToString();
            EXPECT_TRUE(VarEquals(v, c.Expected)) << c.Script << " gave " << v.ToString();
        } catch (const std::exception& e) {
            ADD_FAILURE() << c.Script << " raised " << e.what();
        }
    }
}

struct TErrorCase {
    const char* Script;
    const char* Message;
};

TEST_F(ScriptTest, StatementErrorsNameTheStatement) {
    const TErrorCase cases[] = {
        {"BEGIN x := 1 END", "Semicolon expected. Statement: x := 1"},
        {"x := 1 y := 2", "Semicolon expected. Statement: x := 1 y"},
        {"IF 1 THEN x := 1; ELSE x := 2;", "Unexpected token: ELSE. Statement: ELSE"},
        {"BEGIN IF 1 THEN x := 1 END ELSE x := 2; END", "Semicolon expected. Statement: x := 1"},
        {"REPEAT x := x + 1;", "UNTIL expected. Statement: "},
        {"REPEAT x := x + 1 UNTIL x > 3", "Semicolon expected. Statement: x := x + 1"},
        {"REPEAT x := 1; UNTIL ;", "Invalid condition. Statement: UNTIL"},
        {"BREAK;", "BREAK not within cycle. Statement: BREAK"},
        {"IF 1 THEN BREAK;", "BREAK not within cycle. Statement: BREAK"},
        {"x := ;", "Invalid assignment. Statement: x :="},
        {"1x := 2", "Valid identifier expected: 1x"},
        {"END := 2", "END without BEGIN. Statement: END"},
        {"FOR 2 := 1 TO 3 DO x := 1;", "Valid identifier expected: 2"},
        {"IF 1 x := 1", "THEN expected in statement. Statement: IF 1 x"},
        {"IF THEN x := 1;", "Invalid condition. Statement: IF"},
        {"FOR i = 1 TO 3 DO x := 1;", "Equation - \":=\", expected in statement. Statement: FOR i = 1"},
        {"FOR i := 1 DO x := 1;", "TO expected in statement. Statement: FOR i := 1"},
        {"FOR i := TO 3 DO x := 1;", "Invalid FOR cycle. Statement: FOR i :="},
        {"FOR i := 1 TO DO x := 1;", "Invalid FOR cycle. Statement: FOR i := 1 TO"},
        {"WHILE 1 x := 1", "DO expected in statement. Statement: WHILE 1 x"},
        {"END", "END without BEGIN. Statement: END"},
        {"UNTIL 1", "UNTIL not expected. Statement: UNTIL"},
        {"TRY x := 1;", "FINALLY or EXCEPT expected. Statement: "},
        {"EXCEPT", "EXCEPT not expected. Statement: EXCEPT"},
        {"FINALLY", "FINALLY not expected. Statement: FINALLY"},
        {"BEGIN x := 1;", "END expected. Statement: "},
        {"TRY x := 1; EXCEPT x := 2;", "END expected. Statement: "},
        {"BEGIN BEGIN x := 1; END; END", "BEGIN not expected. Statement: BEGIN"},
        {"x := 1; y", "Unexpected EOF. Statement: y"},
        {"x := 1; DO", "Unexpected token: DO. Statement: DO"},
        {"BEGIN END garbage", "Unexpected EOF. Statement: END garbage"},
        {"BEGIN END x := 1", "Semicolon expected. Statement: END x"},
        {"IF 1 THEN; ELSE x := 2;", "Unexpected token: ELSE. Statement: ELSE"}, // the ";" ended the IF
    };
    for (const TErrorCase& c : cases) {
        try {
            Run(c.Script);
            ADD_FAILURE() << "no error from " << c.Script;
        } catch (const ESyntaxError& e) {
            EXPECT_EQ(std::string(e.what()), c.Message) << c.Script;
        }
    }
}

TEST_F(ScriptTest, ExpressionErrorsKeepTheirOwnKinds) {
    EXPECT_ENGINE_ERROR(Run("x := MAX2(1, 2, 3)"), EFuncParamsError, "Arguments mismatching MAX2(1, 2, 3)");
    EXPECT_ENGINE_ERROR(Run("x := (1 + 2"), EMissMatchingBracket,
                        "Missing brackets in expression. Expression: (1 + 2");
    EXPECT_ENGINE_ERROR(Run("x := \"abc"), ESyntaxError,
                        "The string exceeds the end of the script. Expression:  \"abc");
    EXPECT_ENGINE_ERROR(Run("x := [Nothing]"), EMathParserError, "Wrong component: Nothing");
    EXPECT_ENGINE_ERROR(Run("x := nofunc(1)"), ESyntaxError, "Syntax error in expression:\rnofunc(1)");
    EXPECT_ENGINE_ERROR(Run("x := nobody + 1"), ESyntaxError, "Syntax error in expression:\rnobody + 1");
    EXPECT_ENGINE_ERROR(Run("ARR[5]"), ESyntaxError, "Index in variant array is out of bounds: ARR");
    EXPECT_ENGINE_ERROR(Run("G[0]"), ESyntaxError, "Returned result is not a variant array: G");
    EXPECT_ENGINE_ERROR(Run("ARR[0, 0]"), ESyntaxError,
                        "Returned variant array has dimensions that do not match required: ARR");
    EXPECT_ENGINE_ERROR(Run("x := [TGauge].Create; x.Missing(1);"), EMathParserError,
                        "Invalid object method: TGauge.Missing");
}

// Stops a script once its turns are spent, so that a loop that would not end fails the test.
void SpendTurn(void* Data) {
    if (--*static_cast<int*>(Data) < 0) throw EEvalAborted("endless");
}

TEST_F(ScriptTest, ALoopVariableSetToNullEndsTheLoop) {
    // A null compares with nothing: the FOR ends instead of counting on from it.
    int turns = 1000;
    const TEvalCheckPointScope bound(&SpendTurn, &turns);
    EXPECT_EQ(Run("FOR i := 1 TO 3 DO BEGIN n := n + 1; i := NULL; END; RESULT := n").RawInteger(), 1);
    EXPECT_EQ(Run("FOR i := 3 DOWNTO 1 DO BEGIN n := n + 1; i := NULL; END; RESULT := n").RawInteger(), 1);
}

TEST_F(ScriptTest, AssignedNamesBecomeUpperCasedLocalsOrWriteGlobals) {
    Run("newVar := 5; g := g + 1");
    const TVariable* local = E.LocalVars.FindVariable("NEWVAR");
    ASSERT_NE(local, nullptr);
    EXPECT_EQ(E.LocalVars.Get(E.LocalVars.IndexOf(local)), "NEWVAR");
    EXPECT_EQ(Vars.FindVariable("NEWVAR"), nullptr);
    EXPECT_EQ(Vars.Values("G").RawInteger(), 11);
    // The global is read through its own slot: a change between runs is seen.
    Vars.SetValues("G", Variant(std::int32_t{40}));
    E.F();
    EXPECT_EQ(Vars.Values("G").RawInteger(), 41);
    // An element store writes the variable's own array.
    Run("ARR[0] := \"z\"");
    EXPECT_EQ(Vars.Values("ARR").ArrayGet({0}).ToString(), "z");
}

std::string Repeated(const std::string& Text, int Times) {
    std::string r;
    for (int i = 0; i < Times; ++i)
        r += Text;
    return r;
}

TEST_F(ScriptTest, DeepNestingAndHugeScriptsFailCleanly) {
    constexpr int kDeep = 100000;
    const std::string deep[] = {
        Repeated("IF 1 THEN ", kDeep) + "x := 1;",
        Repeated("BEGIN ", kDeep) + "x := 1;" + Repeated(" END;", kDeep),
        Repeated("WHILE 0 DO ", kDeep) + "x := 1;",
        Repeated("FOR i := 1 TO 1 DO ", kDeep) + "x := 1;",
        Repeated("REPEAT ", kDeep) + "x := 1;" + Repeated(" UNTIL 1;", kDeep),
        Repeated("TRY ", kDeep) + "x := 1;" + Repeated(" FINALLY x := 2; END;", kDeep),
        "x := " + Repeated("(", kDeep) + "1" + Repeated(")", kDeep),
        "x := " + Repeated("ARR[", kDeep) + "0" + Repeated("]", kDeep),
        "x := " + Repeated("MAX2(1, ", kDeep) + "1" + Repeated(")", kDeep),
        "x := " + Repeated("-", kDeep) + "1",
    };
    for (const std::string& text : deep)
        EXPECT_THROW(Run(text), ESyntaxError) << text.substr(0, 40);
    EXPECT_NO_THROW(Run("x := [TGauge]" + Repeated(".Create", 1000))); // a long chain is no nesting

    // A script of a mebibyte compiles and runs; as much garbage is refused.
    const std::string big = Repeated("x := x + 1; ", (1 << 20) / 12);
    EXPECT_EQ(Run(big + "RESULT := x").ToInteger(), (1 << 20) / 12);
    EXPECT_THROW(Run(Repeated("x := x +; ", 1 << 17)), ESyntaxError);
    // A NUL byte is refused, not taken as the end of the text.
    EXPECT_ENGINE_ERROR(Run(std::string("x := 1;\0x := 2", 15)), ESyntaxError,
                        "Syntax error in expression: character #0 at position 8");
}

TEST_F(ScriptTest, CommentsReadAsBlanksOutsideStrings) {
    const TValueCase cases[] = {
        {"x := 1; { a note } x := x + 1; RESULT := x", I(2)},
        {"x := 1; { a note\nover two lines } RESULT := x + 1", I(2)},
        {"x := 1; // x := 5\nRESULT := x", I(1)},
        {"x := 1 {no ; needed before a comment};\nRESULT := x { \" a quote in a note }", I(1)},
        {"RESULT := \"a{b}c//d\"", Variant(std::string("a{b}c//d"))},
        {"RESULT := \"x\" + \"{\" // \"}\"", Variant(std::string("x{"))},
        {"RESULT := 8 / 2 {/} / 2", Variant(2.0)},
    };
    for (const TValueCase& c : cases) {
        const Variant v = Run(c.Script);
        EXPECT_EQ(v.VType(), c.Expected.VType()) << c.Script;
        EXPECT_TRUE(VarEquals(v, c.Expected)) << c.Script << " gave " << v.ToString();
    }
}

struct TPlaceCase {
    const char* Script;
    const char* Message;
    int Line;
    int Column;
};

// Compile errors say where they were found in the lines as written (a tab is one column).
TEST_F(ScriptTest, CompileErrorsCarryLineAndColumn) {
    const TPlaceCase cases[] = {
        {"x := (1", "Missing brackets in expression. Expression: (1", 1, 6},
        {"{\t} x := (1", "Missing brackets in expression. Expression: (1", 1, 10},
        {"2**10", "Syntax error in expression:\r*10", 1, 3},
        {"x := 1;\ny := 2 +* 3;\nz := 3", "Syntax error in expression:\r* 3", 2, 9},
        {"x := 1;\r\ny := MAX2(1);", "Arguments mismatching MAX2(1)", 2, 6},
        {"{ a note }\nx := 1 y := 2", "Semicolon expected. Statement: x := 1 y", 2, 10},
        {"x := 1; { note } y := (2", "Missing brackets in expression. Expression: (2", 1, 23},
        {"// first\nx := 1;\n1x := 2", "Valid identifier expected: 1x", 3, 1},
        {"BEGIN\nx := 1;", "END expected. Statement: ", 2, 8},
        {"x := 1;\n\ny := \"abc", "The string exceeds the end of the script. Expression:  \"abc", 3, 6},
        {"x := 1;\n  { never closed\nx := 2",
         "The comment exceeds the end of the script. Expression: "
         "{ never closed x := 2",
         2, 3},
    };
    for (const TPlaceCase& c : cases) {
        try {
            Run(c.Script);
            ADD_FAILURE() << "no error from " << c.Script;
        } catch (const EMathParserError& e) {
            EXPECT_EQ(std::string(e.what()), c.Message) << c.Script;
            EXPECT_EQ(std::make_pair(e.Line(), e.Column()), std::make_pair(c.Line, c.Column)) << c.Script;
        }
    }
}

} // namespace
