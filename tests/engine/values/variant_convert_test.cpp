// Conversions, number and date texts, arrays and value semantics of Variant.
#include "engine/bldfuncs/Bldfuncs.h"
#include "engine/values/Variant.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <string>

using namespace skv::engine;

TEST(VariantValue, NumbersAreSmallAndCopy) {
    static_assert(sizeof(Variant) <= 16);
    Variant s("text");
    Variant copy = s;
    s = Variant(3);
    EXPECT_EQ(copy.ToString(), "text");
    Variant moved = std::move(copy);
    EXPECT_EQ(moved.ToString(), "text");
    EXPECT_TRUE(copy.IsEmpty()); // NOLINT: a moved-from value is empty by contract
    Variant arr = Variant::ArrayOf({Variant(1), Variant("a")});
    arr = arr.ArrayGet({1}); // assigning a value out of the array itself
    EXPECT_EQ(arr.ToString(), "a");
}

TEST(VariantConvert, ToIntegerRoundsHalfToEven) {
    const std::pair<double, int> rows[] = {{0.5, 0},   {1.5, 2},    {2.5, 2}, {-0.5, 0},
                                           {-1.5, -2}, {2.4999, 2}, {2.6, 3}};
    for (auto [in, out] : rows) {
        SCOPED_TRACE(in);
        EXPECT_EQ(Variant(in).ToInteger(), out);
    }
    EXPECT_EQ(Variant::CurrencyFromDouble(2.5).ToInteger(), 2);
    EXPECT_EQ(Variant::CurrencyFromDouble(3.5).ToInteger(), 4);
    EXPECT_EQ(Variant("7.5").ToInteger(), 8);
    EXPECT_THROW(Variant(2147483647.5).ToInteger(), EVariantError);
    EXPECT_THROW(Variant(std::nan("")).ToInteger(), EVariantError);
    EXPECT_THROW(Variant::Null().ToInteger(), EVariantError);
}

TEST(VariantConvert, CurrencyKeepsFourDecimals) {
    struct Row {
        const char* Text;
        std::int64_t Count;
    };
    const Row rows[] = {
        {"1.23455", 12346},  // half: 5 rounds to even 6
        {"1.23465", 12346},  // half: 6 stays
        {"1.234651", 12347}, // above half
        {"0.00005", 0},      // exact half of the last digit, down to even
        {"-0.00015", -2},
        {"12", 120000},
        {" 1e2 ", 1000000},
        {"1.5e-3", 15},
        {"922337203685477.5807", INT64_MAX},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.Text);
        TCurrency c;
        ASSERT_TRUE(TryStrToCurrency(r.Text, c));
        EXPECT_EQ(c.Value, r.Count);
    }
    TCurrency c;
    EXPECT_FALSE(TryStrToCurrency("922337203685477.5808", c));
    EXPECT_FALSE(TryStrToCurrency("1e30", c));
    EXPECT_FALSE(TryStrToCurrency("1.2.3", c));
    EXPECT_EQ(Variant::CurrencyFromDouble(0.12345).RawCurrency().Value, 1234); // 1234.5 -> even
    EXPECT_EQ(CurrencyToStr(TCurrency{-12340}), "-1.234");
    EXPECT_EQ(CurrencyToStr(TCurrency{INT64_MIN}), "-922337203685477.5808");
    EXPECT_THROW(Variant::CurrencyFromDouble(1e16), EVariantError);
}

