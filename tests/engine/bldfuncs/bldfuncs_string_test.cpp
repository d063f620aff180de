// The string and variant group through the registry.
#include "engine/bldfuncs/Bldfuncs.h"
#include "engine/exfuncs_test_support.h"

namespace skv::engine {
namespace {

using testing::CallByName;

struct TTextCase {
    const char* Name;
    std::vector<Variant> Args;
    Variant Expected;
};

class BuildInString : public ::testing::Test {
protected:
    // Runs a raw function on variables and answers them after the call.
    std::vector<Variant> Run(const char* Name, std::vector<Variant> Vars, Variant& Result) {
        std::vector<Variant*> ptrs;
        for (Variant& v : Vars)
            ptrs.push_back(&v);
        R.FindFunction(Name)->Call(ptrs.data(), static_cast<std::int32_t>(ptrs.size()), Result);
        return Vars;
    }
    TEPRegFuncs R;
};

TEST_F(BuildInString, ValueResults) {
    const std::vector<TTextCase> cases = {
        {"AdjustLineBreaks", {"a\nb\rc\r\nd"}, "a\r\nb\r\nc\r\nd"},
        {"AnsiCompareStr", {"a", "B"}, -1},
        {"AnsiCompareStr", {"a", "A"}, -1},
        {"AnsiCompareStr", {"b", "A"}, 1},
        {"AnsiCompareText", {"\xE9t\xE9", "\xC9T\xC9"}, 0},
        {"AnsiLowerCase", {"\xC9T\xC9 AB"}, "\xE9t\xE9 ab"},
        {"AnsiUpperCase", {"\xE9t\xE9 ab"}, "\xC9T\xC9 AB"},
        {"AnsiPos", {"lo", "hello"}, 4},
        {"AnsiSameStr", {"ab", "aB"}, 0},
        {"AnsiSameText", {"ab", "aB"}, 1},
        {"CompareStr", {"abc", "abd"}, -1},
        {"CompareStr", {"abc", "ab"}, 1},
        {"CompareStr", {"a", "B"}, 31},
        {"CompareText", {"HeLLo", "hello"}, 0},
        {"CompareText", {"\xE9", "\xC9"}, 32},
        {"AnsiQuotedStr", {"it's", "'"}, "'it''s'"},
        {"QuotedStr", {"o'k"}, "'o''k'"},
        {"Concat", {"a", 1, 2.5}, "a12.5"},
        {"Copy", {"abcdef", 2, 3}, "bcd"},
        {"Copy", {"abcdef", 0, 2}, "ab"},
        {"Copy", {"abcdef", 5, 100}, "ef"},
        {"Copy", {"abcdef", 9, 1}, ""},
        {"Copy", {"abcdef", 2, -1}, ""},
        {"IsDelimiter", {",;", "a;b", 2}, 1},
        {"IsDelimiter", {",;", "a;b", 9}, 0},
        {"LastDelimiter", {"\\.", "c:\\a.b\\c.txt"}, 9},
        {"Length", {"abc"}, 3},
        {"Length", {12.5}, 4},
        {"LowerCase", {"AB\xC9"}, "ab\xC9"},
        {"UpperCase", {"ab\xE9"}, "AB\xE9"},
        {"Pos", {"", "abc"}, 0},
        {"Pos", {"c", "abcc"}, 3},
        {"StringReplace", {"aAaA", "a", "x", 0}, "xAaA"},
        {"StringReplace", {"aAaA", "a", "x", 1}, "xAxA"},
        {"StringReplace", {"aAaA", "a", "x", 3}, "xxxx"},
        {"StringReplace", {"aAaA", "A", "", 2}, "AaA"},
        {"Trim", {" \t ab \r\n"}, "ab"},
        {"TrimLeft", {"  ab "}, "ab "},
        {"TrimRight", {"  ab "}, "  ab"},
        {"Str", {7}, "7"},
        {"Str", {7, 4}, "   7"},
        {"Str", {2.5}, " 2.50000000000000E+0000"},
        {"Str", {-1234.5}, "-1.23450000000000E+0003"},
        {"Str", {2.5, 12}, " 2.500E+0000"},
        {"Str", {2.5, 16}, " 2.5000000E+0000"},
        {"Str", {3.14159, 8, 2}, "    3.14"},
        {"Str", {-3.14159, 0, 3}, "-3.142"},
        {"VarArrayDimCount", {Variant::ArrayOf({1, 2})}, 1},
        {"VarArrayHighBound", {Variant::ArrayOf({1, 2, 3}), 1}, 2},
        {"VarArrayLowBound", {Variant::ArrayCreate({{5, 2}}, varInteger), 1}, 5},
        {"VarType", {Variant("s")}, static_cast<std::int32_t>(varString)},
        {"VarType",
         {Variant::ArrayCreate({{0, 1}}, varDouble)},
         static_cast<std::int32_t>(varArray | varDouble)},
        {"VarIsArray", {Variant::ArrayOf({})}, 1},
        {"VarIsEmpty", {Variant()}, 1},
        {"VarIsNull", {Variant::Null()}, 1},
        {"VarIsNull", {Variant()}, 0},
        {"VarToStr", {Variant::Null()}, ""},
        {"VarAsType", {Variant("12"), static_cast<std::int32_t>(varInteger)}, 12},
    };
    for (const TTextCase& c : cases) {
        const Variant v = CallByName(R, c.Name, c.Args);
        EXPECT_TRUE(VarEquals(v, c.Expected) && v.VType() != varEmpty)
            << c.Name << " gave \"" << v.ToString() << "\", expected \"" << c.Expected.ToString() << "\"";
    }
}

TEST_F(BuildInString, RawRowsWriteTheirVariables) {
    Variant result;
    auto v = Run("AnsiExtractQuotedStr", {"\"a\"\"b\" rest", "\""}, result);
    EXPECT_EQ(result.ToString(), "a\"b");
    EXPECT_EQ(v[0].ToString(), " rest");
    v = Run("AnsiExtractQuotedStr", {"\"open", "\""}, result);
    EXPECT_EQ(result.ToString(), "open");
    EXPECT_EQ(v[0].ToString(), "");
    v = Run("AnsiExtractQuotedStr", {"plain", "\""}, result);
    EXPECT_EQ(result.ToString(), "");
    EXPECT_EQ(v[0].ToString(), "plain");

    result = Variant(99);
    v = Run("Delete", {"abcdef", 2, 3}, result);
    EXPECT_EQ(v[0].ToString(), "aef");
    EXPECT_EQ(result.ToInteger(), 99); // no result
    v = Run("Delete", {"abcdef", 0, 3}, result);
    EXPECT_EQ(v[0].ToString(), "abcdef");
    v = Run("Insert", {"XY", "abc", 2}, result);
    EXPECT_EQ(v[1].ToString(), "aXYbc");
    v = Run("Insert", {"XY", "abc", 10}, result);
    EXPECT_EQ(v[1].ToString(), "abcXY");
    v = Run("SetLength", {"abcdef", 2}, result);
    EXPECT_EQ(v[0].ToString(), "ab");
    v = Run("SetLength", {"ab", 4}, result);
    EXPECT_EQ(v[0].ToString().size(), 4u);
    EXPECT_ENGINE_ERROR(Run("SetLength", {"", 2000000000}, result), EMathParserError, _msgTooLong);
}

TEST_F(BuildInString, VariantRawRows) {
    Variant result(5);
    Run("VarArrayCreate", {0, 3}, result);
    EXPECT_EQ(result.ToInteger(), 5); // too few operands: no array
    Run("VarArrayCreate", {0, 3, 1, 2}, result);
    EXPECT_EQ(result.ToInteger(), 5); // an even count: no array
    Run("VarArrayCreate", {0, 3, 1, 2, static_cast<std::int32_t>(varDouble)}, result);
    ASSERT_TRUE(result.IsArray());
    EXPECT_EQ(result.ArrayDimCount(), 2);
    EXPECT_EQ(result.ArrayHighBound(2), 2);
    EXPECT_EQ(result.ArrayElementType(), varDouble);
    EXPECT_ENGINE_ERROR(Run("VarArrayCreate", {0, 100000, 0, 100000, 12}, result), EMathParserError,
                        _msgTooLong);

    Variant arr = Variant::ArrayOf({1, 2});
    Variant high(5);
    Variant* redim[] = {&arr, &high};
    R.FindFunction("VarArrayRedim")->Call(redim, 2, result);
    EXPECT_EQ(arr.ArrayHighBound(1), 5);

    auto v = Run("VarCast", {Variant(), "2.5", static_cast<std::int32_t>(varDouble)}, result);
    EXPECT_EQ(v[0].VType(), varDouble);
    EXPECT_DOUBLE_EQ(v[0].ToReal(), 2.5);
    v = Run("VarClear", {"x"}, result);
    EXPECT_TRUE(v[0].IsEmpty());
    v = Run("VarCopy", {1, "copied"}, result);
    EXPECT_EQ(v[0].ToString(), "copied");
    EXPECT_EQ(CallByName(R, "VarArrayOf", {1, "b"}).ArrayGet({1}).ToString(), "b");
}

} // namespace
} // namespace skv::engine
