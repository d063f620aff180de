// Promotion rows of the value arithmetic and comparison.
#include "engine/exfuncs_test_support.h"
#include "engine/values/Variant.h"

#include <gtest/gtest.h>

#include <functional>

using namespace skv::engine;

namespace {
using BinOp = std::function<Variant(const Variant&, const Variant&)>;

struct Row {
    const char* Name;
    BinOp Op;
    Variant A, B;
    TVarType Type;
    std::string Text; // the result as text
};

Variant cy(double v) {
    return Variant::CurrencyFromDouble(v);
}

void checkRows(const std::vector<Row>& rows) {
    for (const Row& r : rows) {
        SCOPED_TRACE(r.Name);
        const Variant v = r.Op(r.A, r.B);
        EXPECT_EQ(v.VType(), r.Type);
        EXPECT_EQ(v.ToString(), r.Text);
    }
}
} // namespace

TEST(VariantArith, AddPromotionRows) {
    const BinOp add = VarAdd;
    checkRows({
        {"int+double", add, Variant(2), Variant(0.5), varDouble, "2.5"},
        {"int+int", add, Variant(2), Variant(3), varInteger, "5"},
        {"int+currency", add, Variant(2), cy(0.25), varCurrency, "2.25"},
        {"double+currency", add, Variant(0.1), cy(0.2), varCurrency, "0.3"},
        {"string+int parses", add, Variant("1.5"), Variant(2), varDouble, "3.5"},
        {"string+string concatenates", add, Variant("ab"), Variant("12"), varString, "ab12"},
        {"empty+string", add, Variant(), Variant("x"), varString, "x"},
        {"null propagates", add, Variant::Null(), Variant(1), varNull, ""},
        {"number+null", add, Variant(1.5), Variant::Null(), varNull, ""},
        {"empty+int", add, Variant(), Variant(7), varInteger, "7"},
        {"empty+empty", add, Variant(), Variant(), varSmallint, "0"},
        {"bool TRUE is -1", add, Variant(true), Variant(5), varInteger, "4"},
        {"bool+bool", add, Variant(true), Variant(true), varSmallint, "-2"},
        {"single+smallint", add, Variant::Single(1.5f), Variant::Smallint(2), varSingle, "3.5"},
        {"single+int widens", add, Variant::Single(1.5f), Variant(2), varDouble, "3.5"},
        {"byte+byte", add, Variant::Byte(100), Variant::Byte(100), varByte, "200"},
        {"byte overflow to smallint", add, Variant::Byte(200), Variant::Byte(100), varSmallint, "300"},
        {"smallint overflow to int", add, Variant::Smallint(32767), Variant::Smallint(1), varInteger,
         "32768"},
        {"int overflow to double", add, Variant(2147483647), Variant(1), varDouble, "2147483648"},
        {"date+int", add, Variant::Date(EncodeDate(2020, 2, 28)), Variant(1), varDate, "2020-02-29"},
        {"date+currency", add, Variant::Date(1), cy(1), varDate, "1900-01-01"},
        {"string+date", add, Variant("0.5"), Variant::Date(0), varDate, "12:00:00"},
    });
}