TEST(VariantConvert, NumberTexts) {
    const std::pair<double, const char*> rows[] = {
        {0.1, "0.1"},
        {1.5, "1.5"},
        {-2, "-2"},
        {1e15, "1E15"},
        {123456789012345.0, "123456789012345"},
        {0.0001, "0.0001"},
        {0.00001, "1E-5"},
        {1.5e-7, "1.5E-7"},
        {1.0 / 3, "0.333333333333333"},
        {2.0 / 3, "0.666666666666667"},
        {-0.0, "0"},
        {1e300, "1E300"},
    };
    for (auto [value, text] : rows) {
        SCOPED_TRACE(text);
        EXPECT_EQ(FloatToStrGeneral(value), text);
        double back = 0;
        ASSERT_TRUE(TryStrToFloat(text, back));
        EXPECT_NEAR(back, value, std::fabs(value) * 1e-14);
    }
    EXPECT_EQ(Variant::Single(0.1f).ToString(), "0.1");
    double d = 0;
    for (const char* bad : {"", " ", "1e", ".", "1,5", "1.5x", "inf", "nan", "--1", "1e+"})
        EXPECT_FALSE(TryStrToFloat(bad, d)) << bad;
    ASSERT_TRUE(TryStrToFloat("$FF", d));
    EXPECT_EQ(d, 255);
    ASSERT_TRUE(TryStrToFloat(" -.5 ", d));
    EXPECT_EQ(d, -0.5);
    EXPECT_FALSE(TryStrToFloat("1e99999", d));
    ASSERT_TRUE(TryStrToFloat("1e-99999", d));
    EXPECT_EQ(d, 0);
}

TEST(VariantConvert, DecimalSeparatorIsAnEngineSetting) {
    TValueContext comma;
    comma.DecimalSeparator = ',';
    {
        const TValueScope bound(&comma);
        double d = 0;
        EXPECT_TRUE(TryStrToFloat("1,5", d));
        EXPECT_FALSE(TryStrToFloat("1.5", d));
        EXPECT_EQ(Variant(2.25).ToString(), "2,25");
        EXPECT_EQ(VarAdd(Variant("0,5"), Variant(1)).ToReal(), 1.5);
    }
    EXPECT_EQ(Variant(2.25).ToString(), "2.25");
}

// A GUI sets the C locale from the environment; the engine's texts must not follow it.
TEST(VariantConvert, TextsIgnoreTheCLocale) {
    const std::string saved = std::setlocale(LC_ALL, nullptr);
    if (!std::setlocale(LC_ALL, "de_DE.UTF-8")) GTEST_SKIP() << "locale de_DE.UTF-8 is not installed";
    const std::string single = Variant::Single(0.5f).ToString();
    const std::string formatted = fmttext::FormatFloat("0.00", 1234.567);
    double d = 0;
    const bool read = TryStrToFloat("0.25", d);
    std::setlocale(LC_ALL, saved.c_str());
    EXPECT_EQ(single, "0.5");
    EXPECT_EQ(formatted, "1234.57");
    EXPECT_TRUE(read);
    EXPECT_EQ(d, 0.25);
}

TEST(VariantConvert, BooleansAndStrings) {
    EXPECT_EQ(Variant(true).ToInteger(), -1);
    EXPECT_EQ(Variant(true).ToString(), "True");
    EXPECT_TRUE(Variant(" TRUE ").ToBoolean());
    EXPECT_FALSE(Variant("false").ToBoolean());
    EXPECT_TRUE(Variant("2").ToBoolean());
    EXPECT_FALSE(Variant(0.0).ToBoolean());
    EXPECT_THROW(Variant("maybe").ToBoolean(), EVariantError);
    EXPECT_EQ(Variant().ToString(), "");
    EXPECT_EQ(Variant().ToReal(), 0.0);
}

