// Number and date texts of the conversion functions.
//
// The rules chosen (the engine's decimal separator, "." in Skyvane; thousands separator ",";
// at most 15 significant digits, which is what a double carries):
// - FloatToStrF(Value, Format, Precision, Digits), Format 0..4:
//   0 general: the shortest text of at most Precision significant digits; fixed notation when the
//     decimal exponent E (Value = d.ddd x 10^E) satisfies -5 < E < Precision, else "1.5E-7" form
//     (exponent sign only when negative, at least Digits exponent digits);
//   1 exponent: "-d.dddE+dd": Precision significant digits, the exponent always signed and at
//     least Digits (0..4) digits long;
//   2 fixed, 3 number, 4 currency: the value rounded to Precision significant digits, shown with
//     Digits decimals; number and currency group thousands with ","; currency puts "$" before the
//     digits ("-$1,234.50" when negative); when E >= Precision the general exponent form is used.
//   NaN and infinities are "NAN", "INF" and "-INF" in every format.
// - FormatFloat(Format, Value): up to three sections separated by ";" (positive; negative; zero;
//   an empty or missing section falls back to the first, and the negative section shows no sign);
//   "0" a digit always shown, "#" a digit shown when significant, the first "." the decimal
//   point, "," anywhere in the integer part turns on thousands grouping, "E+", "E-", "e+", "e-"
//   followed by "0"s an exponent (always signed / signed only when negative, as many digits as
//   "0"s), text in single or double quotes and every other character as it is. Integer digits
//   fill the integer placeholders from the right (extra digits go to the first one). An empty
//   format gives FloatToStr's text; a negative value that rounds to zero loses its sign.
// - FormatDateTime(Format, DateTime), case-blind: c (short date, then the long time unless it is
//   midnight), d dd ddd dddd (day; "Sun".."Sat"; "Sunday".."Saturday"), ddddd (short date
//   yyyy-mm-dd), dddddd (long date "dddd, mmmm d, yyyy"), m mm mmm mmmm (month; "Jan"; "January";
//   m/mm right after an hour means minutes), yy yyyy, h hh, n nn, s ss, z zzz, t (hh:nn),
//   tt (hh:nn:ss), am/pm a/p ampm (12-hour clock for the hours before them, "AM"/"PM"), "/" the
//   date separator "-", ":" the time separator, quoted text as it is. An empty format is "c".
// - Format(Format, Args...): "%" [index ":"] ["-"] [width] ["." precision] type, "*" taking a
//   number from the arguments, "%%" a percent sign. d (integer, precision = minimum digits), u
//   (unsigned), e ("d.ddd...E+ddd", precision digits, default 15), f (fixed, precision decimals,
//   default 2), g (general, precision significant digits, default 15), n (as f with thousands
//   groups), m (currency with precision decimals, default 2), p (the value as 8 hex digits),
//   s (text, precision = maximum length), x (upper-case hex, precision = minimum digits). Width
//   pads with blanks on the left, on the right with "-". A missing argument or one of the wrong
//   kind raises a conversion error naming the placeholder.
// - Str(X), Str(X, Width), Str(X, Width, Decimals): ordinal values as decimal integers; other
//   numbers without decimals in the exponent form " d.ddddddddddddddE+dddd" (a blank or "-" for
//   the sign, 15 significant digits without a width, as many as fit a width), with decimals in
//   fixed notation; the text is right-aligned in Width.
#include "engine/base/Checkpoint.h"
#include "engine/base/Errors.h"
#include "engine/base/Messages.h"
#include "engine/base/Text.h"
#include "engine/bldfuncs/Bldfuncs.h"
#include "stream/Numbertext.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace skv::engine::fmttext {

