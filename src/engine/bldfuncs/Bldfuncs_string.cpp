// The string and variant group. Texts are 8-bit; positions count from 1. The "Ansi" forms compare
// and convert with the letters of the 8-bit character set; the plain forms know only ASCII.
#include "engine/base/Checkpoint.h"
#include "engine/base/Errors.h"
#include "engine/base/Messages.h"
#include "engine/base/Text.h"
#include "engine/bldfuncs/Bldfuncs.h"

#include <algorithm>
#include <cstring>

namespace skv::engine {

namespace {

using bldfuncs::CheckedLength;
using bldfuncs::TextOf;

// ---- comparing and converting case ----

// Locale order: letters compare without case first, and of two texts that differ only in case
// the one with the lower-case letter comes first.
int AnsiCompareStrFn(const std::string& A, const std::string& B) {
    const int blind = bldfuncs::CompareTextCyr(A, B);
    if (blind != 0) return blind;
    for (std::size_t i = 0; i < A.size(); ++i)
        if (A[i] != B[i]) return static_cast<unsigned char>(A[i]) > static_cast<unsigned char>(B[i]) ? -1 : 1;
    return 0;
}
int AnsiCompareTextFn(const std::string& A, const std::string& B) {
    return bldfuncs::CompareTextCyr(A, B);
}
std::string AnsiLowerCaseFn(const std::string& S) {
    return bldfuncs::LowStr(S);
}
std::string AnsiUpperCaseFn(const std::string& S) {
    return UpStr(S);
}
bool AnsiSameStrFn(const std::string& A, const std::string& B) {
    return A == B;
}
bool AnsiSameTextFn(const std::string& A, const std::string& B) {
    return bldfuncs::CompareTextCyr(A, B) == 0;
}
// The difference of the first differing character codes, else of the lengths.
int CompareCodes(const std::string& A, const std::string& B, bool IgnoreAsciiCase) {
    const std::size_t n = std::min(A.size(), B.size());
    for (std::size_t i = 0; i < n; ++i) {
        if ((i & 0xFFFF) == 0xFFFF) EvalWork(0x10000); // two long equal texts
        int a = static_cast<unsigned char>(A[i]);
        int b = static_cast<unsigned char>(B[i]);
        if (IgnoreAsciiCase) {
            if (a >= 'a' && a <= 'z') a -= 32;
            if (b >= 'a' && b <= 'z') b -= 32;
        }
        if (a != b) return a - b;
    }
    return static_cast<int>(A.size()) - static_cast<int>(B.size());
}
int CompareStrFn(const std::string& A, const std::string& B) {
    return CompareCodes(A, B, false);
}
int CompareTextFn(const std::string& A, const std::string& B) {
    return CompareCodes(A, B, true);
}
std::string LowerCaseFn(const std::string& S) {
    return MapBytes(S, [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; });
}
std::string UpperCaseFn(const std::string& S) {
    return MapBytes(S, [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; });
}

// ---- searching and cutting ----

std::int32_t PosFn(const std::string& Sub, const std::string& S) {
    if (Sub.empty()) return 0;
    const std::size_t p = S.find(Sub);
    EvalWork(p == std::string::npos ? S.size() : p);
    return p == std::string::npos ? 0 : static_cast<std::int32_t>(p + 1);
}
std::int32_t LengthFn(const std::string& S) {
    return static_cast<std::int32_t>(S.size());
}
bool IsDelimiterFn(const std::string& Delimiters, const std::string& S, std::int32_t Index) {
    if (Index < 1 || static_cast<std::size_t>(Index) > S.size()) return false;
    return Delimiters.find(S[static_cast<std::size_t>(Index - 1)]) != std::string::npos;
}
std::int32_t LastDelimiterFn(const std::string& Delimiters, const std::string& S) {
    const std::size_t p = S.find_last_of(Delimiters);
    return p == std::string::npos ? 0 : static_cast<std::int32_t>(p + 1);
}
std::string AdjustLineBreaksFn(const std::string& S) {
    std::string r;
    r.reserve(S.size());
    for (std::size_t i = 0; i < S.size(); ++i) {
        if ((i & 0xFFFF) == 0xFFFF) {
            EvalWork(0x10000);
            CheckTextRoom(r.size()); // every lone break grows the text
        }
        const char c = S[i];
        if (c == '\r') {
            r += "\r\n";
            if (i + 1 < S.size() && S[i + 1] == '\n') ++i;
        } else if (c == '\n') {
            r += "\r\n";
        } else {
            r += c;
        }
    }
    return r;
}
std::string QuotedWith(const std::string& S, char Quote) {
    std::string r(1, Quote);
    r.reserve(S.size() + 2);
    for (std::size_t i = 0; i < S.size(); ++i) {
        if ((i & 0xFFFF) == 0xFFFF) {
            EvalWork(0x10000);
            CheckTextRoom(r.size()); // every quote is doubled
        }
        const char c = S[i];
        r += c;
        if (c == Quote) r += c;
    }
    r += Quote;
    return r;
}
std::string QuotedStrFn(const std::string& S) {
    return QuotedWith(S, '\'');
}
bool IsBlankOrControl(char C) {
    return static_cast<unsigned char>(C) <= ' ';
}
std::size_t LeadingBlanks(std::string_view S) {
    std::size_t i = 0;
    while (i < S.size() && IsBlankOrControl(S[i]))
        if ((++i & 0xFFFF) == 0) EvalWork(0x10000);
    return i;
}
std::size_t TrailingBlanks(std::string_view S) {
    std::size_t n = S.size();
    while (n > 0 && IsBlankOrControl(S[n - 1]))
        if ((--n & 0xFFFF) == 0) EvalWork(0x10000);
    return S.size() - n;
}
std::string TrimLeftFn(const std::string& S) {
    return CopyWithWork(std::string_view(S).substr(LeadingBlanks(S)));
}
std::string TrimRightFn(const std::string& S) {
    return CopyWithWork(std::string_view(S).substr(0, S.size() - TrailingBlanks(S)));
}
std::string TrimFn(const std::string& S) {
    const std::string_view rest = std::string_view(S).substr(LeadingBlanks(S));
    return CopyWithWork(rest.substr(0, rest.size() - TrailingBlanks(rest)));
}
// Flags: 1 replace every occurrence, 2 ignore case.
std::string StringReplaceFn(const std::string& S, const std::string& Old, const std::string& New,
                            std::int32_t Flags) {
    if (Old.empty()) return S;
    const bool all = (Flags & 1) != 0;
    const bool blind = (Flags & 2) != 0;
    std::string upper, upperOld;
    const std::string& hay = blind ? (upper = UpStr(S)) : S;
    const std::string& needle = blind ? (upperOld = UpStr(Old)) : Old;
    std::string r;
    std::size_t from = 0;
    for (;;) {
        const std::size_t p = hay.find(needle, from);
        if (p == std::string::npos) break;
        // The text this gives is refused before it is built when it would be too long.
        CheckTextRoom(r.size() + (p - from) + New.size() + (S.size() - p - Old.size()));
        AppendWithWork(r, std::string_view(S).substr(from, p - from));
        r.append(New);
        EvalWork(New.size() + 16); // a replacement costs more than its bytes
        from = p + Old.size();
        if (!all) break;
    }
    AppendWithWork(r, std::string_view(S).substr(from));
    return r;
}

// ---- raw rows that write their operands ----

char QuoteOf(const Variant& V) {
    const std::string q = V.ToString();
    return q.empty() ? '\0' : q[0];
}
void FnAnsiExtractQuotedStr(PParserOperation Op) {
    const std::string s = Op->Arg1->ToString();
    const char quote = QuoteOf(*Op->Arg2);
    if (s.empty() || quote == '\0' || s[0] != quote) {
        *Op->Result = Variant(std::string());
        return;
    }
    std::string text;
    std::size_t i = 1;
    for (; i < s.size(); ++i) {
        if (s[i] != quote) {
            text += s[i];
            continue;
        }
        if (i + 1 < s.size() && s[i + 1] == quote) {
            text += quote;
            ++i;
            continue;
        }
        ++i; // past the closing quote
        break;
    }
    *Op->Result = Variant(std::move(text));
    *Op->Arg1 = Variant(i < s.size() ? s.substr(i) : std::string());
}
void FnAnsiQuotedStr(PParserOperation Op) {
    const char quote = QuoteOf(*Op->Arg2);
    const std::string s = Op->Arg1->ToString();
    *Op->Result = Variant(quote == '\0' ? s : QuotedWith(s, quote));
}
void FnConcat(PParserOperation Op) {
    std::string r;
    for (std::int32_t i = 0; i < Op->ArgCount; ++i) {
        std::string own;
        const std::string& piece = TextOf(*Op->Args[i], own);
        CheckTextRoom(r.size() + piece.size());
        AppendWithWork(r, piece);
    }
    *Op->Result = Variant(std::move(r));
}
// The part of S that Index (1 or more) and Count select, clipped to S.
void Span(const std::string& S, std::int32_t Index, std::int32_t Count, std::size_t& From, std::size_t& Len) {
    const std::int64_t first = std::int64_t{Index} - 1;
    const std::int64_t n = Count;
    const auto size = static_cast<std::int64_t>(S.size());
    if (first >= size || n <= 0) {
        From = S.size();
        Len = 0;
        return;
    }
    From = static_cast<std::size_t>(first);
    Len = static_cast<std::size_t>(std::min(n, size - first));
}
void FnCopy(PParserOperation Op) {
    std::string own;
    const std::string& s = TextOf(*Op->Arg1, own);
    const std::int32_t index = Op->Arg2->ToInteger();
    const std::int32_t count = Op->Arg3->ToInteger();
    // Copy clips a start before 1 to 1 without shortening the count.
    std::size_t from = 0, len = 0;
    Span(s, std::max(index, 1), count, from, len);
    *Op->Result = Variant(CopyWithWork(std::string_view(s).substr(from, len)));
}
void FnDelete(PParserOperation Op) {
    std::string own;
    const std::string& s = TextOf(*Op->Arg1, own);
    const std::int32_t index = Op->Arg2->ToInteger();
    const std::int32_t count = Op->Arg3->ToInteger();
    if (index < 1) return; // nothing is deleted before the first character
    std::size_t from = 0, len = 0;
    Span(s, index, count, from, len);
    std::string r;
    r.reserve(s.size() - len);
    AppendWithWork(r, std::string_view(s).substr(0, from));
    AppendWithWork(r, std::string_view(s).substr(from + len));
    *Op->Arg1 = Variant(std::move(r));
}
void FnInsert(PParserOperation Op) {
    std::string ownSub, ownS;
    const std::string& sub = TextOf(*Op->Arg1, ownSub);
    const std::string& s = TextOf(*Op->Arg2, ownS);
    const std::int32_t index = Op->Arg3->ToInteger();
    CheckTextRoom(s.size() + sub.size());
    const std::size_t at =
        index < 1 ? 0 : std::min<std::size_t>(static_cast<std::size_t>(index - 1), s.size());
    std::string r;
    r.reserve(s.size() + sub.size());
    AppendWithWork(r, std::string_view(s).substr(0, at));
    AppendWithWork(r, sub);
    AppendWithWork(r, std::string_view(s).substr(at));
    *Op->Arg2 = Variant(std::move(r));
}
void FnSetLength(PParserOperation Op) {
    std::string own;
    const std::string& s = TextOf(*Op->Arg1, own);
    const std::size_t length = CheckedLength(Op->Arg2->ToInteger());
    CheckTextRoom(length);
    std::string r;
    r.reserve(length);
    AppendWithWork(r, std::string_view(s).substr(0, std::min(length, s.size())));
    InSlices(length - r.size(), 1, [&](std::size_t From, std::size_t To) { r.append(To - From, ' '); });
    *Op->Arg1 = Variant(std::move(r));
}
void FnStr(PParserOperation Op) {
    if (Op->ArgCount < 1 || Op->ArgCount > 3) bldfuncs::RaiseArgCount("Str");
    const std::int32_t width = Op->ArgCount > 1 ? Op->Args[1]->ToInteger() : 0;
    const std::int32_t decimals = Op->ArgCount > 2 ? Op->Args[2]->ToInteger() : 0;
    CheckedLength(width);
    *Op->Result = Variant(fmttext::StrOf(*Op->Args[0], width, decimals, Op->ArgCount > 1, Op->ArgCount > 2));
}

// ---- variant arrays ----

// Arrays scripts make: far above an effect's needs, far below exhausting memory.
constexpr std::int64_t kMaxScriptArrayElements = std::int64_t{1} << 22;

void FnVarArrayCreate(PParserOperation Op) {
    const std::int32_t n = Op->ArgCount;
    if (n < 3 || n % 2 == 0) return;
    std::vector<TVarArrayBound> bounds;
    std::int64_t total = 1;
    for (std::int32_t i = 0; i + 1 < n; i += 2) {
        const std::int32_t low = Op->Args[i]->ToInteger();
        const std::int64_t count = std::int64_t{Op->Args[i + 1]->ToInteger()} - low + 1;
        if (count < 0) RaiseVariantError(TVariantError::ArrayBounds);
        total *= count;
        if (total > kMaxScriptArrayElements) throw EMathParserError(_msgTooLong);
        bounds.push_back(TVarArrayBound{low, static_cast<std::int32_t>(count)});
    }
    const auto type = static_cast<TVarType>(Op->Args[n - 1]->ToInteger());
    *Op->Result = Variant::ArrayCreate(bounds, type);
}
void FnVarArrayRedim(PParserOperation Op) {
    Variant& a = *Op->Arg1;
    if (!a.IsArray()) RaiseVariantError(TVariantError::NotArray);
    const std::int32_t high = Op->Arg2->ToInteger();
    const int dims = a.ArrayDimCount();
    const std::int64_t lastCount = std::int64_t{high} - a.ArrayLowBound(dims) + 1;
    const std::int64_t oldLast = std::int64_t{a.ArrayHighBound(dims)} - a.ArrayLowBound(dims) + 1;
    const std::int64_t others = oldLast > 0 ? a.ArrayElementCount() / oldLast : 1;
    if (lastCount > 0 && others * lastCount > kMaxScriptArrayElements) throw EMathParserError(_msgTooLong);
    a.ArrayRedim(high);
}
std::int32_t VarArrayDimCountFn(const Variant& A) {
    return A.ArrayDimCount();
}
std::int32_t VarArrayHighBoundFn(const Variant& A, std::int32_t Dim) {
    if (!A.IsArray()) RaiseVariantError(TVariantError::NotArray);
    return A.ArrayHighBound(Dim);
}
std::int32_t VarArrayLowBoundFn(const Variant& A, std::int32_t Dim) {
    if (!A.IsArray()) RaiseVariantError(TVariantError::NotArray);
    return A.ArrayLowBound(Dim);
}
Variant VarArrayOfFn(ArgArray& Values, std::int32_t /*High*/) {
    return Variant::ArrayOf(Values);
}
Variant VarArrayRefFn(const Variant& A) {
    if (!A.IsArray()) RaiseVariantError(TVariantError::NotArray);
    return A;
}
Variant VarAsTypeFn(const Variant& V, std::int32_t Type) {
    return VarAsType(V, static_cast<TVarType>(Type));
}
void FnVarCast(PParserOperation Op) {
    *Op->Arg1 = VarAsType(*Op->Arg2, static_cast<TVarType>(Op->Arg3->ToInteger()));
}
void FnVarClear(PParserOperation Op) {
    Op->Arg1->Clear();
}
void FnVarCopy(PParserOperation Op) {
    *Op->Arg1 = *Op->Arg2;
}
Variant VarFromDateTimeFn(const Variant& V) {
    return Variant::Date(V.ToDate());
}
Variant VarToDateTimeFn(const Variant& V) {
    return Variant::Date(V.ToDate());
}
bool VarIsArrayFn(const Variant& V) {
    return V.IsArray();
}
bool VarIsEmptyFn(const Variant& V) {
    return V.IsEmpty();
}
bool VarIsNullFn(const Variant& V) {
    return V.IsNull();
}
std::string VarToStrFn(const Variant& V) {
    return V.ToString();
}
std::int32_t VarTypeFn(const Variant& V) {
    return V.VType();
}

} // namespace

// VarArrayLock and VarArrayUnlock live with the script memory they hand out.
void VarArrayLockProc(PParserOperation Op);
void VarArrayUnlockProc(PParserOperation Op);

const TBuildInTable& VariantStringFuncTable() {
    constexpr TFuncCategory S = fct_String;
    constexpr TFuncCategory V = fct_Variant;
    static const TBuildInTable table = {
        TypedFunc<&AdjustLineBreaksFn>("AdjustLineBreaks", {typeString}, typeString,
                                       "Standardizes line break characters to CR/LF", S),
        TypedFunc<&AnsiCompareStrFn>(
            "AnsiCompareStr", {typeString, typeString}, typeInteger,
            "Compares strings based on the current Windows locale with case sensitivity", S),
        TypedFunc<&AnsiCompareTextFn>(
            "AnsiCompareText", {typeString, typeString}, typeInteger,
            "Compares strings based on the current Windows locale without case sensitivity", S),
        TypedFunc<&AnsiLowerCaseFn>(
            "AnsiLowerCase", {typeString}, typeString,
            "Returns a string that is a copy of the given string converted to lower case", S),
        TypedFunc<&PosFn>("AnsiPos", {typeString, typeString}, typeInteger,
                          "Locates the position of a sub-string within a string", S),
        TypedFunc<&AnsiSameStrFn>(
            "AnsiSameStr", {typeString, typeString}, typeBoolean,
            "Compares strings based on the current Windows locale with case sensitivity", S),
        TypedFunc<&AnsiSameTextFn>(
            "AnsiSameText", {typeString, typeString}, typeBoolean,
            "Compares strings based on the current Windows locale without case sensitivity", S),
        TypedFunc<&AnsiUpperCaseFn>("AnsiUpperCase", {typeString}, typeString,
                                    "Converts a string to upper case", S),
        TypedFunc<&CompareStrFn>("CompareStr", {typeString, typeString}, typeInteger,
                                 "Compares two strings case sensitively", S),
        TypedFunc<&CompareTextFn>("CompareText", {typeString, typeString}, typeInteger,
                                  "Compares two strings by ordinal value without case sensitivity", S),
        RawFunc("AnsiExtractQuotedStr", &FnAnsiExtractQuotedStr, 2,
                "Converts a quoted string into an unquoted string", S),
        RawFunc("AnsiQuotedStr", &FnAnsiQuotedStr, 2, "Returns the quoted version of a string", S),
        RawFunc("Concat", &FnConcat, -1, "Concatenates two or more strings into one", S),
        RawFunc("Copy", &FnCopy, 3, "Returns a substring of a string", S),
        RawFunc("Delete", &FnDelete, 3, "Removes a substring from a s string", S),
        RawFunc("Insert", &FnInsert, 3, "Inserts a substring into a string beginning at a specified point",
                S),
        RawFunc("SetLength", &FnSetLength, 2, "Sets the length of a string", S),
        RawFunc("Str", &FnStr, -1, "Formats a string and returns it to a variable", S),
        TypedFunc<&IsDelimiterFn>(
            "IsDelimiter", {typeString, typeString, typeInteger}, typeBoolean,
            "Indicates whether a specified character in a string matches one of a set of "
            "delimiters",
            S),
        TypedFunc<&LastDelimiterFn>(
            "LastDelimiter", {typeString, typeString}, typeInteger,
            "Returns the byte index of the last character that matches any character in the "
            "Delimiters AnsiString",
            S),
        TypedFunc<&LengthFn>("Length", {typeString}, typeInteger,
                             "Returns the number of characters in a string or elements in an array", S),
        TypedFunc<&LowerCaseFn>("LowerCase", {typeString}, typeString,
                                "Converts an ASCII string to lowercase", S),
        TypedFunc<&PosFn>(
            "Pos", {typeString, typeString}, typeInteger,
            "Returns the index value of the first character in a specified substring that occurs in a "
            "given string",
            S),
        TypedFunc<&QuotedStrFn>("QuotedStr", {typeString}, typeString,
                                "Returns the quoted version of a string", S),
        TypedFunc<&StringReplaceFn>(
            "StringReplace", {typeString, typeString, typeString, typeInteger}, typeString,
            "Returns a string with occurrences of one substring replaced by another substring", S),
        TypedFunc<&TrimFn>("Trim", {typeString}, typeString,
                           "Trims leading and trailing spaces and control characters from a string", S),
        TypedFunc<&TrimLeftFn>("TrimLeft", {typeString}, typeString,
                               "Trims leading spaces and control characters from a string", S),
        TypedFunc<&TrimRightFn>("TrimRight", {typeString}, typeString,
                                "Trims trailing spaces and control characters from a string", S),
        TypedFunc<&UpperCaseFn>("UpperCase", {typeString}, typeString,
                                "Returns a copy of a string in uppercase", S),
        RawFunc("VarArrayCreate", &FnVarArrayCreate, -1, "Creates a Variant array", V),
        TypedFunc<&VarArrayDimCountFn>("VarArrayDimCount", {typeVariant}, typeInteger,
                                       "Returns number of dimensions of a Variant array", V),
        TypedFunc<&VarArrayHighBoundFn>("VarArrayHighBound", {typeVariant, typeInteger}, typeInteger,
                                        "Returns high bound for a dimension in a Variant array", V),
        RawFunc("VarArrayLock", &VarArrayLockProc, 1,
                "Locks a Variant array and returns a pointer to the data", V),
        TypedFunc<&VarArrayLowBoundFn>("VarArrayLowBound", {typeVariant, typeInteger}, typeInteger,
                                       "Returns the low bound of a dimension in a Variant array", V),
        TypedFunc<&VarArrayOfFn>("VarArrayOf", {typeArray}, typeVariant,
                                 "Creates and fills a one-dimensional Variant array", V),
        RawFunc("VarArrayRedim", &FnVarArrayRedim, 2, "Resizes a Variant array", V),
        TypedFunc<&VarArrayRefFn>("VarArrayRef", {typeVariant}, typeVariant,
                                  "Returns a reference to the specified Variant array", V),
        RawFunc("VarArrayUnlock", &VarArrayUnlockProc, 1, "Unlocks a Variant array", V),
        TypedFunc<&VarAsTypeFn>("VarAsType", {typeVariant, typeInteger}, typeVariant,
                                "Converts a Variant to specified type", V),
        RawFunc("VarCast", &FnVarCast, 3,
                "Converts a Variant to a specified type, storing the result in a variable", V),
        RawFunc("VarClear", &FnVarClear, 1, "Empties a Variant, so that it is unassigned", V),
        RawFunc("VarCopy", &FnVarCopy, 2, "Copies a Variant", V),
        TypedFunc<&VarFromDateTimeFn>("VarFromDateTime", {typeVariant}, typeVariant,
                                      "Returns a Variant containing a specified data and time", V),
        TypedFunc<&VarIsArrayFn>("VarIsArray", {typeVariant}, typeBoolean,
                                 "Indicates whether the specified Variant is an array", V),
        TypedFunc<&VarIsEmptyFn>("VarIsEmpty", {typeVariant}, typeBoolean,
                                 "Indicates whether the specified Variant is unassigned", V),
        TypedFunc<&VarIsNullFn>("VarIsNull", {typeVariant}, typeBoolean,
                                "Indicates whether the specified Variant is Null", V),
        TypedFunc<&VarToDateTimeFn>("VarToDateTime", {typeVariant}, typeVariant,
                                    "Converts a specified Variant to a TDateTime value", V),
        TypedFunc<&VarToStrFn>("VarToStr", {typeVariant}, typeString, "Converts a Variant to a string", V),
        TypedFunc<&VarTypeFn>("VarType", {typeVariant}, typeInteger,
                              "Returns the type code of a specified Variant", V),
    };
    return table;
}

} // namespace skv::engine
