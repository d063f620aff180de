// The date group (dates are day counts since 1899-12-30 with the time as the fraction) and the
// dataset group, which moves and tests the cursor of a dataset given by object reference.
#include "engine/bldfuncs/Bldfuncs.h"
#include "engine/data/Dataaccess.h"

#include <chrono>
#include <cmath>
#include <ctime>

namespace skv::engine {

namespace {

double LocalNow() {
    const auto now = std::chrono::system_clock::now();
    const std::time_t secs = std::chrono::system_clock::to_time_t(now);
    std::tm local{};
    bldfuncs::LocalTime(secs, local);
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    const double date = EncodeDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
    return date + EncodeTime(local.tm_hour, local.tm_min, local.tm_sec, static_cast<int>(ms));
}

double DateOf(const Variant& V) {
    return V.ToDate();
}

void FnDate(PParserOperation Op) {
    *Op->Result = Variant::Date(std::floor(LocalNow()));
}
void FnEncodeDate(PParserOperation Op) {
    *Op->Result =
        Variant::Date(EncodeDate(Op->Arg1->ToInteger(), Op->Arg2->ToInteger(), Op->Arg3->ToInteger()));
}
void FnDayOfWeek(PParserOperation Op) {
    // Day 0 (1899-12-30) was a Saturday; a negative date's day is its whole part (-1.25 is
    // 1899-12-29 06:00). DecodeDate refuses what is no date before the cast.
    const double date = DateOf(*Op->Arg1);
    int y = 0, m = 0, d = 0;
    DecodeDate(date, y, m, d);
    const auto days = static_cast<std::int64_t>(std::trunc(date));
    const std::int64_t mod = ((days % 7) + 7) % 7;
    *Op->Result = Variant(static_cast<std::int32_t>((mod + 6) % 7 + 1));
}
template <int Part> void FnExtract(PParserOperation Op) {
    int y = 0, m = 0, d = 0;
    DecodeDate(DateOf(*Op->Arg1), y, m, d);
    *Op->Result = Variant(Part == 0 ? d : Part == 1 ? m : y);
}
void FnDecodeDate(PParserOperation Op) {
    int y = 0, m = 0, d = 0;
    DecodeDate(DateOf(*Op->Arg1), y, m, d);
    *Op->Args[1] = Variant(y);
    *Op->Args[2] = Variant(m);
    *Op->Args[3] = Variant(d);
}
void FnDecodeTime(PParserOperation Op) {
    int h = 0, n = 0, s = 0, ms = 0;
    DecodeTime(DateOf(*Op->Arg1), h, n, s, ms);
    *Op->Args[1] = Variant(h);
    *Op->Args[2] = Variant(n);
    *Op->Args[3] = Variant(s);
    *Op->Args[4] = Variant(ms);
}
Variant FnEncodeTime(std::int32_t Hour, std::int32_t Min, std::int32_t Sec, std::int32_t MSec) {
    return Variant::Date(EncodeTime(Hour, Min, Sec, MSec));
}
bool IsLeap(std::int32_t Year) {
    return (Year % 4 == 0 && Year % 100 != 0) || Year % 400 == 0;
}
bool FnIsLeapYear(std::int32_t Year) {
    return IsLeap(Year);
}
// The same day in the month NumberOfMonths away, clipped to that month's last day; the time kept.
Variant FnIncMonth(const Variant& Date, std::int32_t NumberOfMonths) {
    const double value = DateOf(Date);
    int y = 0, m = 0, d = 0;
    DecodeDate(value, y, m, d);
    const std::int64_t months = std::int64_t{y} * 12 + (m - 1) + NumberOfMonths;
    const auto year = static_cast<int>(months >= 0 ? months / 12 : (months - 11) / 12);
    const int month = static_cast<int>(months - std::int64_t{year} * 12) + 1;
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const int last = kDays[month - 1] + (month == 2 && IsLeap(year) ? 1 : 0);
    const double time = std::fabs(value - std::trunc(value));
    const double date = EncodeDate(year, month, std::min(d, last));
    return Variant::Date(date >= 0 ? date + time : date - time);
}
Variant FnNow() {
    return Variant::Date(LocalNow());
}
Variant FnTime() {
    const double now = LocalNow();
    return Variant::Date(now - std::floor(now));
}
// A negative date counts its time backwards from the day, hence the signs.
void FnReplaceDate(PParserOperation Op) {
    const double value = DateOf(*Op->Arg1);
    const double date = std::trunc(DateOf(*Op->Arg2));
    const double time = std::fabs(value - std::trunc(value));
    *Op->Arg1 = Variant::Date(date >= 0 ? date + time : date - time);
}
void FnReplaceTime(PParserOperation Op) {
    const double value = DateOf(*Op->Arg1);
    const double t = DateOf(*Op->Arg2);
    const double time = std::fabs(t - std::trunc(t));
    const double date = std::trunc(value);
    *Op->Arg1 = Variant::Date(value >= 0 ? date + time : date - time);
}

// ---- datasets ----

TDataSet* DataSetOf(PParserOperation Op) {
    const Variant& v = *Op->Arg1;
    if (!v.IsOrdinal()) return nullptr;
    return dynamic_cast<TDataSet*>(ContextOf(Op).Objects.ObjectOfValue(v));
}
template <void (TDataSet::*Move)()> void FnMove(PParserOperation Op) {
    if (TDataSet* ds = DataSetOf(Op)) (ds->*Move)();
}
template <bool (TDataSet::*Test)() const> void FnTest(PParserOperation Op) {
    if (TDataSet* ds = DataSetOf(Op)) *Op->Result = Variant(std::int32_t{(ds->*Test)() ? 1 : 0});
}

} // namespace

const TBuildInTable& DateFuncTable() {
    static const TBuildInTable table = {
        RawFunc("DATE", &FnDate, 0, "Returns current date", fct_Date),
        RawFunc("ENCODEDATE", &FnEncodeDate, 3, "Returns Date for the YY, MM, DD", fct_Date),
        RawFunc("DAYOFWEEK", &FnDayOfWeek, 1, "Returns day of the week for the date in D", fct_Date),
        RawFunc("EXTRACTDAY", &FnExtract<0>, 1, "Returns day value of the date in D", fct_Date),
        RawFunc("EXTRACTMONTH", &FnExtract<1>, 1, "Returns month value of the date in D", fct_Date),
        RawFunc("EXTRACTYEAR", &FnExtract<2>, 1, "Returns year value of the date in D", fct_Date),
        RawFunc("DecodeDate", &FnDecodeDate, 4, "Returns Year, Month, and Day values for a TDateTime value",
                fct_Date),
        RawFunc("DecodeTime", &FnDecodeTime, 5,
                "Breaks a TDateTime value into hours, minutes, seconds, and milliseconds", fct_Date),
        TypedFunc<&FnEncodeTime>("EncodeTime", {typeWord, typeWord, typeWord, typeWord}, typeParserType,
                                 "Returns a TDateTime value for a specified Hour, Min, Sec, and MSec",
                                 fct_Date),
        TypedFunc<&FnIncMonth>("IncMonth", {typeParserType, typeInteger}, typeParserType,
                               "Returns a date shifted by a specified number of months", fct_Date),
        TypedFunc<&FnIsLeapYear>("IsLeapYear", {typeWord}, typeBoolean,
                                 "Indicates whether a specified year is a leap year", fct_Date),
        TypedFunc<&FnNow>("Now", {typeVoid}, typeParserType, "Returns the current date and time", fct_Date),
        TypedFunc<&FnTime>("Time", {typeVoid}, typeParserType, "Returns the current time", fct_Date),
        RawFunc("ReplaceDate", &FnReplaceDate, 2,
                "Replaces the date portion of a TDateTime value with a specified date", fct_Date),
        RawFunc("ReplaceTime", &FnReplaceTime, 2,
                "Replaces the time portion of a TDateTime value with a specified time", fct_Date),
    };
    return table;
}

const TBuildInTable& DBFuncTable() {
    static const TBuildInTable table = {
        RawFunc("DOPEN", &FnMove<&TDataSet::Open>, 1, "Opens a specified dataset", fct_DBFunc),
        RawFunc("DCLOSE", &FnMove<&TDataSet::Close>, 1, "Closes a specified dataset", fct_DBFunc),
        RawFunc("DFIRST", &FnMove<&TDataSet::First>, 1, "Goes to the first record in a dataset", fct_DBFunc),
        RawFunc("DLAST", &FnMove<&TDataSet::Last>, 1, "Goes to the last record in a dataset", fct_DBFunc),
        RawFunc("DPRIOR", &FnMove<&TDataSet::Prior>, 1, "Goes to a previous record in a dataset", fct_DBFunc),
        RawFunc("DNEXT", &FnMove<&TDataSet::Next>, 1, "Goes to a next record in a dataset", fct_DBFunc),
        RawFunc("DBOF", &FnTest<&TDataSet::Bof>, 1,
                "Returns True if the cursor is on the first record in a dataset", fct_DBFunc),
        RawFunc("DEOF", &FnTest<&TDataSet::Eof>, 1,
                "Returns True if the cursor is on the last record in a dataset", fct_DBFunc),
    };
    return table;
}

} // namespace skv::engine