namespace {

constexpr int kMaxDigits = 15;

// The value's significant digits (rounded to Precision, trailing zeros removed) and its decimal
// exponent: Value = 0.d1d2d3... x 10^(Exponent + 1), i.e. d1.d2d3... x 10^Exponent.
struct TDigits {
    std::string Digits; // "0" for zero
    int Exponent = 0;
    bool Negative = false;
};

// Rounds the decimal text Int.Frac to Decimals decimals, halves away from zero (the digits come
// from the exact binary value, so a tie is a true tie).
void RoundDecimal(std::string& Int, std::string& Frac, int Decimals) {
    const auto n = static_cast<std::size_t>(Decimals);
    if (Frac.size() <= n) {
        Frac.append(n - Frac.size(), '0');
        return;
    }
    const bool up = Frac[n] >= '5';
    Frac.resize(n);
    if (!up) return;
    for (std::size_t i = n; i-- > 0;) {
        if (Frac[i] != '9') {
            ++Frac[i];
            return;
        }
        Frac[i] = '0';
    }
    for (std::size_t i = Int.size(); i-- > 0;) {
        if (Int[i] != '9') {
            ++Int[i];
            return;
        }
        Int[i] = '0';
    }
    Int.insert(Int.begin(), '1');
}

// The decimal digits of |Value| with 40 decimals (beyond every rounding place used here).
void ExactParts(double Value, std::string& Int, std::string& Frac) {
    const std::string text = stream::toChars(std::fabs(Value), std::chars_format::fixed, 40);
    const std::size_t dot = text.find('.');
    Int = text.substr(0, dot);
    Frac = dot == std::string::npos ? std::string() : text.substr(dot + 1);
}

TDigits DigitsOf(double Value, int Precision) {
    TDigits r;
    r.Negative = std::signbit(Value) && Value != 0;
    if (Value == 0) {
        r.Digits = "0";
        return r;
    }
    const std::string text = stream::toChars(std::fabs(Value), std::chars_format::scientific, 40);
    const std::size_t e = text.find('e');
    std::string intPart = text.substr(0, 1);
    std::string frac = text.substr(2, e - 2);
    r.Exponent = std::atoi(text.c_str() + e + 1);
    RoundDecimal(intPart, frac, Precision - 1);
    if (intPart.size() > 1) { // 9.99 became 10.0
        ++r.Exponent;
        frac = intPart.substr(1) + frac;
        intPart.resize(1);
        frac.resize(static_cast<std::size_t>(Precision - 1));
    }
    r.Digits = intPart + frac;
    while (r.Digits.size() > 1 && r.Digits.back() == '0')
        r.Digits.pop_back();
    return r;
}

std::string DecimalPoint() {
    return std::string(1, DecimalSeparator());
}

std::string ExponentText(int Exponent, bool AlwaysSign, int MinDigits) {
    std::string digits = std::to_string(std::abs(Exponent));
    while (static_cast<int>(digits.size()) < MinDigits)
        digits.insert(digits.begin(), '0');
    std::string r = "E";
    if (Exponent < 0)
        r += '-';
    else if (AlwaysSign)
        r += '+';
    return r + digits;
}

bool NonFinite(double Value, std::string& Text) {
    if (std::isnan(Value))
        Text = "NAN";
    else if (std::isinf(Value))
        Text = Value < 0 ? "-INF" : "INF";
    else
        return false;
    return true;
}

// d.ddd with exactly Count significant digits (padded with zeros).
std::string Mantissa(const TDigits& D, int Count, bool TrimZeros) {
    std::string digits = D.Digits;
    if (!TrimZeros)
        while (static_cast<int>(digits.size()) < Count)
            digits += '0';
    std::string r(1, digits[0]);
    if (digits.size() > 1) r += DecimalPoint() + digits.substr(1);
    return r;
}

std::string GroupThousands(const std::string& IntDigits) {
    std::string r;
    const std::size_t n = IntDigits.size();
    for (std::size_t i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0) r += ',';
        r += IntDigits[i];
    }
    return r;
}

// Fixed notation of |Value| with Decimals decimals (after rounding to Precision digits).
void FixedParts(double Value, int Precision, int Decimals, std::string& IntPart, std::string& FracPart) {
    const TDigits d = DigitsOf(Value, Precision);
    if (d.Exponent >= 0) {
        const auto intLen = static_cast<std::size_t>(d.Exponent + 1);
        std::string digits = d.Digits;
        if (digits.size() < intLen) digits.append(intLen - digits.size(), '0');
        IntPart = digits.substr(0, intLen);
        FracPart = digits.substr(intLen);
    } else {
        IntPart = "0";
        FracPart =
            std::string(static_cast<std::size_t>(-d.Exponent - 1), '0') + (d.Digits == "0" ? "" : d.Digits);
    }
    RoundDecimal(IntPart, FracPart, Decimals);
}

