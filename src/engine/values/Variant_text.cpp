// Number and date texts of values, with the engine's decimal separator.
#include "engine/values/Variant.h"

#include "engine/base/Text.h"
#include "stream/Numbertext.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace skv::engine {

namespace {
bool isBlank(char c) {
    return c == ' ' || c == '\t';
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// A number text split into its parts: sign, all mantissa digits, and the power of ten that
// scales them (value = digits * 10^Exponent).
struct TNumberText {
    bool Negative = false;
    std::string Digits;
    std::int64_t Exponent = 0;
};

// Reads [blanks][sign]digits[sep digits][(e|E)[sign]digits][blanks]; at least one mantissa digit.
bool splitNumberText(const std::string& text, TNumberText& out) {
    const char sep = DecimalSeparator();
    std::size_t i = 0, n = text.size();
    while (i < n && isBlank(text[i]))
        ++i;
    while (n > i && isBlank(text[n - 1]))
        --n;
    if (i < n && (text[i] == '+' || text[i] == '-')) out.Negative = text[i++] == '-';
    bool anyDigit = false;
    for (; i < n && isDigit(text[i]); ++i, anyDigit = true)
        out.Digits += text[i];
    if (i < n && text[i] == sep) {
        for (++i; i < n && isDigit(text[i]); ++i, anyDigit = true) {
            out.Digits += text[i];
            --out.Exponent;
        }
    }
    if (!anyDigit) return false;
    if (i < n && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        bool negExp = false;
        if (i < n && (text[i] == '+' || text[i] == '-')) negExp = text[i++] == '-';
        if (i >= n || !isDigit(text[i])) return false;
        std::int64_t e = 0;
        for (; i < n && isDigit(text[i]); ++i)
            e = std::min<std::int64_t>(e * 10 + (text[i] - '0'), 100000); // clamp: beyond is 0 or overflow
        out.Exponent += negExp ? -e : e;
    }
    return i == n;
}

bool parseHex(const std::string& text, double& value) {
    std::size_t i = 0, n = text.size();
    while (i < n && isBlank(text[i]))
        ++i;
    while (n > i && isBlank(text[n - 1]))
        --n;
    if (i >= n || text[i] != '$' || n - i < 2 || n - i > 9) return false;
    std::uint32_t v = 0;
    const auto r = std::from_chars(text.data() + i + 1, text.data() + n, v, 16);
    if (r.ec != std::errc() || r.ptr != text.data() + n) return false;
    value = static_cast<std::int32_t>(v); // "$FFFFFFFF" is -1, as a 32-bit integer
    return true;
}
} // namespace

bool TryStrToFloat(const std::string& text, double& value) {
    if (parseHex(text, value)) return true;
    TNumberText parts;
    if (!splitNumberText(text, parts)) return false;
    std::string canonical = parts.Digits + "e" + std::to_string(parts.Exponent);
    double d = 0;
    const auto r = std::from_chars(canonical.data(), canonical.data() + canonical.size(), d);
    if (r.ec == std::errc::result_out_of_range) {
        // from_chars reports underflow as out of range too: a tiny value reads as zero.
        if (parts.Exponent > 0) return false;
        d = 0;
    } else if (r.ec != std::errc()) {
        return false;
    }
    value = parts.Negative ? -d : d;
    return true;
}

bool TryStrToCurrency(const std::string& text, TCurrency& value) {
    TNumberText parts;
    if (!splitNumberText(text, parts)) return false;
    // Scale to counts of 1/10000 exactly, rounding the dropped digits half to even.
    std::string digits = parts.Digits;
    const std::int64_t shift = parts.Exponent + 4;
    std::string dropped;
    if (shift >= 0) {
        if (shift > 40)
            return digits.find_first_not_of('0') == std::string::npos ? (value = {}, true) : false;
        digits.append(static_cast<std::size_t>(shift), '0');
    } else {
        const std::int64_t keep = static_cast<std::int64_t>(digits.size()) + shift;
        if (keep <= 0) {
            dropped = std::string(static_cast<std::size_t>(std::min<std::int64_t>(-keep, 40)), '0') + digits;
            digits.clear();
        } else {
            dropped = digits.substr(static_cast<std::size_t>(keep));
            digits.resize(static_cast<std::size_t>(keep));
        }
    }
    const std::size_t firstNonZero = digits.find_first_not_of('0');
    digits = firstNonZero == std::string::npos ? std::string() : digits.substr(firstNonZero);
    if (digits.size() > 19) return false;
    unsigned long long count = digits.empty() ? 0 : std::strtoull(digits.c_str(), nullptr, 10);
    if (!dropped.empty() && dropped[0] >= '5') {
        const bool exactHalf = dropped[0] == '5' && dropped.find_first_not_of('0', 1) == std::string::npos;
        if (!exactHalf || (count % 2 != 0)) ++count;
    }
    const unsigned long long limit = parts.Negative ? 9223372036854775808ULL : 9223372036854775807ULL;
    if (count > limit) return false;
    value.Value = parts.Negative ? static_cast<std::int64_t>(0 - count) : static_cast<std::int64_t>(count);
    return true;
}

std::string FloatToStrGeneral(double value) {
    // 15 significant digits, fixed from 0.0001 up to below 1E15.
    return stream::formatGeneral(value, {15, -4, DecimalSeparator()});
}

std::string CurrencyToStr(TCurrency value) {
    const bool negative = value.Value < 0;
    const unsigned long long magnitude = negative ? 0ULL - static_cast<unsigned long long>(value.Value)
                                                  : static_cast<unsigned long long>(value.Value);
    std::string out = negative ? "-" : "";
    out += std::to_string(magnitude / 10000);
    unsigned long long frac = magnitude % 10000;
    if (frac == 0) return out;
    std::string fracDigits = std::to_string(frac);
    fracDigits.insert(0, 4 - fracDigits.size(), '0');
    while (fracDigits.back() == '0')
        fracDigits.pop_back();
    out += DecimalSeparator();
    out += fracDigits;
    return out;
}

// ---- dates ----

namespace {
// Days from 0000-03-01 style civil arithmetic (proleptic Gregorian calendar).
std::int64_t daysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void civilFromDays(std::int64_t z, int& year, int& month, int& day) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t y = static_cast<std::int64_t>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(y + (month <= 2));
}

const std::int64_t kEpoch = daysFromCivil(1899, 12, 30);
constexpr double kMsPerDay = 86400000.0;

bool isLeap(int y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}
int daysInMonth(int y, int m) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && isLeap(y) ? 29 : days[m - 1];
}