TEST(VariantConvert, VarAsTypeRows) {
    struct Row {
        Variant In;
        TVarType To;
        std::string Text;
    };
    const Row rows[] = {
        {Variant(2.5), varInteger, "2"},
        {Variant("300"), varSmallint, "300"},
        {Variant(255), varByte, "255"},
        {Variant(1), varBoolean, "True"},
        {Variant(0.25), varCurrency, "0.25"},
        {Variant(1.5), varString, "1.5"},
        {Variant("2000-01-02 03:04:05"), varDate, "2000-01-02 03:04:05"},
        {Variant(36526.0), varDate, "2000-01-01"},
        {Variant::Null(), varNull, ""},
        {Variant(7), varEmpty, ""},
        {Variant(), varInteger, "0"},
        {Variant(0.1), varSingle, "0.1"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.Text);
        const Variant v = VarAsType(r.In, r.To);
        EXPECT_EQ(v.VType(), r.To);
        EXPECT_EQ(v.ToString(), r.Text);
    }
    EXPECT_THROW(VarAsType(Variant(256), varByte), EVariantError);
    EXPECT_THROW(VarAsType(Variant(-1), varByte), EVariantError);
    EXPECT_THROW(VarAsType(Variant(1e39), varSingle), EVariantError);
    EXPECT_THROW(VarAsType(Variant::Null(), varInteger), EVariantError);
    EXPECT_THROW(VarAsType(Variant(1), 99), EVariantError);
    EXPECT_THROW(VarAsType(Variant(1), varDispatch), EVariantError);
}

TEST(VariantDate, EncodeDecodeAndTexts) {
    EXPECT_EQ(EncodeDate(1899, 12, 30), 0);
    EXPECT_EQ(EncodeDate(1900, 3, 1), 61);
    EXPECT_EQ(EncodeDate(2000, 1, 1), 36526);
    EXPECT_THROW(EncodeDate(2001, 2, 29), EVariantError);
    int y, m, d, h, n, s, ms;
    DecodeDate(-1.25, y, m, d);
    DecodeTime(-1.25, h, n, s, ms);
    EXPECT_EQ(std::make_tuple(y, m, d, h, n), std::make_tuple(1899, 12, 29, 6, 0));
    EXPECT_EQ(DateToStr(36526.5), "2000-01-01 12:00:00");
    EXPECT_EQ(DateToStr(0.999999999), "1899-12-31"); // rounds to the next midnight
    EXPECT_THROW(DateToStr(1e10), EVariantError);
    double days = 0;
    for (const char* bad : {"2000-13-01", "2000-02-30", "25:00", "2000-01-01 x", "", "-"})
        EXPECT_FALSE(TryStrToDate(bad, days)) << bad;
}

TEST(VariantArray, CreateBoundsAndElements) {
    Variant a = Variant::ArrayCreate({{1, 3}, {-1, 2}}, varInteger);
    EXPECT_EQ(a.VType(), varArray | varInteger);
    EXPECT_EQ(a.ArrayDimCount(), 2);
    EXPECT_EQ(a.ArrayLowBound(1), 1);
    EXPECT_EQ(a.ArrayHighBound(1), 3);
    EXPECT_EQ(a.ArrayHighBound(2), 0);
    EXPECT_EQ(a.ArrayGet({2, 0}).VType(), varInteger); // new elements are zeros of the type
    a.ArraySet({3, -1}, Variant("42"));
    EXPECT_EQ(a.ArrayGet({3, -1}).VType(), varInteger);
    EXPECT_EQ(a.ArrayGet({3, -1}).ToInteger(), 42);
    EXPECT_EQ(a.ArrayGet({1, -1}).ToInteger(), 0);
    for (auto idx : std::vector<std::vector<std::int32_t>>{{0, 0}, {4, 0}, {1, 1}, {1}, {1, 0, 0}})
        EXPECT_THROW(a.ArrayGet(idx), EVariantError);
    EXPECT_THROW(a.ArrayHighBound(3), EVariantError);
    EXPECT_THROW(a.ArraySet({1, 0}, Variant("x")), EVariantError);

    a.ArrayRedim(2); // last dimension -1..2 keeps existing elements
    EXPECT_EQ(a.ArrayHighBound(2), 2);
    EXPECT_EQ(a.ArrayGet({3, -1}).ToInteger(), 42);
    EXPECT_EQ(a.ArrayElementCount(), 12);
    a.ArrayLock();
    EXPECT_THROW(a.ArrayRedim(5), EVariantError);
    a.ArrayUnlock();
    a.ArrayRedim(-1);
    EXPECT_EQ(a.ArrayElementCount(), 3);

    Variant copy = a; // arrays copy by value
    copy.ArraySet({1, -1}, Variant(9));
    EXPECT_EQ(a.ArrayGet({1, -1}).ToInteger(), 0);

    const Variant strings = VarAsType(a, varArray | varString);
    EXPECT_EQ(strings.ArrayGet({3, -1}).ToString(), "42");
    EXPECT_THROW(Variant::ArrayCreate({{0, -1}}, varInteger), EVariantError);
    EXPECT_THROW(Variant::ArrayCreate({{0, 100000}, {0, 100000}}, varInteger), EVariantError);
    EXPECT_THROW(Variant::ArrayCreate({{0, 1}}, varNull), EVariantError);
    EXPECT_THROW(Variant(1).ArrayDimCount() == 0 ? Variant(1).ArrayLowBound(1) : 0, EVariantError);
}