std::string GeneralText(double Value, int Precision, int ExpDigits) {
    const TDigits d = DigitsOf(Value, Precision);
    std::string sign = d.Negative ? "-" : "";
    if (d.Digits == "0") return "0";
    if (d.Exponent > -5 && d.Exponent < Precision) {
        std::string r;
        if (d.Exponent < 0) {
            r = "0" + DecimalPoint() + std::string(static_cast<std::size_t>(-d.Exponent - 1), '0') + d.Digits;
        } else {
            const auto intLen = static_cast<std::size_t>(d.Exponent + 1);
            std::string digits = d.Digits;
            if (digits.size() < intLen) digits.append(intLen - digits.size(), '0');
            r = digits.substr(0, intLen);
            if (digits.size() > intLen) r += DecimalPoint() + digits.substr(intLen);
        }
        return sign + r;
    }
    return sign + Mantissa(d, Precision, true) + ExponentText(d.Exponent, false, ExpDigits);
}

int Clamp(int V, int Lo, int Hi) {
    return V < Lo ? Lo : V > Hi ? Hi : V;
}

} // namespace

std::string FloatToStrF(double Value, std::int32_t Format, std::int32_t Precision, std::int32_t Digits) {
    std::string special;
    if (NonFinite(Value, special)) return special;
    const int precision = Clamp(Precision, 1, kMaxDigits);
    const int digits = Clamp(Digits, 0, 18);
    switch (Format) {
    case ffExponent: {
        const TDigits d = DigitsOf(Value, precision);
        return (d.Negative ? "-" : "") + Mantissa(d, precision, false) +
               ExponentText(d.Exponent, true, std::min(digits, 4));
    }
    case ffFixed:
    case ffNumber:
    case ffCurrency: {
        const TDigits d = DigitsOf(Value, precision);
        if (d.Exponent >= precision) return GeneralText(Value, precision, 0);
        std::string intPart, fracPart;
        FixedParts(std::fabs(Value), precision, digits, intPart, fracPart);
        if (Format != ffFixed) intPart = GroupThousands(intPart);
        std::string r = intPart + (fracPart.empty() ? "" : DecimalPoint() + fracPart);
        if (Format == ffCurrency) r = "$" + r;
        const bool zero = (intPart + fracPart).find_first_not_of("0,") == std::string::npos;
        return (d.Negative && !zero ? "-" : "") + r;
    }
    default:
        return GeneralText(Value, precision, digits);
    }
}

// ---------------------------------------------------------------------------------------------
// FormatFloat

