// The conversion group: number, date and currency texts in both directions, DOS stamps, casts.
#include "engine/bldfuncs/Bldfuncs.h"
#include "engine/exfuncs_test_support.h"

#include <cmath>
#include <limits>

namespace skv::engine {
namespace {

using testing::CallByName;

struct TTextCase {
    const char* Name;
    std::vector<Variant> Args;
    const char* Expected;
};

class BuildInConvert : public ::testing::Test {
protected:
    void ExpectTexts(const std::vector<TTextCase>& Cases) {
        for (const TTextCase& c : Cases) {
            std::string got;
            try {
                got = CallByName(R, c.Name, c.Args).ToString();
            } catch (const std::exception& e) {
                got = std::string("raised: ") + e.what();
            }
            EXPECT_EQ(got, c.Expected)
                << c.Name << "(" << (c.Args.empty() ? "" : c.Args[0].ToString()) << ", ...)";
        }
    }
    static Variant Sample() { // Saturday 2026-03-07 14:05:09.045
        return Variant::Date(EncodeDate(2026, 3, 7) + EncodeTime(14, 5, 9, 45));
    }
    TEPRegFuncs R;
};

TEST_F(BuildInConvert, FloatTexts) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    ExpectTexts({
        {"FloatToStr", {1.5}, "1.5"},
        {"FloatToStr", {-2.25}, "-2.25"},
        {"FloatToStrF", {1234.5, 1, 4, 2}, "1.235E+03"},
        {"FloatToStrF", {-0.000123, 1, 3, 0}, "-1.23E-4"},
        {"FloatToStrF", {1234.5, 2, 6, 2}, "1234.50"},
        {"FloatToStrF", {1.23456789, 2, 3, 5}, "1.23000"},
        {"FloatToStrF", {0.5, 2, 15, 0}, "1"},
        {"FloatToStrF", {-0.001, 2, 15, 2}, "0.00"},
        {"FloatToStrF", {1e20, 2, 15, 2}, "1E20"},
        {"FloatToStrF", {1234567.5, 3, 15, 2}, "1,234,567.50"},
        {"FloatToStrF", {-1234.5, 4, 15, 2}, "-$1,234.50"},
        {"FloatToStrF", {1234.5, 0, 3, 0}, "1.23E3"},
        {"FloatToStrF", {0.0001, 0, 15, 0}, "0.0001"},
        {"FloatToStrF", {0.00001, 0, 15, 0}, "1E-5"},
        {"FloatToStrF", {nan, 2, 15, 2}, "NAN"},
        {"FormatFloat", {"0.00", 1234.567}, "1234.57"},
        {"FormatFloat", {"#,##0.00", 1234567.891}, "1,234,567.89"},
        {"FormatFloat", {"0.##", 1}, "1"},
        {"FormatFloat", {"0.##", 1.5}, "1.5"},
        {"FormatFloat", {"#.##", 0.5}, ".5"},
        {"FormatFloat", {"000", 7}, "007"},
        {"FormatFloat", {"0", 2.5}, "3"},
        {"FormatFloat", {"0", -2.5}, "-3"},
        {"FormatFloat", {"0.0", -0.04}, "0.0"},
        {"FormatFloat", {"0.00;(0.00)", -1.5}, "(1.50)"},
        {"FormatFloat", {"0;neg;zero", 0}, "zero"},
        {"FormatFloat", {"0;;zero", -4}, "-4"},
        {"FormatFloat", {"0.00E+00", 1234.5}, "1.23E+03"},
        {"FormatFloat", {"00.0E-0", 0.000123}, "12.3E-5"},
        {"FormatFloat", {"000-000", 123456}, "123-456"},
        {"FormatFloat", {"\"Total: \"0 'pcs'", 5}, "Total: 5 pcs"},
        {"FormatFloat", {"", 1.5}, "1.5"},
        {"Format", {"%d items", 5}, "5 items"},
        {"Format", {"%5.2f|", 3.14159}, " 3.14|"},
        {"Format", {"%-5s|", "ab"}, "ab   |"},
        {"Format", {"%x %.4x", 255, 255}, "FF 00FF"},
        {"Format", {"%e", 1234.5}, "1.23450000000000E+003"},
        {"Format", {"%g|%n|%m", 0.5, 1234567.5, 2.5}, "0.5|1,234,567.50|$2.50"},
        {"Format", {"%.3d|%u", 7, -1}, "007|4294967295"},
        {"Format", {"%1:s %0:s %s", "a", "b"}, "b a b"},
        {"Format", {"%*d|%.2s", 4, 7, "abcdef"}, "   7|ab"},
        {"Format", {"100%%"}, "100%"},
        {"Format", {"%d", "x"}, "raised: Format '%d' invalid or incompatible with argument"},
        {"Format", {"%d %d", 1}, "raised: No argument for format '%d'"},
        {"Format", {"%q", 1}, "raised: Format '%q' invalid or incompatible with argument"},
        {"FmtLoadStr", {12}, ""},
    });
    // A precision at the cap pads a megabyte of zeros in one go.
    const std::string padded = CallByName(R, "Format", {"%.1000000d|%.1000000u", -7, 7}).ToString();
    EXPECT_EQ(padded.size(), 2000002u);
    EXPECT_EQ(padded.substr(0, 3), "-00");
    EXPECT_EQ(padded.substr(999999, 6), "07|000");
    EXPECT_EQ(padded.back(), '7');
}

TEST_F(BuildInConvert, DateTexts) {
    const Variant d = Sample();
    const Variant midnight = Variant::Date(EncodeDate(2026, 3, 7));
    ExpectTexts({
        {"FormatDateTime", {"yyyy-mm-dd hh:nn:ss.zzz", d}, "2026-03-07 14:05:09.045"},
        {"FormatDateTime", {"d/m/yy", d}, "7-3-26"},
        {"FormatDateTime", {"dddd, mmmm d (ddd mmm)", d}, "Saturday, March 7 (Sat Mar)"},
        {"FormatDateTime", {"h:mm am/pm", d}, "2:05 PM"},
        {"FormatDateTime", {"hh:mm a/p", d}, "02:05 p"},
        {"FormatDateTime", {"h m", d}, "14 5"}, // minutes after the hour, across a blank
        {"FormatDateTime", {"c", d}, "2026-03-07 14:05:09"},
        {"FormatDateTime", {"'day' ddddd t", d}, "day 2026-03-07 14:05"},
        {"FormatDateTime", {"dddddd", d}, "Saturday, March 7, 2026"},
        {"FormatDateTime", {"", midnight}, "2026-03-07"},
        {"DateToStr", {d}, "2026-03-07"},
        {"TimeToStr", {d}, "14:05:09"},
        {"DateTimeToStr", {d}, "2026-03-07 14:05:09"},
        {"DateTimeToStr", {midnight}, "2026-03-07"},
        {"StrToDate", {"2026-13-01"}, "raised: '2026-13-01' is not a valid date"},
    });
    EXPECT_DOUBLE_EQ(CallByName(R, "StrToDateTime", {"2026-03-07 12:00:00"}).ToDate(),
                     EncodeDate(2026, 3, 7) + 0.5);
    EXPECT_DOUBLE_EQ(CallByName(R, "StrToTime", {"2026-03-07 06:00:00"}).ToDate(), 0.25);
    EXPECT_EQ(CallByName(R, "StrToDate", {"2026-03-07 06:00:00"}).VType(), varDate);
    // A long run of one letter is read a token at a time.
    const std::string run =
        CallByName(R, "FormatDateTime", {std::string(600, 'd') + "yyyyyyy", d}).ToString();
    EXPECT_EQ(run, [] {
        std::string expected;
        for (int i = 0; i < 100; ++i)
            expected += "Saturday, March 7, 2026";
        return expected + "2026";
    }());
}

TEST_F(BuildInConvert, NumbersFromTexts) {
    const std::vector<std::pair<std::vector<Variant>, std::int32_t>> ints = {
        {{"$FF"}, 255},
        {{"0x10"}, 16},
        {{" 42 "}, 42},
        {{"-7"}, -7},
        {{"$FFFFFFFF"}, -1},
        {{"-$80000000"}, -2147483647 - 1},
        {{"2147483647"}, 2147483647},
    };
    for (const auto& [args, expected] : ints)
        EXPECT_EQ(CallByName(R, "StrToInt", args).ToInteger(), expected) << args[0].ToString();
    ExpectTexts({
        {"StrToInt", {"abc"}, "raised: 'abc' is not a valid integer value"},
        {"StrToInt", {"2147483648"}, "raised: '2147483648' is not a valid integer value"},
        {"StrToInt", {"-2147483649"}, "raised: '-2147483649' is not a valid integer value"},
        {"StrToInt", {""}, "raised: '' is not a valid integer value"},
        {"StrToIntDef", {"x", 9}, "9"},
        {"StrToFloat", {"2.5"}, "2.5"},
        {"StrToFloat", {"2,5"}, "raised: '2,5' is not a valid floating point value"},
        {"StrToCurr", {"1.23456"}, "1.2346"},
        {"IntToHex", {255, 4}, "00FF"},
        {"IntToHex", {-1, 2}, "FFFFFFFF"},
        {"IntToStr", {-5}, "-5"},
        {"CurrToStr", {Variant::Currency(TCurrency{15000})}, "1.5"},
        {"Extended", {"2.5"}, "2.5"},
        {"Integer", {2.5}, "2"},
        {"Integer", {3.5}, "4"},
        {"FormatMaskText", {"(000) 000-0000;0;_", "5551234567"}, "(555) 123-4567"},
        {"FormatMaskText", {"00/00;1;_", "12/34"}, "12/34"},
        {"FormatMaskText", {"000;0;*", "1"}, "1**"},
        {"FormatMaskText", {">LL<ll", "abCD"}, "ABcd"},
    });
}

TEST_F(BuildInConvert, TextToFloatWritesOnlyOnSuccess) {
    Variant text("2.5"), value(7), kind(0), result;
    Variant* args[] = {&text, &value, &kind};
    R.FindFunction("TextToFloat")->Call(args, 3, result);
    EXPECT_TRUE(result.ToBoolean());
    EXPECT_EQ(value.VType(), varDouble);
    EXPECT_DOUBLE_EQ(value.ToReal(), 2.5);
    text = Variant("1.5");
    kind = Variant(1);
    R.FindFunction("TextToFloat")->Call(args, 3, result);
    EXPECT_EQ(value.VType(), varCurrency);
    text = Variant("abc");
    value = Variant(7);
    R.FindFunction("TextToFloat")->Call(args, 3, result);
    EXPECT_FALSE(result.ToBoolean());
    EXPECT_EQ(value.ToInteger(), 7);
}

TEST_F(BuildInConvert, DosStamps) {
    const Variant d = Variant::Date(EncodeDate(2026, 3, 7) + EncodeTime(14, 5, 9, 0));
    // 2026-03-07: (46 << 9 | 3 << 5 | 7) << 16; 14:05:09 keeps even seconds: 14 << 11 | 5 << 5 | 4.
    const std::int32_t stamp = CallByName(R, "DateTimeToFileDate", {d}).ToInteger();
    EXPECT_EQ(stamp, (23655 << 16) | 28836);
    EXPECT_DOUBLE_EQ(CallByName(R, "FileDateToDateTime", {stamp}).ToDate(),
                     EncodeDate(2026, 3, 7) + EncodeTime(14, 5, 8, 0));
    EXPECT_EQ(CallByName(R, "DateTimeToFileDate", {Variant::Date(EncodeDate(1970, 1, 1))}).ToInteger(), 0);
    // The stamp's seven year bits end with 2107.
    EXPECT_NE(CallByName(R, "DateTimeToFileDate", {Variant::Date(EncodeDate(2107, 12, 31))}).ToInteger(), 0);
    EXPECT_EQ(CallByName(R, "DateTimeToFileDate", {Variant::Date(EncodeDate(2108, 1, 1))}).ToInteger(), 0);
    EXPECT_THROW(CallByName(R, "FileDateToDateTime", {0}), EConvertError);
}

} // namespace
} // namespace skv::engine
