// The built-in function library every registry starts with: the always-present functions and the
// eight switchable groups and the tables they are registered from. What they keep (memory blocks,
// file handles, the message host) is the host's, in its engine context.
#pragma once

#include "engine/context/Enginecontext.h"
#include "engine/funcs/Exfuncs.h"

#include <cstdint>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

namespace skv::engine {

// A text that does not convert (a number, a date) or a value out of range for a conversion.
class EConvertError : public EMathParserError {
public:
    using EMathParserError::EMathParserError;
};

// File system failures of functions that raise rather than answer false.
class EInOutError : public EMathParserError {
public:
    using EMathParserError::EMathParserError;
};

inline constexpr const char* _msgNotAvailable = "Function is not available on this system";
inline constexpr const char* _msgInvalidFileHandle = "Invalid file handle";
inline constexpr const char* _msgTooLong = "Requested length is too large";

// One row of a built-in table: a raw procedure (Proc set) or a typed routine (MakeStub set).
struct TBuildInFunc {
    const char* Name;
    TMathProcedure Proc;
    std::int32_t ArgCount;
    std::unique_ptr<TFuncStub> (*MakeStub)();
    std::vector<TEPTypesType> Types;
    TEPTypesType Result;
    const char* Descr;
    TFuncCategory Category;
};
using TBuildInTable = std::vector<TBuildInFunc>;

inline TBuildInFunc RawFunc(const char* Name, TMathProcedure Proc, std::int32_t ArgCount, const char* Descr,
                            TFuncCategory Category) {
    return TBuildInFunc{Name, Proc, ArgCount, nullptr, {}, typeVoid, Descr, Category};
}
template <auto F> std::unique_ptr<TFuncStub> StubOf() {
    return MakeFuncStub(F);
}
template <auto F>
TBuildInFunc TypedFunc(const char* Name, std::vector<TEPTypesType> Types, TEPTypesType Result,
                       const char* Descr, TFuncCategory Category) {
    return TBuildInFunc{Name, nullptr, 0, &StubOf<F>, std::move(Types), Result, Descr, Category};
}

// A function of one double that gives a double and never raises.
using TRealFunction = double (*)(double);
// The function a one-argument built-in applies to its argument taken as a double, when the built-in
// does only that and stores the double it gives; null for any other procedure.
TRealFunction RealFunctionOf(TMathProcedure Proc);

// The tables, each in registration order.
const TBuildInTable& AlwaysPresentFuncTable();
const TBuildInTable& BuildInGroupTable(int Group); // empty for group 0 and unknown groups

// The library the registry uses by default (DefaultBuildInLibrary answers it).
class TStdBuildInLibrary final : public TBuildInLibrary {
public:
    void FillOutBuildFuncs(TFuncStringList& List) const override;
    void AddBuildInFuncs(TFuncStringList& List, int Group) const override;
    void RemoveBuildInFuncs(TFuncStringList& List, int Group) const override;
};

// Internal helpers shared by the group files.
namespace bldfuncs {
// The operand count of a raw procedure for an argument count error.
[[noreturn]] void RaiseArgCount(const char* Name);
// A text length a script asked for, refused past a sane limit.
std::size_t CheckedLength(std::int64_t Length);
// The text of V without a copy when V is a text (else its conversion, kept in Own).
inline const std::string& TextOf(const Variant& V, std::string& Own) {
    return V.IsString() ? V.RawString() : (Own = V.ToString());
}
// The local calendar time of T (the C library's, under a lock since it shares one buffer).
bool LocalTime(std::time_t T, std::tm& Out);
// Lower case with the letters of the 8-bit character set (the counterpart of UpStr).
std::string LowStr(std::string_view S);
// Case-blind compare with the same letters.
int CompareTextCyr(std::string_view A, std::string_view B);
} // namespace bldfuncs

// The rules of number and date texts the conversion functions use. The decimal separator is the
// engine's (DecimalSeparator(), "." in Skyvane); the thousands separator is ",".
namespace fmttext {
enum TFloatFormat : std::int32_t { ffGeneral, ffExponent, ffFixed, ffNumber, ffCurrency };
std::string FloatToStrF(double Value, std::int32_t Format, std::int32_t Precision, std::int32_t Digits);
std::string FormatFloat(const std::string& Format, double Value);
std::string FormatDateTime(const std::string& Format, double DateTime);
// Format with its placeholders; Args are the values to insert.
std::string Format(const std::string& Format, const Variant* Args, std::size_t Count);
// Str's texts: exponent form without a width, fixed decimals when given.
std::string StrOf(const Variant& X, std::int32_t Width, std::int32_t Decimals, bool HasWidth,
                  bool HasDecimals);
std::string DateText(double Days);     // yyyy-mm-dd
std::string TimeText(double Days);     // hh:nn:ss
std::string DateTimeText(double Days); // date, and the time unless it is midnight
} // namespace fmttext

} // namespace skv::engine