// Serial dates outside years 1..9999 have no text and no calendar date.
constexpr double kMinDate = -693593.0; // 0001-01-01
constexpr double kMaxDate = 2958466.0; // 10000-01-01

// Whole days and milliseconds of the time of day; the time counts from midnight also for
// negative serials (-1.25 is 1899-12-29 06:00).
void splitDate(double days, std::int64_t& wholeDays, std::int64_t& ms) {
    if (!(days > kMinDate - 1 && days < kMaxDate)) RaiseVariantError(TVariantError::Overflow);
    wholeDays = static_cast<std::int64_t>(std::trunc(days));
    ms = static_cast<std::int64_t>(std::llround(std::fabs(days - std::trunc(days)) * kMsPerDay));
    if (ms >= static_cast<std::int64_t>(kMsPerDay)) {
        ms = 0;
        wholeDays += days < 0 ? -1 : 1;
    }
}
} // namespace

double EncodeDate(int year, int month, int day) {
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > daysInMonth(year, month))
        RaiseVariantError(TVariantError::InvalidCast);
    return static_cast<double>(daysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) -
                               kEpoch);
}

void DecodeDate(double days, int& year, int& month, int& day) {
    std::int64_t whole = 0, ms = 0;
    splitDate(days, whole, ms);
    civilFromDays(whole + kEpoch, year, month, day);
}

double EncodeTime(int hour, int minute, int second, int msec) {
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 || msec < 0 ||
        msec > 999)
        RaiseVariantError(TVariantError::InvalidCast);
    return (((hour * 60.0 + minute) * 60.0 + second) * 1000.0 + msec) / kMsPerDay;
}

