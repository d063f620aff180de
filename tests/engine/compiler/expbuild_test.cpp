// Expressions compiled and run: precedence and grouping, number kinds, operators' value rules.
#include "engine/compiler/Expbuild.h"
#include "engine/eval/Exeval.h"
#include "engine/exfuncs_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <map>

namespace skv::engine {
namespace {

// Variables A..E and X, Y with fixed values; no functions.
class TTestEnv : public TParseEnv {
public:
    std::map<std::string, Variant> Vars{{"A", Variant(std::int32_t{6})},
                                        {"B", Variant(std::int32_t{3})},
                                        {"C", Variant(std::int32_t{0})},
                                        {"X", Variant(1.5)},
                                        {"Y", Variant(std::int32_t{0})}};
    bool FindVariable(const std::string& Name, TVarRef& Ref) override {
        auto it = Vars.find(UpStr(Name));
        if (it == Vars.end()) return false;
        Ref.Value = &it->second;
        return true;
    }
    bool FindTarget(const std::string& Name, TVarRef& Ref) override { return FindVariable(Name, Ref); }
    bool BindCall(const std::string&, TParserOperation&, std::int32_t&) override { return false; }
};

Variant Eval(const std::string& Text, TTestEnv& Env) {
    TProgram program;
    bool failed = false;
    Variant v;
    CalcExpression(BuildExpression(Text, Env, program, nullptr, failed), v);
    return v;
}

void RunScript(const std::string& Text, TTestEnv& Env) {
    bool failed = false;
    Variant result;
    CalcStatements(ParseProcedure(Text, Env, TVarRef{&result, nullptr}, true, failed)->Statements);
}

// The kind and text of a value, or the error computing it raised.
std::string Outcome(const std::function<Variant()>& Compute) {
    try {
        const Variant v = Compute();
        return std::to_string(v.VType()) + " " + v.ToString();
    } catch (const std::exception& e) {
        return std::string("error: ") + e.what();
    }
}

struct TCase {
    const char* Text;
    Variant Expected;
};

TEST(ExpressionEval, PrecedenceAndValueKinds) {
    const Variant one = Variant::Currency(TCurrency{10000});
    const Variant zero = Variant::Currency(TCurrency{0});
    const TCase cases[] = {
        {"2 + 3 * 4", Variant(std::int32_t{14})},
        {"(2 + 3) * 4", Variant(std::int32_t{20})},
        {"10 - 4 - 3", Variant(std::int32_t{3})},
        {"100 / 10 / 5", Variant(2.0)},
        {"-2^2", Variant(-4.0)},
        {"a * -b", Variant(std::int32_t{-18})},
        {"2 - -3", Variant(std::int32_t{5})},
        {"--3", Variant(std::int32_t{3})},
        {"-a + b", Variant(std::int32_t{-3})},
        {"1 < 2", one},
        {"a <= b", zero},
        {"NOT 0", one},
        {"NOT 5", zero},
        {"NOT a = b", zero}, // (NOT a) = b
        {"c AND NOT y", Variant(std::int32_t{0})},
        {"3 AND 5", Variant(std::int32_t{1})},
        {"TRUE AND 1", Variant(std::int32_t{1})},
        {"a = 6 AND b = 3", Variant(std::int32_t{1})}, // (a = 6) AND (b = 3): 1 AND 1
        {"(a > b) XOR (b > 9)", Variant(std::int32_t{1})},
        {"2.5 AND 3", Variant(std::int32_t{2})}, // 2.5 rounds to the even 2
        {"7 MOD 3", Variant(std::int32_t{1})},
        {"-7 DIV 2", Variant(std::int32_t{-3})},
        {"7.9 DIV 2", Variant(std::int32_t{3})},
        {"2^2", Variant(4.0)},
        {"2^3", Variant(std::int32_t{8})},
        {"4^0.5", Variant(2.0)},
        {"2^-1", Variant(0.5)},
        {"1 SHL 4", Variant(std::int32_t{16})},
        {"-1 SHR 28", Variant(std::int32_t{15})},
        {"1 SHL 33", Variant(std::int32_t{2})}, // the count is taken modulo 32
        {"-1 SHR 36", Variant(std::int32_t{0x0FFFFFFF})},
        {"~0", Variant(std::int32_t{-1})},
        {"\"ab\" + \"cd\"", Variant("abcd")},
        {"\"a\"\"b\"", Variant("a\"b")},
        {"1.5", Variant(1.5)},
        {"15", Variant(std::int32_t{15})},
        {"1E1", Variant(std::int32_t{10})},
        {"3000000000", Variant(3000000000.0)},
        {"$FF", Variant(std::int32_t{255})},
        {"$FFFFFFFF", Variant(std::int32_t{-1})},
        {"((x))", Variant(1.5)},
    };
    TTestEnv env;
    for (const TCase& c : cases) {
        const Variant v = Eval(c.Text, env);
        EXPECT_EQ(v.VType(), c.Expected.VType()) << c.Text;
        EXPECT_TRUE(VarEquals(v, c.Expected)) << c.Text << " gave " << v.ToString();
    }
}

// The operators take short ways for integers and doubles; whatever the operand kinds, they must
// give what the value rules give, the kind of the result and the errors included.
TEST(ExpressionEval, OperatorsAgreeWithTheValueRules) {
    using TRule = std::function<Variant(const Variant&, const Variant&)>;
    // A comparison holds when VarCmp answers one of Results.
    const auto holds = [&](std::vector<TVarCompareResult> Results) -> TRule {
        return [=](const Variant& a, const Variant& b) {
            const bool held = std::find(Results.begin(), Results.end(), VarCmp(a, b)) != Results.end();
            return Variant::Currency(TCurrency{held ? 10000 : 0});
        };
    };
    using R = TVarCompareResult;
    const struct {
        const char* Text;
        TRule Rule;
    } ops[] = {
        {"p + q", VarAdd},
        {"p - q", VarSub},
        {"p * q", VarMul},
        {"p / q", VarDiv},
        {"p^3", [](const Variant& a, const Variant&) { return VarMul(VarMul(a, a), a); }},
        {"p < q", holds({R::LessThan})},
        {"p = q", holds({R::Equal})},
        {"p >= q", holds({R::GreaterThan, R::Equal})},
        {"p <= q", holds({R::LessThan, R::Equal})},
        {"p > q", holds({R::GreaterThan})},
        {"p <> q", holds({R::LessThan, R::GreaterThan, R::Null})},
    };
    const Variant operands[] = {
        Variant(std::int32_t{7}),
        Variant(std::int32_t{-2147483647 - 1}),
        Variant(std::int32_t{65536}),
        Variant(std::int32_t{0}),
        Variant(2.5),
        Variant(-0.0),
        Variant(1e308),
        Variant(std::nan("")),
        Variant::Single(1.5f),
        Variant::Currency({25000}),
        Variant("4"),
        Variant::Null(),
    };
    TTestEnv env;
    for (const auto& op : ops) {
        for (const Variant& p : operands) {
            for (const Variant& q : operands) {
                env.Vars["P"] = p;
                env.Vars["Q"] = q;
                const std::string want = Outcome([&] { return op.Rule(p, q); });
                EXPECT_EQ(Outcome([&] { return Eval(op.Text, env); }), want)
                    << op.Text << " with p = " << p.ToString() << " (" << p.VType()
                    << "), q = " << q.ToString() << " (" << q.VType() << ")";
                // A condition decides a comparison without its flag: the branch taken must match.
                if (!std::strpbrk(op.Text, "<>=") || want.rfind(std::to_string(varCurrency) + " ", 0) != 0)
                    continue;
                env.Vars["R"] = Variant();
                RunScript(std::string("IF ") + op.Text + " THEN R := 1 ELSE R := 2", env);
                EXPECT_EQ(env.Vars["R"].ToInteger(), want.back() == '0' ? 2 : 1) << "IF " << op.Text;
            }
        }
    }
}

// Operators over number constants are computed when compiling: each must give what it gives over
// variables holding the same numbers, kind and errors included.
TEST(ExpressionEval, FoldedConstantsAgreeWithTheOperatorsAtRunTime) {
    const char* const ops[] = {"+", "-", "*", "/", "MOD", "DIV", "^", "<", "=", "<>", "AND", "XOR", "SHL"};
    const char* const numbers[] = {"7", "2147483647", "-2147483648", "0", "2.5", "-3", "1E308", "3"};
    TTestEnv env;
    const auto outcome = [&](const std::string& Text) { return Outcome([&] { return Eval(Text, env); }); };
    for (const char* op : ops) {
        for (const char* p : numbers) {
            for (const char* q : numbers) {
                env.Vars["P"] = Eval(p, env);
                const std::string folded = std::string("(") + p + ") " + op + " (" + q + ")";
                // The exponent stays a literal: a literal exponent decides how a power compiles.
                EXPECT_EQ(outcome(folded), outcome(std::string("p ") + op + " (" + q + ")")) << folded;
                EXPECT_EQ(outcome(std::string("NOT -(") + p + ")"), outcome("NOT -p")) << p;
            }
        }
    }
    TProgram program;
    bool failed = false;
    PParserOperation chain = BuildExpression("(2 * 3 + 1) / 2 - PI", env, program, nullptr, failed);
    EXPECT_EQ(chain->Next, nullptr) << "folded into one value";
}

TEST(ExpressionEval, DateLiteralIsMonthFirst) {
    TTestEnv env;
    const Variant v = Eval("'12/31/2003'", env);
    ASSERT_EQ(v.VType(), varDate);
    EXPECT_DOUBLE_EQ(v.ToDate(), EncodeDate(2003, 12, 31));
    // Blanks may stand between the parts; any other character makes it no date.
    EXPECT_DOUBLE_EQ(Eval("'12/ 31 /03'", env).ToDate(), EncodeDate(2003, 12, 31));
    for (const char* bad : {"'12/31/2003x'", "'1a/2/2003'", "'12-31-2003'"})
        EXPECT_THROW(Eval(bad, env), ESyntaxError) << bad;
}

TEST(ExpressionEval, ErrorsAreEngineErrors) {
    TTestEnv env;
    EXPECT_ENGINE_ERROR(Eval("(a + b", env), EMissMatchingBracket,
                        "Missing brackets in expression. Expression: (a + b");
    EXPECT_ENGINE_ERROR(Eval("2 + * 3", env), ESyntaxError, "Syntax error in expression:\r* 3");
    EXPECT_THROW(Eval("unknown + 1", env), ESyntaxError);
    EXPECT_THROW(Eval("1 DIV 0", env), std::exception);
    // Pathological nesting fails cleanly instead of exhausting the stack (brackets, signs, calls and
    // indexes: the script tests).
    std::string notChain;
    for (int i = 0; i < 100000; ++i)
        notChain += "NOT ";
    EXPECT_THROW(Eval(notChain + "1", env), ESyntaxError);
    // A long flat chain is no nesting: it compiles and runs.
    std::string sum = "1";
    for (int i = 0; i < 20000; ++i)
        sum += " + 1";
    EXPECT_TRUE(VarEquals(Eval(sum, env), Variant(std::int32_t{20001})));
}

} // namespace
} // namespace skv::engine
