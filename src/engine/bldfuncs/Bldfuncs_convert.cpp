// The conversion group: numbers, currency and dates to texts and back, DOS date stamps, and the
// casts to Extended and Integer. The text rules are described in Bldfuncs_format.cpp.
#include "engine/base/Text.h"
#include "engine/bldfuncs/Bldfuncs.h"

#include <cmath>
#include <cstdlib>

namespace skv::engine {

namespace {

[[noreturn]] void NotValid(const std::string& Text, const char* What) {
    throw EConvertError("'" + Text + "' is not a valid " + What);
}

// ---- DOS date stamps: date in the high word (year - 1980, month, day), time in the low word
// (hour, minute, second / 2) ----

std::int32_t PackDosDate(double DateTime) {
    int y = 0, m = 0, d = 0, h = 0, n = 0, s = 0, ms = 0;
    DecodeDate(DateTime, y, m, d);
    DecodeTime(DateTime, h, n, s, ms);
    if (y < 1980 || y > 2107) return 0; // outside what the stamp holds
    const auto date = static_cast<std::uint32_t>(((y - 1980) << 9) | (m << 5) | d);
    const auto time = static_cast<std::uint32_t>((h << 11) | (n << 5) | (s / 2));
    return static_cast<std::int32_t>((date << 16) | time);
}

} // namespace

// Shared with the file group.
std::int32_t DateTimeToDosStamp(double DateTime) {
    return PackDosDate(DateTime);
}

double DosStampToDateTime(std::int32_t Stamp) {
    const auto u = static_cast<std::uint32_t>(Stamp);
    const int date = static_cast<int>(u >> 16);
    const int time = static_cast<int>(u & 0xFFFF);
    const int y = (date >> 9) + 1980;
    const int m = (date >> 5) & 15;
    const int d = date & 31;
    const int h = time >> 11;
    const int n = (time >> 5) & 63;
    const int s = (time & 31) * 2;
    if (m < 1 || m > 12 || d < 1 || d > 31 || h > 23 || n > 59 || s > 59)
        throw EConvertError("Invalid DOS date-time value: " + std::to_string(Stamp));
    return EncodeDate(y, m, d) + EncodeTime(h, n, s, 0);
}

namespace {

std::int32_t DateTimeToFileDateFn(const Variant& V) {
    return PackDosDate(V.ToDate());
}
Variant FileDateToDateTimeFn(std::int32_t Stamp) {
    return Variant::Date(DosStampToDateTime(Stamp));
}
std::string CurrToStrFn(const Variant& V) {
    return CurrencyToStr(V.ToCurrency());
}
std::string DateToStrFn(const Variant& V) {
    return fmttext::DateText(V.ToDate());
}
std::string DateTimeToStrFn(const Variant& V) {
    return fmttext::DateTimeText(V.ToDate());
}
std::string TimeToStrFn(const Variant& V) {
    return fmttext::TimeText(V.ToDate());
}
std::string FloatToStrFn(long double Value) {
    return FloatToStrGeneral(static_cast<double>(Value));
}
std::string FloatToStrFFn(long double Value, std::int32_t Format, std::int32_t Precision,
                          std::int32_t Digits) {
    return fmttext::FloatToStrF(static_cast<double>(Value), Format, Precision, Digits);
}
std::string FormatFn(ArgArray& Args, std::int32_t High) {
    if (High < 0) bldfuncs::RaiseArgCount("Format");
    return fmttext::Format(Args[0].ToString(), Args.data() + 1, static_cast<std::size_t>(High));
}
// The program keeps no texts in resources: every resource number names the empty text, which
// formats to the empty text.
std::string FmtLoadStrFn(ArgArray& Args, std::int32_t High) {
    if (High < 0) bldfuncs::RaiseArgCount("FmtLoadStr");
    (void)Args[0].ToInteger(); // the resource number must at least be a number
    return fmttext::Format(std::string(), Args.data() + 1, static_cast<std::size_t>(High));
}
std::string FormatCurrFn(const std::string& Format, const Variant& V) {
    return fmttext::FormatFloat(Format, static_cast<double>(V.ToCurrency().Value) / 10000.0);
}
std::string FormatDateTimeFn(const std::string& Format, const Variant& V) {
    return fmttext::FormatDateTime(Format, V.ToDate());
}
std::string FormatFloatFn(const std::string& Format, long double Value) {
    return fmttext::FormatFloat(Format, static_cast<double>(Value));
}

// Edit masks: "mask;save-literals;blank". Placeholders 0 9 # L l A a C c take the next character
// of Value; "\" makes the next mask character a literal; ">" and "<" turn upper and lower case on,
// "<>" off; "!" is accepted and ignored. With save-literals 1 (the default) Value holds the
// literals as well and they are skipped in it; missing characters become the blank (default "_").
std::string FormatMaskTextFn(const std::string& Mask, const std::string& Value) {
    std::string mask = Mask;
    bool saveLiterals = true;
    char blank = '_';
    const std::size_t s1 = mask.find(';');
    if (s1 != std::string::npos) {
        std::string rest = mask.substr(s1 + 1);
        mask.resize(s1);
        const std::size_t s2 = rest.find(';');
        if (!rest.empty()) saveLiterals = rest[0] != '0';
        if (s2 != std::string::npos && s2 + 1 < rest.size()) blank = rest[s2 + 1];
    }
    std::string out;
    std::size_t v = 0;
    int caseMode = 0; // 1 upper, -1 lower
    for (std::size_t i = 0; i < mask.size(); ++i) {
        const char c = mask[i];
        if (c == '>' || c == '<') {
            if (c == '<' && i + 1 < mask.size() && mask[i + 1] == '>') {
                caseMode = 0;
                ++i;
            } else {
                caseMode = c == '>' ? 1 : -1;
            }
            continue;
        }
        if (c == '!') continue;
        const bool escaped = c == '\\' && i + 1 < mask.size();
        const bool placeholder = !escaped && std::string("09#LlAaCc").find(c) != std::string::npos;
        if (!placeholder) {
            const char literal = escaped ? mask[++i] : c;
            out += literal;
            if (saveLiterals && v < Value.size()) ++v;
            continue;
        }
        char ch = v < Value.size() ? Value[v++] : blank;
        if (caseMode > 0)
            ch = UpCyr(ch);
        else if (caseMode < 0)
            ch = bldfuncs::LowStr(std::string(1, ch))[0];
        out += ch;
    }
    return out;
}

std::string IntToHexFn(std::int32_t Value, std::int32_t Digits) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%X", static_cast<unsigned>(Value));
    std::string r = buf;
    const std::size_t want = std::min<std::size_t>(static_cast<std::size_t>(std::max(Digits, 0)), 32);
    if (r.size() < want) r.insert(0, want - r.size(), '0');
    return r;
}
std::string IntToStrFn(std::int32_t Value) {
    return std::to_string(Value);
}
Variant StrToCurrFn(const std::string& Text) {
    TCurrency c;
    if (!TryStrToCurrency(Text, c)) NotValid(Text, "floating point value");
    return Variant::Currency(c);
}
Variant StrToDateFn(const std::string& Text) {
    double d = 0;
    if (!TryStrToDate(Text, d)) NotValid(Text, "date");
    return Variant::Date(std::trunc(d));
}
Variant StrToDateTimeFn(const std::string& Text) {
    double d = 0;
    if (!TryStrToDate(Text, d)) NotValid(Text, "date and time");
    return Variant::Date(d);
}
Variant StrToTimeFn(const std::string& Text) {
    double d = 0;
    if (!TryStrToDate(Text, d)) NotValid(Text, "time");
    return Variant::Date(d - std::trunc(d));
}
long double StrToFloatFn(const std::string& Text) {
    double d = 0;
    if (!TryStrToFloat(Text, d)) NotValid(Text, "floating point value");
    return d;
}
// Decimal, or hexadecimal after "$" or "0x"; surrounding blanks allowed.
bool TryStrToInt(const std::string& Raw, std::int32_t& Value) {
    const std::string_view text = TrimSpaces(Raw);
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    int base = 10;
    if (i < text.size() && text[i] == '$') {
        base = 16;
        ++i;
    } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i >= text.size()) return false;
    std::int64_t v = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        int digit = -1;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        if (digit < 0) return false;
        v = v * base + digit;
        if (v > (base == 16 ? 0xFFFFFFFFll : 0x80000000ll)) return false;
    }
    if (base == 16) {
        const auto bits = static_cast<std::uint32_t>(v);
        Value = static_cast<std::int32_t>(negative ? 0u - bits : bits);
        return true;
    }
    if (negative) v = -v;
    if (v > 0x7FFFFFFFll) return false;
    Value = static_cast<std::int32_t>(v);
    return true;
}
std::int32_t StrToIntFn(const std::string& Text) {
    std::int32_t v = 0;
    if (!TryStrToInt(Text, v)) NotValid(Text, "integer value");
    return v;
}
std::int32_t StrToIntDefFn(const std::string& Text, std::int32_t Default) {
    std::int32_t v = 0;
    return TryStrToInt(Text, v) ? v : Default;
}
void FnTextToFloat(PParserOperation Op) {
    const std::string text = Op->Arg1->ToString();
    const std::int32_t kind = Op->Arg3->ToInteger();
    bool ok = false;
    if (kind == 1) {
        TCurrency c;
        ok = TryStrToCurrency(text, c);
        if (ok) *Op->Arg2 = Variant::Currency(c);
    } else {
        double d = 0;
        ok = TryStrToFloat(text, d);
        if (ok) *Op->Arg2 = Variant(d);
    }
    *Op->Result = Variant(ok);
}
long double ExtendedFn(const Variant& V) {
    return V.ToReal();
}
std::int32_t IntegerFn(const Variant& V) {
    return V.ToInteger();
}

} // namespace