TEST(VariantArith, SubtractMultiplyRows) {
    const BinOp sub = VarSub, mul = VarMul;
    checkRows({
        {"strings subtract as numbers", sub, Variant("5"), Variant("1.5"), varDouble, "3.5"},
        {"date-date is days", sub, Variant::Date(EncodeDate(2000, 3, 1)),
         Variant::Date(EncodeDate(2000, 2, 1)), varDouble, "29"},
        {"date-int is date", sub, Variant::Date(EncodeDate(2000, 3, 1)), Variant(1), varDate, "2000-02-29"},
        {"int-int", sub, Variant(3), Variant(5), varInteger, "-2"},
        {"int underflow to double", sub, Variant(-2147483647 - 1), Variant(1), varDouble, "-2147483649"},
        {"int*int overflow", mul, Variant(65536), Variant(65536), varDouble, "4294967296"},
        {"strings multiply as numbers", mul, Variant("2"), Variant("3"), varDouble, "6"},
        {"currency*currency", mul, cy(1.5), cy(1.5), varCurrency, "2.25"},
        {"currency*currency half rounds to even (down)", mul, cy(0.0001), cy(0.5), varCurrency, "0"},
        {"currency*currency half rounds to even (up)", mul, cy(0.0003), cy(0.5), varCurrency, "0.0002"},
        {"currency*int stays currency", mul, cy(2.5), Variant(3), varCurrency, "7.5"},
        {"currency*byte stays currency", mul, cy(0.5), Variant::Byte(3), varCurrency, "1.5"},
        {"currency*double is double", mul, cy(2), Variant(0.25), varDouble, "0.5"},
        {"double*currency is double", mul, Variant(0.00005), cy(3), varDouble, "0.00015"},
        {"currency*single is double", mul, cy(2), Variant::Single(0.5f), varDouble, "1"},
        {"single*currency is double", mul, Variant::Single(1.5f), cy(3), varDouble, "4.5"},
        {"currency*text is double", mul, cy(2), Variant("1.25"), varDouble, "2.5"},
        {"text*currency is double", mul, Variant("3"), cy(0.5), varDouble, "1.5"},
        {"currency+double stays currency", VarAdd, cy(2), Variant(0.25), varCurrency, "2.25"},
        {"currency-single stays currency", sub, cy(2), Variant::Single(0.5f), varCurrency, "1.5"},
        {"empty-byte is a byte", sub, Variant(), Variant::Byte(0), varByte, "0"},
        {"byte-empty is a byte", sub, Variant::Byte(7), Variant(), varByte, "7"},
        {"empty-byte below 0 widens to smallint", sub, Variant(), Variant::Byte(2), varSmallint, "-2"},
        {"byte-byte below 0 widens to smallint", sub, Variant::Byte(1), Variant::Byte(2), varSmallint, "-1"},
        {"empty-smallint", sub, Variant(), Variant::Smallint(2), varSmallint, "-2"},
        {"date*int is double", mul, Variant::Date(2), Variant(3), varDouble, "6"},
        {"null*int", mul, Variant::Null(), Variant(3), varNull, ""},
    });
}

TEST(VariantArith, DivisionRows) {
    const BinOp div = VarDiv, idiv = VarIdiv, mod = VarMod;
    checkRows({
        {"int/int is double", div, Variant(7), Variant(2), varDouble, "3.5"},
        {"single/smallint", div, Variant::Single(3.0f), Variant::Smallint(2), varSingle, "1.5"},
        {"single/int", div, Variant::Single(3.0f), Variant(2), varDouble, "1.5"},
        {"currency/int is double", div, cy(1), Variant(4), varDouble, "0.25"},
        {"idiv truncates", idiv, Variant(7), Variant(2), varInteger, "3"},
        {"idiv negative", idiv, Variant(-7), Variant(2), varInteger, "-3"},
        {"idiv rounds operands half even", idiv, Variant(6.5), Variant(2.5), varInteger, "3"},
        {"idiv smallints", idiv, Variant::Smallint(9), Variant::Byte(2), varSmallint, "4"},
        {"mod sign of dividend", mod, Variant(-7), Variant(3), varInteger, "-1"},
        {"mod of strings", mod, Variant("10"), Variant("4"), varInteger, "2"},
        {"div null", div, Variant::Null(), Variant(0), varNull, ""},
    });
}