namespace {

std::vector<std::string> SplitSections(const std::string& Format) {
    std::vector<std::string> sections(1);
    char quote = 0;
    for (char c : Format) {
        if (quote) {
            if (c == quote) quote = 0;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == ';') {
            sections.emplace_back();
            continue;
        }
        sections.back() += c;
    }
    return sections;
}

struct TPicture {
    int IntZeros = 0;  // integer placeholders from the first "0" on
    int IntPlaces = 0; // all integer placeholders
    int FracMin = 0;   // "0"s after the point
    int FracMax = 0;   // placeholders after the point
    bool Thousands = false;
    bool Scientific = false;
    bool ExpAlwaysSign = false;
    int ExpDigits = 0;
};

bool IsExponentAt(const std::string& S, std::size_t I) {
    return (S[I] == 'E' || S[I] == 'e') && I + 1 < S.size() && (S[I + 1] == '+' || S[I + 1] == '-');
}

TPicture Analyse(const std::string& S) {
    TPicture p;
    bool afterPoint = false;
    bool seenZero = false;
    for (std::size_t i = 0; i < S.size(); ++i) {
        const char c = S[i];
        if (c == '"' || c == '\'') {
            const std::size_t end = S.find(c, i + 1);
            i = end == std::string::npos ? S.size() : end;
        } else if (c == '0' || c == '#') {
            if (afterPoint) {
                if (p.FracMax == 30) continue; // more decimals than a double has
                ++p.FracMax;
                if (c == '0') p.FracMin = p.FracMax;
            } else {
                ++p.IntPlaces;
                if (c == '0') seenZero = true;
                if (seenZero) ++p.IntZeros;
            }
        } else if (c == '.' && !afterPoint) {
            afterPoint = true;
        } else if (c == ',' && !afterPoint) {
            p.Thousands = true;
        } else if (IsExponentAt(S, i) && !p.Scientific) {
            p.Scientific = true;
            p.ExpAlwaysSign = S[i + 1] == '+';
            i += 2;
            while (i < S.size() && S[i] == '0') {
                ++p.ExpDigits;
                ++i;
            }
            --i;
        }
    }
    return p;
}

// Writes the section with the digits in their places.
std::string Render(const std::string& S, const TPicture& P, const std::string& IntDigits,
                   const std::string& FracDigits, int Exponent, bool Negative) {
    std::string out = Negative ? "-" : "";
    int intPlace = 0;     // integer placeholders seen
    std::size_t next = 0; // next integer digit to write
    const int extra = static_cast<int>(IntDigits.size()) - P.IntPlaces;
    std::size_t frac = 0;
    bool afterPoint = false;
    bool expDone = false;
    auto emitInt = [&](std::size_t Count) {
        for (std::size_t k = 0; k < Count && next < IntDigits.size(); ++k, ++next) {
            out += IntDigits[next];
            const std::size_t fromRight = IntDigits.size() - next - 1;
            if (P.Thousands && fromRight > 0 && fromRight % 3 == 0) out += ',';
        }
    };
    for (std::size_t i = 0; i < S.size(); ++i) {
        const char c = S[i];
        if (c == '"' || c == '\'') {
            const std::size_t end = S.find(c, i + 1);
            out += S.substr(i + 1, (end == std::string::npos ? S.size() : end) - i - 1);
            i = end == std::string::npos ? S.size() : end;
        } else if ((c == '0' || c == '#') && !afterPoint) {
            ++intPlace;
            // The first placeholder takes the digits no placeholder is left for; each later one
            // takes one digit when the digits reach that far.
            const int slotFromRight = P.IntPlaces - intPlace; // 0 for the last placeholder
            if (intPlace == 1 && extra > 0) emitInt(static_cast<std::size_t>(extra));
            if (static_cast<int>(IntDigits.size()) > slotFromRight) emitInt(1);
        } else if ((c == '0' || c == '#') && afterPoint) {
            if (frac < FracDigits.size()) out += FracDigits[frac++];
        } else if (c == '.' && !afterPoint) {
            afterPoint = true;
            if (!FracDigits.empty()) out += DecimalPoint();
        } else if (c == ',') {
            continue;
        } else if (IsExponentAt(S, i) && !expDone) {
            expDone = true;
            out += ExponentText(Exponent, P.ExpAlwaysSign, P.ExpDigits).replace(0, 1, 1, c);
            i += 1 + static_cast<std::size_t>(P.ExpDigits);
        } else {
            out += c;
        }
    }
    return out;
}

std::string FormatSection(const std::string& S, double Value, bool ShowSign) {
    const TPicture p = Analyse(S);
    if (p.IntPlaces == 0 && p.FracMax == 0 && !p.Scientific) return Render(S, p, "", "", 0, false);
    const double v = std::fabs(Value);
    int exponent = 0;
    std::string intDigits, fracDigits;
    if (p.Scientific) {
        const int intCount = std::max(p.IntPlaces, 1);
        const TDigits d = DigitsOf(v, std::min(intCount + p.FracMax, kMaxDigits));
        std::string digits = d.Digits == "0" ? std::string() : d.Digits;
        digits.resize(static_cast<std::size_t>(intCount + p.FracMax), '0');
        exponent = d.Digits == "0" ? 0 : d.Exponent - (intCount - 1);
        intDigits = digits.substr(0, static_cast<std::size_t>(intCount));
        fracDigits = digits.substr(static_cast<std::size_t>(intCount));
        intDigits.erase(0, std::min(intDigits.find_first_not_of('0'), intDigits.size() - 1));
    } else {
        ExactParts(v, intDigits, fracDigits);
        RoundDecimal(intDigits, fracDigits, p.FracMax);
    }
    while (static_cast<int>(fracDigits.size()) > p.FracMin && !fracDigits.empty() && fracDigits.back() == '0')
        fracDigits.pop_back();
    if (intDigits == "0") intDigits.clear();
    while (static_cast<int>(intDigits.size()) < p.IntZeros)
        intDigits.insert(intDigits.begin(), '0');
    const bool allZero = (intDigits + fracDigits).find_first_not_of('0') == std::string::npos;
    return Render(S, p, intDigits, fracDigits, exponent, ShowSign && Value < 0 && !allZero);
}

} // namespace

