// The always-present functions and the trigonometric and exponent groups, called through the
// registry with value operands.
#include "engine/bldfuncs/Bldfuncs.h"
#include "engine/exfuncs_test_support.h"
#include "engine/funcs/Exfuncs_classes.h"

#include <numbers>

namespace skv::engine {
namespace {

using testing::CallByName;
using testing::CallWith;

constexpr double pi = std::numbers::pi;

struct TNumCase {
    const char* Name;
    std::vector<Variant> Args;
    double Expected;
};

class BuildInMath : public ::testing::Test {
protected:
    TEPRegFuncs R;
};

TEST_F(BuildInMath, NumericResults) {
    const std::vector<TNumCase> cases = {
        {"ROUND", {2.5}, 3},
        {"ROUND", {-2.5}, -3},
        {"ROUND", {2.4999}, 2},
        {"ROUND", {-0.5}, -1},
        {"ROUND", {0.5}, 1},
        {"ROUND", {-2.4}, -2},
        {"TRUNC", {-2.7}, -2},
        {"INT", {2.7}, 2},
        {"FRAC", {-2.7}, -0.7},
        {"CEIL", {-2.7}, -2},
        {"FLOOR", {-2.7}, -3},
        {"CEIL", {2.1}, 3},
        {"SQR", {-3}, 9},
        {"SQRT", {16}, 4},
        {"ABS", {-2.5}, 2.5},
        {"RADIUS", {3, 4}, 5},
        {"ARG", {-1, 0}, pi},
        {"ARG", {0, 0}, -pi / 2},
        {"ARG", {1, 1}, pi / 4},
        {"ARG", {0, 2}, pi / 2},
        {"ARG", {-1, -1}, 5 * pi / 4},
        {"POWER", {2, 0.5}, std::sqrt(2.0)},
        {"IPOWER", {2, 3.9}, 8},
        {"IPOWER", {2, -1.5}, 0.5},
        {"SIGN", {-3}, -1},
        {"SIGN", {0}, 0},
        {"SIGN", {0.1}, 1},
        {"ZERO", {0.0}, 0},
        {"ZERO", {5}, 1},
        {"SUM", {}, 0},
        {"SUM", {1, 2.5, 3}, 6.5},
        {"PROD", {}, 0},
        {"PROD", {2, 3, 4}, 24},
        {"AVG", {1, 2}, 1.5},
        {"AVG", {}, 0},
        {"SETOF", {0, 3}, 9},
        {"SETOF", {33}, 2},
        {"SETOF", {31}, -2147483648.0},
        {"SIN", {pi / 2}, 1},
        {"COS", {0}, 1},
        {"TAN", {pi / 4}, 1},
        {"COTAN", {pi / 4}, 1},
        {"ASIN", {1}, pi / 2},
        {"ACOS", {1}, 0},
        {"ATAN", {1e300}, pi / 2},
        {"SINH", {0}, 0},
        {"COSH", {0}, 1},
        {"TANH", {1e3}, 1},
        {"EXP", {1}, std::numbers::e},
        {"LN", {std::numbers::e}, 1},
        {"LG", {1000}, 3},
        {"LOG", {8}, 3},
        {"IIF", {0, 1, 2}, 2},
        {"IIF", {-1, 1, 2}, 1},
        {"IIF", {0.5, 1, 2}, 1},
    };
    for (const TNumCase& c : cases) {
        const Variant v = CallByName(R, c.Name, c.Args);
        EXPECT_NEAR(v.ToReal(), c.Expected, 1e-12) << c.Name << " of " << c.Args.size() << " operands";
    }
}

// The kinds of results are part of the behaviour: scripts compare and print them.
TEST_F(BuildInMath, ResultKinds) {
    const std::vector<std::pair<Variant, TVarType>> cases = {
        {CallByName(R, "ROUND", {2.5}), varDouble}, {CallByName(R, "TRUNC", {2.5}), varDouble},
        {CallByName(R, "CEIL", {2.5}), varInteger}, {CallByName(R, "FLOOR", {2.5}), varInteger},
        {CallByName(R, "SIGN", {-3}), varInteger},  {CallByName(R, "SIGN", {3}), varCurrency},
        {CallByName(R, "SIGN", {0}), varCurrency},  {CallByName(R, "ZERO", {3}), varCurrency},
        {CallByName(R, "SUM", {}), varInteger},     {CallByName(R, "SUM", {1, 2}), varInteger},
        {CallByName(R, "AVG", {2, 4}), varDouble},  {CallByName(R, "MAX", {1, Variant("7")}), varString},
        {CallByName(R, "SETOF", {1}), varInteger},  {CallByName(R, "IIF", {1, Variant("a"), 2}), varString},
    };
    for (std::size_t i = 0; i < cases.size(); ++i)
        EXPECT_EQ(cases[i].first.VType(), cases[i].second) << "case " << i;
}

TEST_F(BuildInMath, MaxAndMinReturnTheFirstOfEqualOperands) {
    const Variant three = CallByName(R, "MAX", {1, 3, Variant::Currency(TCurrency{30000}), 2});
    EXPECT_EQ(three.VType(), varInteger); // the first 3, not the equal currency after it
    EXPECT_EQ(CallByName(R, "MIN", {2.5, 1, 1.0}).VType(), varInteger);
    EXPECT_EQ(CallWith(*R.FindFunction("MIN"), {}, Variant("kept")).ToString(), "kept");
    EXPECT_EQ(CallWith(*R.FindFunction("MAX"), {}, Variant(7)).ToInteger(), 7);
}

TEST_F(BuildInMath, FunctionsThatWriteTheirOperands) {
    Variant x(4);
    Variant* args[] = {&x};
    Variant result;
    R.FindFunction("INC")->Call(args, 1, result);
    EXPECT_EQ(x.ToInteger(), 5);
    EXPECT_EQ(result.ToInteger(), 5);
    R.FindFunction("DEC")->Call(args, 1, result);
    R.FindFunction("DEC")->Call(args, 1, result);
    EXPECT_EQ(x.ToInteger(), 3);
    EXPECT_EQ(result.ToInteger(), 3);

    Variant a("x"), b, c;
    Variant* set[] = {&a, &b, &c};
    Variant untouched(42);
    R.FindFunction("DECLARESET")->Call(set, 3, untouched);
    EXPECT_EQ(a.ToInteger(), 0);
    EXPECT_EQ(b.ToInteger(), 1);
    EXPECT_EQ(c.ToInteger(), 2);
    EXPECT_EQ(untouched.ToInteger(), 42);
}

TEST_F(BuildInMath, CeilOfAHugeValueOverflows) {
    EXPECT_THROW(CallByName(R, "CEIL", {1e12}), std::exception);
    EXPECT_THROW(CallByName(R, "SQR", {Variant("abc")}), std::exception);
}

TEST_F(BuildInMath, RaisedExceptionObjectIsTheHandlersExceptObject) {
    auto object = std::make_unique<TExceptionObject>("EScriptException", "stop here");
    const std::int32_t ref = R.Context().Objects.RefOf(object.get());
    try {
        CallByName(R, "RaiseExcept", {ref});
        ADD_FAILURE() << "nothing raised";
    } catch (const EScriptException& e) {
        EXPECT_STREQ(e.what(), "stop here");
        EXPECT_EQ(CallByName(R, "ExceptObject", {}).ToInteger(), ref);
    }
    // Any other engine error shows as an exception object with its message.
    try {
        throw EMathParserError("Division by zero");
    } catch (...) {
        const auto* e = dynamic_cast<TExceptionObject*>(
            R.Context().Objects.ObjectOf(CallByName(R, "ExceptObject", {}).ToInteger()));
        ASSERT_NE(e, nullptr);
        EXPECT_EQ(e->GetMessage(), "Division by zero");
    }
    EXPECT_EQ(CallByName(R, "ExceptObject", {}).ToInteger(), 0); // outside a handler: none
    EXPECT_ENGINE_ERROR(CallByName(R, "RaiseExcept", {12345}), EMathParserError,
                        "Invalid object reference: RaiseExcept");
}

} // namespace
} // namespace skv::engine