TEST(VariantArith, ErrorsRaise) {
    struct Case {
        const char* Name;
        std::function<Variant()> Run;
        TVariantError Code;
    };
    const Case cases[] = {
        {"divide by zero", [] { return VarDiv(Variant(1), Variant(0)); }, TVariantError::DivByZero},
        {"zero by zero", [] { return VarDiv(Variant(0.0), Variant(0.0)); }, TVariantError::DivByZero},
        {"idiv by zero", [] { return VarIdiv(Variant(1), Variant()); }, TVariantError::DivByZero},
        {"mod by zero", [] { return VarMod(Variant(1), Variant(0.4)); }, TVariantError::DivByZero},
        {"text not a number", [] { return VarAdd(Variant("abc"), Variant(1)); }, TVariantError::InvalidCast},
        {"empty text not a number", [] { return VarSub(Variant(""), Variant(1)); },
         TVariantError::InvalidCast},
        {"currency overflow", [] { return VarMul(Variant::CurrencyFromDouble(9e14), Variant(100)); },
         TVariantError::Overflow},
        {"double overflow", [] { return VarMul(Variant(1e308), Variant(10.0)); }, TVariantError::Overflow},
        {"idiv result overflow", [] { return VarIdiv(Variant(-2147483647 - 1), Variant(-1)); },
         TVariantError::Overflow},
        {"idiv operand overflow", [] { return VarIdiv(Variant(1e12), Variant(2)); }, TVariantError::Overflow},
        {"joined text over 64 MiB",
         [] {
             return VarAdd(Variant(std::string(std::size_t{40} << 20, 'a')),
                           Variant(std::string(std::size_t{30} << 20, 'b')));
         },
         TVariantError::OutOfMemory},
        {"array operand", [] { return VarAdd(Variant::ArrayOf({Variant(1)}), Variant(1)); },
         TVariantError::InvalidOp},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        try {
            c.Run();
            ADD_FAILURE() << "no error";
        } catch (const EVariantError& e) {
            EXPECT_EQ(e.Code, c.Code);
            EXPECT_STREQ(e.what(), VariantErrorMessage(c.Code));
        }
    }
}

TEST(VariantArith, NegateAndLogic) {
    checkRows({
        {"and ints", [](auto& a, auto& b) { return VarAnd(a, b); }, Variant(6), Variant(3), varInteger, "2"},
        {"or bools", [](auto& a, auto& b) { return VarOr(a, b); }, Variant(false), Variant(true), varBoolean,
         "True"},
        {"xor ints", [](auto& a, auto& b) { return VarXor(a, b); }, Variant(5), Variant(1), varInteger, "4"},
        {"null and false", [](auto& a, auto& b) { return VarAnd(a, b); }, Variant::Null(), Variant(false),
         varBoolean, "False"},
        {"null and true", [](auto& a, auto& b) { return VarAnd(a, b); }, Variant::Null(), Variant(true),
         varNull, ""},
        {"null or true", [](auto& a, auto& b) { return VarOr(a, b); }, Variant(true), Variant::Null(),
         varBoolean, "True"},
    });
    struct NegRow {
        Variant In;
        TVarType Type;
        std::string Text;
    };
    const NegRow negs[] = {
        {Variant(5), varInteger, "-5"},
        {Variant(-2147483647 - 1), varDouble, "2147483648"},
        {Variant::Smallint(-32768), varInteger, "32768"},
        {Variant(true), varSmallint, "1"},
        {Variant::Byte(3), varSmallint, "-3"},
        {Variant("2.5"), varDouble, "-2.5"},
        {Variant::CurrencyFromDouble(1.25), varCurrency, "-1.25"},
        {Variant(), varSmallint, "0"},
        {Variant::Null(), varNull, ""},
    };
    for (const NegRow& r : negs) {
        SCOPED_TRACE(r.Text);
        const Variant v = VarNeg(r.In);
        EXPECT_EQ(v.VType(), r.Type);
        EXPECT_EQ(v.ToString(), r.Text);
    }
    EXPECT_EQ(VarNot(Variant(true)).ToString(), "False");
    EXPECT_EQ(VarNot(Variant(0)).ToInteger(), -1);
}