std::string FormatFloat(const std::string& Format, double Value) {
    std::string special;
    if (NonFinite(Value, special)) return special;
    if (Format.empty()) return FloatToStrGeneral(Value);
    const std::vector<std::string> sections = SplitSections(Format);
    auto section = [&](std::size_t I) -> const std::string& {
        return I < sections.size() && !sections[I].empty() ? sections[I] : sections[0];
    };
    if (Value < 0 && sections.size() > 1 && !sections[1].empty())
        return FormatSection(section(1), Value, false);
    if (Value == 0 && sections.size() > 2 && !sections[2].empty())
        return FormatSection(section(2), Value, false);
    return FormatSection(sections[0], Value, true);
}

// ---------------------------------------------------------------------------------------------
// Dates

namespace {

constexpr const char* kShortDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr const char* kLongDays[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                     "Thursday", "Friday", "Saturday"};
constexpr const char* kShortMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
constexpr const char* kLongMonths[] = {"January", "February", "March",     "April",   "May",      "June",
                                       "July",    "August",   "September", "October", "November", "December"};

std::string Two(int V) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d", V);
    return buf;
}

struct TDateParts {
    int Year = 0, Month = 0, Day = 0, Hour = 0, Minute = 0, Second = 0, MSec = 0, WeekDay = 0;
};

TDateParts PartsOf(double Days) {
    TDateParts p;
    DecodeDate(Days, p.Year, p.Month, p.Day);
    DecodeTime(Days, p.Hour, p.Minute, p.Second, p.MSec);
    const auto whole = static_cast<std::int64_t>(std::trunc(Days)); // in range: DecodeDate checked it
    p.WeekDay = static_cast<int>((((whole % 7) + 7) % 7 + 6) % 7);  // 0 Sunday; day 0 was a Saturday
    return p;
}

bool StartsWithCI(const std::string& S, std::size_t I, const char* Word) {
    for (std::size_t k = 0; Word[k]; ++k) {
        if (I + k >= S.size()) return false;
        if (UpCyr(S[I + k]) != UpCyr(Word[k])) return false;
    }
    return true;
}

// The length of the run of one letter at I, counted up to Limit: the tokens that take only part of
// a run must not count all of it at every step, which made a long run quadratic.
std::size_t RunLength(const std::string& S, std::size_t I, std::size_t Limit) {
    const char c = UpCyr(S[I]);
    std::size_t n = 1;
    while (n < Limit && I + n < S.size() && UpCyr(S[I + n]) == c)
        ++n;
    return n;
}

// The longest date or time text made; a format that would make more fails.
constexpr std::size_t kMaxDateText = std::size_t{64} << 20;

// Whether an am/pm marker follows, which makes the hours before it count to 12.
bool HasAmPm(const std::string& S) {
    for (std::size_t i = 0; i < S.size(); ++i)
        if (StartsWithCI(S, i, "am/pm") || StartsWithCI(S, i, "a/p") || StartsWithCI(S, i, "ampm"))
            return true;
    return false;
}

void FormatInto(std::string& Out, const std::string& S, const TDateParts& P, double Days, int Depth);

