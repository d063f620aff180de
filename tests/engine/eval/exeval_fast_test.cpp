// Chains of number operations in their fast form answer exactly what the operations answer: the
// same kind, the same bits, the same error, for every mix of kinds, also when the kinds a chain
// sees change from run to run.
#include "engine/exfuncs_test_support.h"

#include "engine/eval/Exeval.h"
#include "engine/eval/Exeval_fast.h"

#include <array>
#include <cmath>
#include <limits>
#include <vector>

using namespace skv::engine;
using namespace skv::engine::testing;

namespace {

// What one evaluation came to: the error's text, or the result and the variables afterwards.
struct TOutcome {
    std::string Error;
    std::vector<Variant> Values;
};

// Kind and bits; any NaN alike, as which of two NaNs an operation passes on is the processor's
// choice, and no text shows it.
std::string Describe(const Variant& V) {
    TVarType type;
    std::int64_t bits = 0;
    std::string text = std::to_string(V.VType()) + ":";
    if (V.VType() == varDouble && std::isnan(V.RawDouble())) return text + "nan";
    if (V.InlineBits(type, bits)) return text + std::to_string(bits);
    return text + V.ToString();
}

bool Same(const TOutcome& A, const TOutcome& B) {
    if (A.Error != B.Error || A.Values.size() != B.Values.size()) return false;
    for (std::size_t i = 0; i < A.Values.size(); ++i)
        if (Describe(A.Values[i]) != Describe(B.Values[i])) return false;
    return true;
}

std::string Describe(const TOutcome& O) {
    if (!O.Error.empty()) return "error " + O.Error;
    std::string s;
    for (const Variant& v : O.Values)
        s += Describe(v) + " ";
    return s;
}

// The texts loop a few dozen turns at most: a wrong step that makes a loop endless fails the run
// instead of hanging the test.
void StopEndlessLoop(void* Turns) {
    if (++*static_cast<int*>(Turns) > 100000) throw EEvalAborted("endless loop");
}

const std::vector<std::array<Variant, 3>>& Inputs();

// One text compiled twice, with and without the fast form, over one set of variables A, B, C.
class FastChainTest : public ::testing::Test {
protected:
    FastChainTest() {
        for (const char* n : {"A", "B", "C"})
            Vars.SetValues(n, Variant(std::int32_t{0}));
        for (TEvalObj* e : {&Fast, &General}) {
            e->OnProvideVarsList = [this] { return &Vars.Vars(); };
            e->OnProvideRegFuncs = [this] { return UseBuiltIns ? &BuiltIns : &Funcs; };
        }
    }
    // Texts run twice in a loop, so that a chain runs again after the first turn changed kinds.
    void Compile(const std::string& Text) {
        const std::string body =
            Text.find(":=") != std::string::npos ? "BEGIN " + Text + "; END" : "RESULT := " + Text;
        CompileAsWritten("FOR Q := 1 TO 2 DO " + body);
    }
    void CompileAsWritten(const std::string& Text) {
        Fast.AssignSourceStr(Text);
        General.AssignSourceStr(Text);
        Fast.ValidateOperation(false);
        General.Context().FastChains = false;
        General.ValidateOperation(false);
        General.Context().FastChains = true;
    }
    TOutcome Run(TEvalObj& E, const std::array<Variant, 3>& In) {
        static const char* const names[] = {"A", "B", "C"};
        for (int i = 0; i < 3; ++i)
            Vars.SetValues(names[i], In[i]);
        TOutcome o;
        int turns = 0;
        const TEvalCheckPointScope bound(&StopEndlessLoop, &turns);
        try {
            o.Values.push_back(E.F());
        } catch (const std::exception& e) {
            o.Error = e.what();
        }
        for (const char* n : names)
            o.Values.push_back(Vars.Vars().FindVariable(n)->Value());
        return o;
    }
    static bool HasFastForm(PParserStatement Chain) {
        for (PParserStatement st = Chain; st; st = st->Next)
            if (st->Fast || HasFastForm(st->Body1) || HasFastForm(st->Body2)) return true;
        return false;
    }
    static bool HasFastForm(const TEvalObj& E) { return HasFastForm(E.Statements()); }
    // Twice over every set of inputs, so that the kinds change between runs of the same compiled
    // text: both forms must end alike.
    void ExpectAlikeOverAllInputs(const char* Text) {
        for (int round = 0; round < 2; ++round)
            for (const auto& in : Inputs()) {
                const TOutcome fast = Run(Fast, in);
                const TOutcome general = Run(General, in);
                EXPECT_TRUE(Same(fast, general))
                    << Text << " with " << Describe(in[0]) << ", " << Describe(in[1]) << ", "
                    << Describe(in[2]) << ": fast " << Describe(fast) << ", general " << Describe(general);
            }
    }

