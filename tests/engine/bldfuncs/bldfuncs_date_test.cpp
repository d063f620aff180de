// The date group and the dataset group.
#include "engine/bldfuncs/Bldfuncs.h"
#include "engine/data/Dataaccess.h"
#include "engine/exfuncs_test_support.h"

#include <cmath>

namespace skv::engine {
namespace {

using testing::CallByName;

class BuildInDate : public ::testing::Test {
protected:
    std::vector<Variant> Run(const char* Name, std::vector<Variant> Vars) {
        std::vector<Variant*> ptrs;
        for (Variant& v : Vars)
            ptrs.push_back(&v);
        Variant result;
        R.FindFunction(Name)->Call(ptrs.data(), static_cast<std::int32_t>(ptrs.size()), result);
        return Vars;
    }
    TEPRegFuncs R;
};

TEST_F(BuildInDate, CalendarParts) {
    const double d = EncodeDate(2024, 2, 29) + EncodeTime(6, 30, 15, 250);
    const std::vector<std::pair<std::vector<Variant>, std::pair<const char*, double>>> cases = {
        {{2024, 2, 29}, {"ENCODEDATE", EncodeDate(2024, 2, 29)}},
        {{Variant::Date(0)}, {"DAYOFWEEK", 7}},     // 1899-12-30, a Saturday
        {{Variant::Date(1)}, {"DAYOFWEEK", 1}},     // Sunday
        {{Variant::Date(-1)}, {"DAYOFWEEK", 6}},    // Friday, before day 0
        {{Variant::Date(-1.25)}, {"DAYOFWEEK", 6}}, // 06:00 of that Friday
        {{Variant::Date(d)}, {"DAYOFWEEK", 5}},     // Thursday
        {{Variant::Date(d)}, {"EXTRACTDAY", 29}},
        {{Variant::Date(d)}, {"EXTRACTMONTH", 2}},
        {{Variant::Date(d)}, {"EXTRACTYEAR", 2024}},
        {{2000}, {"IsLeapYear", 1}},
        {{1900}, {"IsLeapYear", 0}},
        {{6, 30, 0, 0}, {"EncodeTime", 0.2708333333333333}},
        {{Variant::Date(d), 12}, {"IncMonth", EncodeDate(2025, 2, 28) + EncodeTime(6, 30, 15, 250)}},
        {{Variant::Date(EncodeDate(2024, 1, 31)), 1}, {"IncMonth", EncodeDate(2024, 2, 29)}},
        {{Variant::Date(EncodeDate(2024, 1, 15)), -13}, {"IncMonth", EncodeDate(2022, 12, 15)}},
    };
    for (const auto& [args, expect] : cases)
        EXPECT_NEAR(CallByName(R, expect.first, args).ToReal(), expect.second, 1e-9) << expect.first;
    EXPECT_THROW(CallByName(R, "ENCODEDATE", {2023, 2, 29}), std::exception);
    EXPECT_THROW(CallByName(R, "EncodeTime", {25, 0, 0, 0}), std::exception);
    EXPECT_THROW(CallByName(R, "DAYOFWEEK", {1e300}), std::exception);
}

TEST_F(BuildInDate, DecodeAndReplaceWriteTheirVariables) {
    const Variant d = Variant::Date(EncodeDate(2024, 2, 29) + EncodeTime(6, 30, 15, 250));
    auto v = Run("DecodeDate", {d, 0, 0, 0});
    EXPECT_EQ(v[1].ToInteger(), 2024);
    EXPECT_EQ(v[2].ToInteger(), 2);
    EXPECT_EQ(v[3].ToInteger(), 29);
    v = Run("DecodeTime", {d, 0, 0, 0, 0});
    EXPECT_EQ(v[1].ToInteger(), 6);
    EXPECT_EQ(v[2].ToInteger(), 30);
    EXPECT_EQ(v[3].ToInteger(), 15);
    EXPECT_EQ(v[4].ToInteger(), 250);
    v = Run("ReplaceDate", {d, Variant::Date(EncodeDate(2020, 1, 2) + 0.9)});
    EXPECT_NEAR(v[0].ToDate(), EncodeDate(2020, 1, 2) + EncodeTime(6, 30, 15, 250), 1e-9);
    v = Run("ReplaceTime", {d, Variant::Date(5.75)});
    EXPECT_NEAR(v[0].ToDate(), EncodeDate(2024, 2, 29) + 0.75, 1e-9);
}

TEST_F(BuildInDate, ClockFunctionsAgree) {
    const double now = CallByName(R, "Now", {}).ToDate();
    const double today = CallByName(R, "DATE", {}).ToDate();
    const double time = CallByName(R, "Time", {}).ToDate();
    EXPECT_EQ(today, std::floor(today));
    EXPECT_NEAR(now - today, time, 1.0 / 86400 * 2); // the same clock, read moments apart
    EXPECT_GT(today, EncodeDate(2020, 1, 1));
    EXPECT_EQ(CallByName(R, "Now", {}).VType(), varDate);
}

TEST(BuildInDataSet, CursorFunctionsOnADataSetReference) {
    TEPRegFuncs r;
    TMemDataSet ds;
    ds.AddFieldDef("N");
    ds.AppendRecord({1});
    ds.AppendRecord({2});
    ds.AppendRecord({3});
    const Variant ref = r.Context().Objects.ValueOf(&ds);
    CallByName(r, "DOPEN", {ref});
    EXPECT_TRUE(ds.Active());
    CallByName(r, "DLAST", {ref});
    EXPECT_EQ(ds.RecNo(), 2);
    CallByName(r, "DPRIOR", {ref});
    EXPECT_EQ(ds.RecNo(), 1);
    CallByName(r, "DNEXT", {ref});
    CallByName(r, "DNEXT", {ref});
    EXPECT_EQ(CallByName(r, "DEOF", {ref}).ToInteger(), 1);
    CallByName(r, "DFIRST", {ref});
    EXPECT_EQ(ds.RecNo(), 0);
    EXPECT_EQ(CallByName(r, "DEOF", {ref}).ToInteger(), 0);
    CallByName(r, "DCLOSE", {ref});
    EXPECT_FALSE(ds.Active());
    // Anything that is not a dataset is ignored and leaves the result alone.
    for (const Variant& other : {Variant(987654), Variant("x"), r.Context().Objects.ValueOf(&r)})
        EXPECT_EQ(testing::CallWith(*r.FindFunction("DBOF"), {other}, Variant(-5)).ToInteger(), -5);
}

} // namespace
} // namespace skv::engine