void AppendToken(std::string& Out, const std::string& S, std::size_t& I, const TDateParts& P, double Days,
                 bool& LastWasHour, bool TwelveHour, int Depth) {
    const char c = UpCyr(S[I]);
    // Only a run of Y is taken whole; no other token looks further than six letters.
    const std::size_t run = RunLength(S, I, c == 'Y' ? S.size() : 6);
    bool hour = false;
    switch (c) {
    case 'C':
        FormatInto(Out, (P.Hour || P.Minute || P.Second) ? "ddddd tt" : "ddddd", P, Days, Depth + 1);
        I += 1;
        break;
    case 'D':
        if (run >= 6)
            FormatInto(Out, "dddd, mmmm d, yyyy", P, Days, Depth + 1), I += 6;
        else if (run == 5)
            FormatInto(Out, "yyyy-mm-dd", P, Days, Depth + 1), I += 5;
        else if (run == 4)
            Out += kLongDays[P.WeekDay], I += 4;
        else if (run == 3)
            Out += kShortDays[P.WeekDay], I += 3;
        else if (run == 2)
            Out += Two(P.Day), I += 2;
        else
            Out += std::to_string(P.Day), I += 1;
        break;
    case 'M':
        if (LastWasHour && run <= 2) {
            Out += run == 2 ? Two(P.Minute) : std::to_string(P.Minute);
            I += run;
        } else if (run >= 4)
            Out += kLongMonths[P.Month - 1], I += 4;
        else if (run == 3)
            Out += kShortMonths[P.Month - 1], I += 3;
        else if (run == 2)
            Out += Two(P.Month), I += 2;
        else
            Out += std::to_string(P.Month), I += 1;
        break;
    case 'Y':
        if (run >= 3) {
            char buf[16];
            std::snprintf(buf, sizeof buf, "%04d", P.Year);
            Out += buf;
        } else {
            Out += Two(P.Year % 100);
        }
        I += run;
        break;
    case 'H': {
        int h = P.Hour;
        if (TwelveHour) h = h % 12 == 0 ? 12 : h % 12;
        Out += run >= 2 ? Two(h) : std::to_string(h);
        I += std::min<std::size_t>(run, 2);
        hour = true;
        break;
    }
    case 'N':
        Out += run >= 2 ? Two(P.Minute) : std::to_string(P.Minute);
        I += std::min<std::size_t>(run, 2);
        break;
    case 'S':
        Out += run >= 2 ? Two(P.Second) : std::to_string(P.Second);
        I += std::min<std::size_t>(run, 2);
        break;
    case 'Z': {
        char buf[16];
        std::snprintf(buf, sizeof buf, run >= 3 ? "%03d" : "%d", P.MSec);
        Out += buf;
        I += run >= 3 ? 3 : 1;
        break;
    }
    case 'T':
        FormatInto(Out, run >= 2 ? "hh:nn:ss" : "hh:nn", P, Days, Depth + 1);
        I += std::min<std::size_t>(run, 2);
        break;
    default:
        Out += S[I];
        I += 1;
    }
    // Minutes may follow the hour with a separator between them ("h:m").
    if (hour)
        LastWasHour = true;
    else if (c != ':' && c != ' ')
        LastWasHour = false;
}

void FormatInto(std::string& Out, const std::string& S, const TDateParts& P, double Days, int Depth) {
    if (Depth > 3) return;
    const bool twelve = HasAmPm(S);
    bool lastWasHour = false;
    for (std::size_t i = 0; i < S.size();) {
        if (Out.size() > kMaxDateText) throw EMathParserError(_msgTooLong);
        const char c = S[i];
        if (c == '"' || c == '\'') {
            const std::size_t end = S.find(c, i + 1);
            Out += S.substr(i + 1, (end == std::string::npos ? S.size() : end) - i - 1);
            i = end == std::string::npos ? S.size() : end + 1;
            continue;
        }
        if (StartsWithCI(S, i, "am/pm")) {
            Out += P.Hour < 12 ? "AM" : "PM";
            i += 5;
            continue;
        }
        if (StartsWithCI(S, i, "a/p")) {
            const bool lower = S[i] == 'a';
            Out += P.Hour < 12 ? (lower ? "a" : "A") : (lower ? "p" : "P");
            i += 3;
            continue;
        }
        if (StartsWithCI(S, i, "ampm")) {
            Out += P.Hour < 12 ? "AM" : "PM";
            i += 4;
            continue;
        }
        if (c == '/') {
            Out += '-';
            ++i;
            continue;
        }
        if (c == ':') {
            Out += ':';
            ++i;
            continue;
        }
        AppendToken(Out, S, i, P, Days, lastWasHour, twelve, Depth);
    }
}

} // namespace