TEST(VariantCompare, Rows) {
    using R = TVarCompareResult;
    struct CmpRow {
        const char* Name;
        Variant A, B;
        R Expected;
    };
    const CmpRow rows[] = {
        {"ints", Variant(1), Variant(2), R::LessThan},
        {"int vs double", Variant(2), Variant(1.5), R::GreaterThan},
        {"ints at the limits", Variant(std::int32_t{-2147483647 - 1}), Variant(std::int32_t{2147483647}),
         R::LessThan},
        {"negative doubles", Variant(-0.5), Variant(-0.25), R::LessThan},
        {"double equal to int", Variant(3.0), Variant(3), R::Equal},
        {"int vs currency", Variant(1), Variant::CurrencyFromDouble(1), R::Equal},
        {"currency exact", Variant::CurrencyFromDouble(0.0001), Variant(0), R::GreaterThan},
        {"bool true is -1", Variant(true), Variant(-1), R::Equal},
        {"numeric string by value", Variant("10"), Variant(9), R::GreaterThan},
        {"numeric string equal", Variant(1), Variant("1.0"), R::Equal},
        {"text above any number", Variant("abc"), Variant(1e300), R::GreaterThan},
        {"number below text", Variant(5), Variant("x"), R::LessThan},
        {"strings by bytes", Variant("10"), Variant("9"), R::LessThan},
        {"strings case matters", Variant("a"), Variant("B"), R::GreaterThan},
        {"empty vs zero", Variant(), Variant(0), R::Equal},
        {"empty vs empty string", Variant(), Variant(""), R::Equal},
        {"empty vs text", Variant(), Variant("a"), R::LessThan},
        {"null", Variant::Null(), Variant(0), R::Null},
        {"null vs null", Variant::Null(), Variant::Null(), R::Null},
        {"dates", Variant::Date(2), Variant(1), R::GreaterThan},
        // A single meets a double or a date at single precision, anything else at double.
        {"single vs double within a single's precision", Variant::Single(1), Variant(1.00000001), R::Equal},
        {"double vs single within a single's precision", Variant(1.00000001), Variant::Single(1), R::Equal},
        {"single vs date within a single's precision", Variant::Single(1), Variant::Date(1.00000001),
         R::Equal},
        {"single 0.1 equals double 0.1", Variant::Single(0.1f), Variant(0.1), R::Equal},
        {"single vs double past a single's precision", Variant::Single(1), Variant(1.001), R::LessThan},
        {"double past the single range", Variant(3.5e38 * 1.1), Variant::Single(3.4e38f), R::GreaterThan},
        {"single vs the largest double", Variant::Single(3.4e38f), Variant(1.7e308), R::LessThan},
        {"single vs numeric text at double precision", Variant::Single(1), Variant("1.00000001"),
         R::LessThan},
        {"single vs currency at double precision", Variant::Single(0.1f), Variant::CurrencyFromDouble(0.1),
         R::GreaterThan},
        {"doubles keep double precision", Variant(1.00000001), Variant(1.0), R::GreaterThan},
    };
    for (const CmpRow& r : rows) {
        SCOPED_TRACE(r.Name);
        EXPECT_EQ(VarCmp(r.A, r.B), r.Expected);
    }
    EXPECT_FALSE(VarEquals(Variant::Null(), Variant::Null()));
}

// The kind of value errors follows the value context bound to the thread, and only while it is.
TEST(VariantErrors, KindFollowsTheBoundContext) {
    TValueContext engine;
    engine.EngineErrors = true;
    {
        const TValueScope bound(&engine);
        EXPECT_ENGINE_ERROR((void)VarDiv(Variant(1), Variant(0)), EVariantOpError, "Division by zero");
        try {
            (void)Variant("abc").ToReal();
            ADD_FAILURE() << "no error";
        } catch (const EVariantOpError& e) {
            EXPECT_EQ(e.Code, TVariantError::InvalidCast);
        }
        EXPECT_ENGINE_ERROR((void)Variant::ArrayOf({Variant(1.0)}).ArrayGet({3}), EMathParserError,
                            _msgVarArrayOutOfBounds);
        const TValueScope none(nullptr); // leaves the binding as it is
        EXPECT_THROW(VarDiv(Variant(1), Variant(0)), EVariantOpError);
    }
    EXPECT_THROW(VarDiv(Variant(1), Variant(0)), EVariantError);
}
