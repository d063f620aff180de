// The built-in function library every registry starts with: the always-present functions and the
// eight switchable groups, the tables they are registered from, and the services they need from
// the host (message boxes) and from the engine (memory blocks, file handles).
#pragma once

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
inline constexpr const char* _msgInvalidMemory = "Invalid memory address or range";
inline constexpr const char* _msgOutOfMemory = "Out of memory for script memory blocks";
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

// Where ShowMessage, MessageBox and MessageDlg go. The GUI installs one that shows real boxes;
// without one the texts are printed on standard output and the first button counts as pressed.
class TMessageHost {
public:
    virtual ~TMessageHost() = default;
    virtual void ShowMessage(const std::string& Text) = 0;
    // Answers the button pressed (1 = OK).
    virtual std::int32_t MessageBox(const std::string& Text, const std::string& Caption,
                                    std::int32_t Flags) = 0;
    virtual std::int32_t MessageDlg(const std::string& Text, std::int32_t DlgType, std::int32_t Buttons,
                                    std::int32_t HelpContext) = 0;
    // The standard error report: an error box with the text (a component's check that failed).
    virtual void ShowError(const std::string& Text) { ShowMessage(Text); }
};
// Installs Host (null: back to printing); answers the previous one. The host must outlive its use.
TMessageHost* SetMessageHost(TMessageHost* Host);
// Shows Text through the host's error report; without a host it goes to standard error.
void ReportError(const std::string& Text);

// Script memory. Scripts never see real addresses: AllocMem hands out numbers in a space of its
// own, and every access is checked against the live blocks, so a script cannot touch memory that
// it was not given. An address may point inside a block (base plus offset).
namespace scriptmem {
std::int32_t Alloc(std::int64_t Size);
// Answers the new address (the contents kept up to the smaller size); address 0 allocates, size 0
// frees and answers 0.
std::int32_t Realloc(std::int32_t Address, std::int64_t Size);
void Free(std::int32_t Address); // 0 is nothing to free
// The bytes [Address, Address + Count) of one live block, or an engine error.
std::uint8_t* Resolve(std::int64_t Address, std::int64_t Count);
// Number of live blocks and their total size (for tests and diagnostics).
std::int64_t LiveBytes();
} // namespace scriptmem

// Internal helpers shared by the group files.
namespace bldfuncs {
// The operand count of a raw procedure for an argument count error.
[[noreturn]] void RaiseArgCount(const char* Name);
// A text length a script asked for, refused past a sane limit.
std::size_t CheckedLength(std::int64_t Length);
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