    TStandInLibrary Library;
    TEPRegFuncs Funcs{nullptr, &Library};
    TEPRegFuncs BuiltIns; // the functions every registry has, for texts that call them
    bool UseBuiltIns = false;
    TEPVars Vars;
    TEvalObj Fast;
    TEvalObj General;
};

Variant I(std::int32_t V) {
    return Variant(V);
}

Variant D(double V) {
    return Variant(V);
}

// Values of every kind the fast form meets or leaves alone, and the edges of their ranges.
const std::vector<std::array<Variant, 3>>& Inputs() {
    const double inf = std::numeric_limits<double>::infinity();
    static const std::vector<std::array<Variant, 3>> inputs = {
        {I(3), I(4), I(5)},
        {D(0.5), D(-1.25), D(3.0)},
        {I(7), D(0.5), I(-2)},
        {I(1000), I(-1000), I(0)},
        {I(2000000000), I(2000000000), I(2000000000)},              // integers widening to doubles
        {I(std::numeric_limits<std::int32_t>::min()), I(-1), I(1)}, // negation that leaves 32 bits
        {D(1e300), D(1e300), D(1.0)},                               // overflow
        {D(inf), D(1.0), D(0.0)},                                   // an infinite value read
        {I(5), I(3), I(3)},                                         // division by zero
        {I(0), I(3), I(3)},                                         // zero by zero
        {D(-0.0), D(0.0), D(-0.0)},
        {D(std::nan("")), D(1.0), D(2.0)},
        {Variant("3"), I(1), I(2)}, // kinds the fast form leaves to the operations
        {Variant::Single(1.5f), I(1), I(2)},
        {Variant(true), I(1), I(2)},
        {Variant(), I(1), I(2)},
        {I(3), I(4), I(5)}, // back to integers after the others
    };
    return inputs;
}

TEST_F(FastChainTest, AnswersAsTheOperationsDoForEveryMixOfKinds) {
    const char* const texts[] = {
        "A * B + C - 1 + A",
        "A + B + C + A + 1",
        "A * A * A * A * A * A * A",
        "-A * B - -C + 2",
        "(A + 1) / (B - C) * 2",
        "A / 2 / B / 4 / C",
        "A / (B - C) + C + 1",
        "A * 2 + B * 3 > C - 1",
        "A - B - C - 1 <= 0.5",
        "A + B * 0.5 = C + 0",
        "A + B + C + 1 <> 3",
        "A * B - C * 2 >= A",
        "A + B - C < -A",
        "A := A * 2 + B - 1 + C; RESULT := A",
        "IF A * B + C - 1 > 0 THEN RESULT := 1 ELSE RESULT := 2",
        "N := 0; WHILE N * 2 + A * 0 - 1 < 40 DO N := N + B * 0 + C * 0 + 1; RESULT := N",
        "S := 0; FOR I := 1 TO 10 DO BEGIN T := (A + I / 10) / 400; IF T > 1 THEN T := 1; "
        "S := S + T * T * (3 - 2 * T); END; RESULT := -20 + 4 * S",
    };
    for (const char* text : texts) {
        Compile(text);
        EXPECT_TRUE(HasFastForm(Fast)) << text;
        EXPECT_FALSE(HasFastForm(General)) << text;
        ExpectAlikeOverAllInputs(text);
    }
}

TEST_F(FastChainTest, ChainsWithOtherOperationsOrShortOnesKeepTheGeneralWay) {
    const char* const texts[] = {
        "A + B",                 // short: its operations are as fast
        "A + B + C + SIN(A)",    // a function the fast form does not know (this library's own)
        "A + B + C + (A MOD 2)", // an operation the fast form does not have
        "(A > B) + C + A + B",   // a comparison's flag read by another operation
    };
    const std::array<Variant, 3> in = {I(3), D(0.5), I(2)};
    for (const char* text : texts) {
        Compile(text);
        EXPECT_FALSE(HasFastForm(Fast)) << text;
        EXPECT_TRUE(Same(Run(Fast, in), Run(General, in))) << text;
    }
    // A plain expression, outside any loop, gets the fast form too.
    CompileAsWritten("A * B + C - 1 + A");
    EXPECT_TRUE(HasFastForm(Fast));
    EXPECT_TRUE(Same(Run(Fast, in), Run(General, in)));
    // A text literal: the form is made, but no plan for it ever is.
    Compile("A + B + C + A + \"x\"");
    ASSERT_TRUE(HasFastForm(Fast));
    const TOutcome fast = Run(Fast, in);
    EXPECT_TRUE(Same(fast, Run(General, in))) << Describe(fast);
    EXPECT_TRUE(Fast.Statements()->Body1->Fast->Plans.empty());
}

// The built-ins that apply a function to one double run within the plan: their NaNs and
// infinities, and the integers they are given, come out as the operations have them.
TEST_F(FastChainTest, BuiltInsOfOneDoubleRunWithinTheChain) {
    UseBuiltIns = true;
    const char* const texts[] = {
        "SIN(A) * COS(B) + SQRT(A * A + B * B)",
        "LN(A + 2) * LG(B + 3) - ABS(C) + EXP(-A * B / 2)",
        "ATAN(B / A) * 180 / PI + TRUNC(C) + FRAC(A)",
        "SQRT(A) + LN(B) + C + 1", // NaN and infinities on the way
        "TAN(A) + COTAN(B) + SINH(C) + COSH(A) + TANH(B) + ASIN(C) + ACOS(C) + LOG(A) + SQR(B)",
        "SIN(A + B) + C * 2 - 1", // an integer operand
        "A * 2 + SIN(A + B) > COS(C) - 1",
        "X := EXP(A) + C + 1 + A; RESULT := X",
        "1 + 2 * LN(A - B)", // ending in a call that may give -inf or NaN
    };
    for (const char* text : texts) {
        Compile(text);
        EXPECT_TRUE(HasFastForm(Fast)) << text;
        ExpectAlikeOverAllInputs(text);
    }
    // Plans are made and kept for numbers, so the calls do run in them.
    Compile("SIN(A) * COS(B) + SQRT(A * A + B * B)");
    const TFastChain& chain = *Fast.Statements()->Body1->Fast;
    EXPECT_TRUE(Same(Run(Fast, {D(0.5), D(2.0), I(0)}), Run(General, {D(0.5), D(2.0), I(0)})));
    EXPECT_NE(chain.Current, nullptr);
    EXPECT_EQ(chain.GaveUp, 0u);
    // Two-argument and other functions keep the general way.
    for (const char* text : {"A + B + C + MAX(A, B)", "A + B + C + ROUND(A)", "A + B + C + SIGN(A)"}) {
        Compile(text);
        EXPECT_FALSE(HasFastForm(Fast)) << text;
    }
}

// A chain whose values are mostly of other kinds stops trying the fast form, and one whose
// kinds keep changing keeps a plan for each assignment it meets: both go on answering right.
TEST_F(FastChainTest, ChangingKindsSwitchPlansAndTextsSwitchTheFastFormOff) {
    Compile("A * B + C - 1 + A");
    ASSERT_TRUE(Fast.Statements()->Body1->Fast);
    TFastChain& chain = *Fast.Statements()->Body1->Fast;
    const std::array<Variant, 3> numbers[] = {
        {I(2), I(3), I(4)}, {D(2), I(3), I(4)}, {I(2), D(3), D(4)}, {D(2), D(3), D(4)}};
    for (int round = 0; round < 3; ++round)
        for (const auto& in : numbers)
            EXPECT_TRUE(Same(Run(Fast, in), Run(General, in)));
    EXPECT_EQ(chain.Plans.size(), 4u);
    EXPECT_NE(chain.Current, nullptr);

    const std::array<Variant, 3> texts = {Variant("2"), I(3), I(4)};
    for (std::uint32_t i = 0; i < kMaxGiveUps; ++i)
        EXPECT_TRUE(Same(Run(Fast, texts), Run(General, texts)));
    EXPECT_EQ(chain.Current, nullptr);
    for (const auto& in : numbers) {
        EXPECT_TRUE(Same(Run(Fast, in), Run(General, in)));
        EXPECT_EQ(chain.Current, nullptr); // no longer tried
    }
}

} // namespace