// What texts and arrays hold is counted in the bound value context, and a value that would take it
// past the cap is refused before it is kept; everything given back brings the count to where it was.
TEST(VariantMemory, TextsAndArraysAreCountedAndCapped) {
    TValueContext context;
    const TValueScope bound(&context);
    const auto HeldValueBytes = [&context] { return context.HeldBytes(); };
    const std::int64_t base = HeldValueBytes();
    {
        const Variant text(std::string(1000, 'x'));
        Variant arr = Variant::ArrayCreate({{0, 100}}, varVariant);
        const std::int64_t made = HeldValueBytes() - base;
        EXPECT_GE(made, 1000 + 100 * std::int64_t{sizeof(Variant)});
        Variant copy = arr;
        copy.ArraySet({5}, text);
        EXPECT_GE(HeldValueBytes() - base, 2 * made);
        const std::int64_t beforeRedim = HeldValueBytes();
        copy.ArrayRedim(10099);
        EXPECT_GE(HeldValueBytes() - beforeRedim, 10000 * std::int64_t{sizeof(Variant)});
        copy.ArrayRedim(9);
        EXPECT_LT(HeldValueBytes(), beforeRedim);
        EXPECT_EQ(copy.ArrayGet({5}).ToString(), text.ToString());
    }
    EXPECT_EQ(HeldValueBytes(), base);

    const auto refused = [](auto&& make) {
        try {
            make();
        } catch (const std::exception& e) {
            return std::string(e.what()) == "Out of memory for texts and arrays";
        }
        return false;
    };
    {
        Variant pile = Variant::ArrayCreate({{0, 64}}, varVariant);
        const std::string chunk(std::size_t{16} << 20, 'x');
        int kept = 0;
        EXPECT_TRUE(refused([&] {
            for (; kept < 64; ++kept)
                pile.ArraySet({kept}, Variant(chunk));
        }));
        EXPECT_GE(kept, 13);
        EXPECT_LE(kept, 16);
        EXPECT_LE(HeldValueBytes(), kMaxHeldValueBytes);
        EXPECT_TRUE(refused([&] { const Variant copy = pile; }));
        EXPECT_TRUE(refused([] { Variant::ArrayCreate({{0, 1 << 24}}, varDouble); }));
        EXPECT_TRUE(refused([&] { pile.ArrayRedim(1 << 24); }));
        EXPECT_EQ(pile.ArrayHighBound(1), 63); // a refused redim leaves the array
        EXPECT_EQ(pile.ArrayGet({0}).RawString().size(), chunk.size());
    }
    EXPECT_EQ(HeldValueBytes(), base);
}

TEST(VariantDispatch, SharesTheObject) {
    struct Obj : TDispatchObject {
        std::string ClassName() const override { return "Thing"; }
    };
    auto obj = std::make_shared<Obj>();
    {
        Variant v = Variant::Dispatch(obj);
        Variant w = v;
        EXPECT_EQ(obj.use_count(), 3);
        EXPECT_EQ(w.RawDispatch()->ClassName(), "Thing");
        EXPECT_THROW(VarAdd(v, Variant(1)), EVariantError);
    }
    EXPECT_EQ(obj.use_count(), 1);
}