std::string FormatDateTime(const std::string& Format, double DateTime) {
    if (!std::isfinite(DateTime)) RaiseVariantError(TVariantError::InvalidCast);
    const TDateParts parts = PartsOf(DateTime);
    std::string out;
    FormatInto(out, Format.empty() ? "c" : Format, parts, DateTime, 0);
    return out;
}

std::string DateText(double Days) {
    return FormatDateTime("yyyy-mm-dd", Days);
}
std::string TimeText(double Days) {
    return FormatDateTime("hh:nn:ss", Days);
}
std::string DateTimeText(double Days) {
    return FormatDateTime("c", Days);
}

// ---------------------------------------------------------------------------------------------
// Format

namespace {

[[noreturn]] void BadFormat(const std::string& Placeholder) {
    throw EConvertError("Format '" + Placeholder + "' invalid or incompatible with argument");
}

std::int64_t WholeArg(const Variant& V, const std::string& Placeholder) {
    if (V.IsOrdinal()) return V.ToInt64();
    if (V.IsNumeric() || V.VType() == varCurrency) {
        const double d = V.ToReal();
        if (d == std::trunc(d) && std::fabs(d) < 9.2e18) return static_cast<std::int64_t>(d);
    }
    BadFormat(Placeholder);
}

double RealArg(const Variant& V, const std::string& Placeholder) {
    if (V.IsNumeric() || V.VType() == varCurrency || V.VType() == varDate) return V.ToReal();
    BadFormat(Placeholder);
}

// One insertion: a precision near the cap pads a megabyte of zeros, which one at a time took minutes.
std::string PadDigits(std::string Digits, int MinDigits) {
    if (static_cast<int>(Digits.size()) < MinDigits)
        Digits.insert(0, static_cast<std::size_t>(MinDigits) - Digits.size(), '0');
    return Digits;
}

std::string FormatOne(char Type, const Variant& V, int Precision, const std::string& Placeholder) {
    switch (UpCyr(Type)) {
    case 'D': {
        const std::int64_t n = WholeArg(V, Placeholder);
        // The magnitude as unsigned, which also holds that of the smallest 64-bit integer.
        const std::uint64_t magnitude =
            n < 0 ? 0 - static_cast<std::uint64_t>(n) : static_cast<std::uint64_t>(n);
        const std::string digits = PadDigits(std::to_string(magnitude), Precision);
        return (n < 0 ? "-" : "") + digits;
    }
    case 'U':
        return PadDigits(std::to_string(static_cast<std::uint32_t>(WholeArg(V, Placeholder))), Precision);
    case 'X': {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%llX",
                      static_cast<unsigned long long>(static_cast<std::uint32_t>(WholeArg(V, Placeholder))));
        return PadDigits(buf, Precision);
    }
    case 'P': {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%08X", static_cast<unsigned>(WholeArg(V, Placeholder)));
        return buf;
    }
    case 'E':
        return FloatToStrF(RealArg(V, Placeholder), ffExponent, Precision < 0 ? kMaxDigits : Precision, 3);
    case 'F':
        return FloatToStrF(RealArg(V, Placeholder), ffFixed, kMaxDigits, Precision < 0 ? 2 : Precision);
    case 'G':
        return FloatToStrF(RealArg(V, Placeholder), ffGeneral, Precision < 0 ? kMaxDigits : Precision, 0);
    case 'N':
        return FloatToStrF(RealArg(V, Placeholder), ffNumber, kMaxDigits, Precision < 0 ? 2 : Precision);
    case 'M':
        return FloatToStrF(RealArg(V, Placeholder), ffCurrency, kMaxDigits, Precision < 0 ? 2 : Precision);
    case 'S': {
        if (V.IsArray()) BadFormat(Placeholder);
        std::string own;
        std::string_view s = bldfuncs::TextOf(V, own);
        if (Precision >= 0 && static_cast<std::size_t>(Precision) < s.size())
            s = s.substr(0, static_cast<std::size_t>(Precision));
        return CopyWithWork(s);
    }
    default:
        BadFormat(Placeholder);
    }
}

} // namespace