void DecodeTime(double days, int& hour, int& minute, int& second, int& msec) {
    std::int64_t whole = 0, ms = 0;
    splitDate(days, whole, ms);
    msec = static_cast<int>(ms % 1000);
    second = static_cast<int>(ms / 1000 % 60);
    minute = static_cast<int>(ms / 60000 % 60);
    hour = static_cast<int>(ms / 3600000);
}

std::string DateToStr(double days) {
    std::int64_t whole = 0, ms = 0;
    splitDate(days, whole, ms);
    int y = 0, mo = 0, d = 0;
    civilFromDays(whole + kEpoch, y, mo, d);
    const int s = static_cast<int>(ms / 1000);
    char buf[40];
    if (whole == 0 && ms != 0)
        std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", s / 3600, s / 60 % 60, s % 60);
    else if (ms == 0)
        std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", y, mo, d);
    else
        std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", y, mo, d, s / 3600, s / 60 % 60,
                      s % 60);
    return buf;
}

namespace {
// Reads an unsigned number of 1..maxDigits digits at text[i].
bool readField(const std::string& text, std::size_t& i, int maxDigits, int& value) {
    int n = 0;
    value = 0;
    while (i < text.size() && isDigit(text[i]) && n < maxDigits) {
        value = value * 10 + (text[i++] - '0');
        ++n;
    }
    return n > 0;
}

bool readTime(const std::string& text, std::size_t& i, double& time) {
    int h = 0, m = 0, s = 0;
    if (!readField(text, i, 2, h) || i >= text.size() || text[i++] != ':' || !readField(text, i, 2, m))
        return false;
    if (i < text.size() && text[i] == ':') {
        ++i;
        if (!readField(text, i, 2, s)) return false;
    }
    if (h > 23 || m > 59 || s > 59) return false;
    time = EncodeTime(h, m, s, 0);
    return true;
}
} // namespace

bool TryStrToDate(const std::string& raw, double& days) {
    std::size_t b = 0, e = raw.size();
    while (b < e && isBlank(raw[b]))
        ++b;
    while (e > b && isBlank(raw[e - 1]))
        --e;
    const std::string text = raw.substr(b, e - b);
    std::size_t i = 0;
    double time = 0;
    if (text.find('-') == std::string::npos) {
        if (!readTime(text, i, time) || i != text.size()) return false;
        days = time;
        return true;
    }
    int y = 0, m = 0, d = 0;
    if (!readField(text, i, 4, y) || i >= text.size() || text[i++] != '-' || !readField(text, i, 2, m) ||
        i >= text.size() || text[i++] != '-' || !readField(text, i, 2, d))
        return false;
    if (y < 1 || m < 1 || m > 12 || d < 1 || d > daysInMonth(y, m)) return false;
    if (i < text.size()) {
        if (text[i++] != ' ' || !readTime(text, i, time) || i != text.size()) return false;
    }
    const double date = EncodeDate(y, m, d);
    days = date < 0 ? date - time : date + time;
    return true;
}

bool TextToValue(const std::string& Text, Variant& Value) {
    double number = 0;
    if (TryStrToFloat(Text, number)) {
        const bool integral = Text.find(DecimalSeparator()) == std::string::npos &&
                              std::floor(number) == number && std::fabs(number) <= 2147483647.0;
        Value = integral ? Variant(static_cast<std::int32_t>(number)) : Variant(number);
        return true;
    }
    const std::string up = UpStr(Text);
    if (up == "TRUE" || up == "FALSE") {
        Value = Variant(up == "TRUE");
        return true;
    }
    if (HexCheck(Text)) {
        // Up to eight hex digits: the 32-bit pattern, as the integer it denotes.
        const auto bits = static_cast<std::uint32_t>(std::strtoul(Text.c_str() + 1, nullptr, 16));
        Value = Variant(static_cast<std::int32_t>(bits));
        return true;
    }
    Value = Variant(std::int32_t{0});
    return false;
}

} // namespace skv::engine