const TBuildInTable& ConvertFuncTable() {
    constexpr TFuncCategory C = fct_Convert;
    static const TBuildInTable table = {
        TypedFunc<&DateTimeToFileDateFn>("DateTimeToFileDate", {typeParserType}, typeInteger,
                                         "Converts a TDateTime object to a DOS date-and-time value", C),
        TypedFunc<&FileDateToDateTimeFn>("FileDateToDateTime", {typeInteger}, typeParserType,
                                         "Converts a DOS date-time value to TDateTime value", C),
        TypedFunc<&CurrToStrFn>("CurrToStr", {typeParserType}, typeString,
                                "Formats a Currency value as a string", C),
        TypedFunc<&DateToStrFn>("DateToStr", {typeParserType}, typeString,
                                "Converts a TDateTime value to a string", C),
        TypedFunc<&DateTimeToStrFn>("DateTimeToStr", {typeParserType}, typeString,
                                    "Converts a TDateTime value to a string", C),
        TypedFunc<&FloatToStrFn>("FloatToStr", {typeExtended}, typeString,
                                 "Converts a floating point value to a string", C),
        TypedFunc<&FloatToStrFFn>(
            "FloatToStrF", {typeExtended, typeInteger, typeInteger, typeInteger}, typeString,
            "Converts a floating point value to a string, using a specified Format, Precision, "
            "and Digits",
            C),
        TypedFunc<&FmtLoadStrFn>("FmtLoadStr", {typeArray}, typeString,
                                 "Returns formatted output using a resourced format string", C),
        TypedFunc<&FormatFn>(
            "Format", {typeArray}, typeString,
            "Returns a formatted string assembled from a format string and an array of arguments", C),
        TypedFunc<&FormatCurrFn>("FormatCurr", {typeString, typeParserType}, typeString,
                                 "Formats a Currency object", C),
        TypedFunc<&FormatDateTimeFn>("FormatDateTime", {typeString, typeParserType}, typeString,
                                     "Formats a TDateTime value", C),
        TypedFunc<&FormatFloatFn>("FormatFloat", {typeString, typeExtended}, typeString,
                                  "Formats a floating point value", C),
        TypedFunc<&FormatMaskTextFn>("FormatMaskText", {typeString, typeString}, typeString,
                                     "Returns a string formatted using an edit mask", C),
        TypedFunc<&IntToHexFn>("IntToHex", {typeInteger, typeInteger}, typeString,
                               "Returns the hex representation of an integer", C),
        TypedFunc<&IntToStrFn>("IntToStr", {typeInteger}, typeString, "Converts an integer to a string", C),
        TypedFunc<&StrToCurrFn>("StrToCurr", {typeString}, typeParserType,
                                "Converts a string to a Currency value", C),
        TypedFunc<&StrToDateFn>("StrToDate", {typeString}, typeParserType,
                                "Converts a string to a TDateTime value", C),
        TypedFunc<&StrToDateTimeFn>("StrToDateTime", {typeString}, typeParserType,
                                    "Converts a string to a TDateTime value", C),
        TypedFunc<&StrToFloatFn>("StrToFloat", {typeString}, typeExtended,
                                 "Converts a given string to a floating-point value", C),
        TypedFunc<&StrToIntFn>(
            "StrToInt", {typeString}, typeInteger,
            "Converts a string that represents an integer (decimal or hex notation) to a number", C),
        TypedFunc<&StrToIntDefFn>(
            "StrToIntDef", {typeString, typeInteger}, typeInteger,
            "Converts a string that represents an integer (decimal or hex notation) to a number", C),
        TypedFunc<&StrToTimeFn>("StrToTime", {typeString}, typeParserType,
                                "Converts a string to a TDateTime value", C),
        RawFunc("TextToFloat", &FnTextToFloat, 3, "Returns a floating-point value from a string", C),
        TypedFunc<&TimeToStrFn>("TimeToStr", {typeParserType}, typeString,
                                "Returns a string that represents a TDateTime value", C),
        TypedFunc<&ExtendedFn>("Extended", {typeParserType}, typeExtended,
                               "Type casts a value to Extended type", C),
        TypedFunc<&IntegerFn>("Integer", {typeParserType}, typeInteger, "Type casts a value to Integer type",
                              C),
    };
    return table;
}

} // namespace skv::engine