std::string Format(const std::string& Fmt, const Variant* Args, std::size_t Count) {
    std::string out;
    std::size_t argIndex = 0;
    auto takeArg = [&](const std::string& Placeholder) -> const Variant& {
        if (argIndex >= Count) throw EConvertError("No argument for format '" + Placeholder + "'");
        return Args[argIndex++];
    };
    for (std::size_t i = 0; i < Fmt.size(); ++i) {
        if (Fmt[i] != '%') {
            out += Fmt[i];
            continue;
        }
        const std::size_t start = i++;
        if (i < Fmt.size() && Fmt[i] == '%') {
            out += '%';
            continue;
        }
        auto placeholder = [&] { return Fmt.substr(start, std::min(i + 1, Fmt.size()) - start); };
        auto number = [&](int& Value) -> bool {
            if (i < Fmt.size() && Fmt[i] == '*') {
                Value = static_cast<int>(WholeArg(takeArg(placeholder()), placeholder()));
                ++i;
                return true;
            }
            if (i >= Fmt.size() || Fmt[i] < '0' || Fmt[i] > '9') return false;
            Value = 0;
            while (i < Fmt.size() && Fmt[i] >= '0' && Fmt[i] <= '9') {
                Value = std::min(Value * 10 + (Fmt[i] - '0'), 1 << 20);
                ++i;
            }
            return true;
        };
        int value = 0;
        bool left = false;
        int width = -1;
        int precision = -1;
        if (number(value)) {
            if (i < Fmt.size() && Fmt[i] == ':') {
                argIndex = static_cast<std::size_t>(std::max(value, 0));
                ++i;
            } else {
                width = value;
            }
        }
        if (width < 0) {
            if (i < Fmt.size() && Fmt[i] == '-') {
                left = true;
                ++i;
            }
            if (number(value)) width = value;
        }
        if (i < Fmt.size() && Fmt[i] == '.') {
            ++i;
            precision = number(value) ? value : 0;
        }
        if (i >= Fmt.size()) BadFormat(Fmt.substr(start));
        std::string text = FormatOne(Fmt[i], takeArg(placeholder()), precision, placeholder());
        bldfuncs::CheckedLength(width);
        const std::size_t pad = width > 0 && static_cast<std::size_t>(width) > text.size()
                                    ? static_cast<std::size_t>(width) - text.size()
                                    : 0;
        CheckTextRoom(out.size() + text.size() + pad);
        const auto padding = [&] {
            InSlices(pad, 1, [&](std::size_t From, std::size_t To) { out.append(To - From, ' '); });
        };
        if (!left) padding();
        AppendWithWork(out, text);
        if (left) padding();
    }
    return out;
}

// ---------------------------------------------------------------------------------------------
// Str

std::string StrOf(const Variant& X, std::int32_t Width, std::int32_t Decimals, bool HasWidth,
                  bool HasDecimals) {
    std::string text;
    if (X.IsOrdinal()) {
        text = std::to_string(X.ToInt64());
    } else {
        const double v = X.ToReal();
        if (HasDecimals && Decimals >= 0) {
            if (!NonFinite(v, text)) {
                std::string intPart, fracPart;
                ExactParts(v, intPart, fracPart);
                RoundDecimal(intPart, fracPart, std::min(Decimals, 30));
                const bool zero = (intPart + fracPart).find_first_not_of('0') == std::string::npos;
                text = (v < 0 && !zero ? "-" : "") + intPart +
                       (fracPart.empty() ? "" : DecimalPoint() + fracPart);
            }
        } else if (!NonFinite(v, text)) {
            // The sign place, one digit, the point, the decimals and "E+dddd".
            const int digits = HasWidth ? Clamp(Width - 8, 2, kMaxDigits) : kMaxDigits;
            const TDigits d = DigitsOf(v, digits);
            text = std::string(d.Negative ? "-" : " ") + Mantissa(d, digits, false) +
                   ExponentText(d.Exponent, true, 4);
        }
    }
    if (HasWidth && Width > 0 && static_cast<std::size_t>(Width) > text.size())
        text.insert(0, static_cast<std::size_t>(Width) - text.size(), ' ');
    return text;
}

} // namespace skv::engine::fmttext
