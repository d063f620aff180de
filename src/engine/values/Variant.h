// The engine's dynamically typed value: a small tagged union with the automation type codes, the
// promotion rules of arithmetic and comparison, conversions, and arrays of values.
#pragma once

#include "engine/base/Errors.h"

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace skv::engine {

// Type codes as returned by VarType and accepted by VarAsType.
using TVarType = std::uint16_t;
constexpr TVarType varEmpty = 0;
constexpr TVarType varNull = 1;
constexpr TVarType varSmallint = 2;
constexpr TVarType varInteger = 3;
constexpr TVarType varSingle = 4;
constexpr TVarType varDouble = 5;
constexpr TVarType varCurrency = 6;
constexpr TVarType varDate = 7;
constexpr TVarType varDispatch = 9;
constexpr TVarType varBoolean = 11;
constexpr TVarType varVariant = 12; // array element type only: each element is a full Variant
constexpr TVarType varByte = 17;
constexpr TVarType varString = 256;
constexpr TVarType varTypeMask = 0x0FFF;
constexpr TVarType varArray = 0x2000;

// What went wrong in a value operation; the raiser turns it into an exception.
enum class TVariantError {
    InvalidCast, // "Invalid variant type conversion"
    Overflow,    // "Overflow while converting variant"
    InvalidOp,   // "Invalid variant operation"
    DivByZero,   // "Division by zero"
    BadVarType,  // "Invalid variant type"
    ArrayBounds, // "Index in variant array is out of bounds"
    ArrayLocked, // "Variant or safe array is locked"
    NotArray,    // "Variant is not an array"
    OutOfMemory, // "Out of memory for texts and arrays"
};

// The exception of value operations.
class EVariantError : public std::runtime_error {
public:
    EVariantError(TVariantError code, const std::string& message) : std::runtime_error(message), Code(code) {}
    TVariantError Code;
};

// The message text of an error.
const char* VariantErrorMessage(TVariantError code);

// A value operation failed, as an engine error (for a value context that asks for engine errors);
// the message is the value error's own text.
class EVariantOpError : public EMathParserError {
public:
    EVariantOpError(TVariantError Code, const std::string& Message) : EMathParserError(Message), Code(Code) {}
    TVariantError Code;
};

// Raises an error of value operations: EVariantError, or EVariantOpError when the value context
// bound to the thread asks for engine errors.
[[noreturn]] void RaiseVariantError(TVariantError code);

// What texts and arrays may hold together in one value context, in bytes (their storage and the
// text bytes; element values count on their own). Making a text or an array that would take the
// total past it raises OutOfMemory (for an array or a copy before its storage is allocated), so a
// script that piles up values fails cleanly instead of exhausting the memory.
inline constexpr std::int64_t kMaxHeldValueBytes = std::int64_t{256} << 20;

// The longest text a value holds: a text that would grow past it raises OutOfMemory.
inline constexpr std::size_t kMaxTextLength = std::size_t{64} << 20;

// Raises OutOfMemory when a text of Length bytes would pass kMaxTextLength or not fit beside what
// the bound value context holds: called before such a text is built, so nothing big is allocated
// and copied only to be refused.
void CheckTextRoom(std::size_t Length);

class TValueAccount; // the bytes charged to one value context; it outlives the context as needed

// What the values one host makes share: the account of the bytes their texts and arrays hold, the
// decimal separator of number texts, and the kind of error value operations raise. The engine binds
// a host's value context to the thread while it compiles and evaluates (TValueScope); values made
// with none bound are not counted, and use "." and EVariantError.
class TValueContext {
public:
    TValueContext();
    ~TValueContext();
    TValueContext(const TValueContext&) = delete;
    TValueContext& operator=(const TValueContext&) = delete;

    // What the texts and arrays charged to this context hold now.
    std::int64_t HeldBytes() const noexcept;

    char DecimalSeparator = '.';
    // Value errors raise EVariantOpError, an engine error, instead of EVariantError.
    bool EngineErrors = false;

private:
    friend class TValueScope;
    friend TValueAccount* BoundAccount() noexcept;
    TValueAccount* Account_;
};

namespace values_detail {
// The value context of the engine work running on this thread (read where the scope is inline).
extern constinit thread_local TValueContext* tBound;
} // namespace values_detail

// Binds Context to the calling thread while it lives and puts the one bound before back however
// the scope is left; a null Context leaves the binding as it is. Inline: every evaluation makes one.
class TValueScope {
public:
    explicit TValueScope(TValueContext* Context) noexcept
        : Previous_(values_detail::tBound), Bound_(Context != nullptr) {
        if (Bound_) values_detail::tBound = Context;
    }
    ~TValueScope() {
        if (Bound_) values_detail::tBound = Previous_;
    }
    TValueScope(const TValueScope&) = delete;
    TValueScope& operator=(const TValueScope&) = delete;

private:
    TValueContext* Previous_;
    bool Bound_;
};

// The decimal separator of the value context bound to the thread ("." with none): the one used
// when numbers become texts and texts are parsed as numbers.
char DecimalSeparator();

// A fixed-point value with four decimals: Value counts 1/10000.
struct TCurrency {
    std::int64_t Value = 0;
    friend bool operator==(TCurrency a, TCurrency b) { return a.Value == b.Value; }
};

// An automation object held by a dispatch value. Lifetime is shared by reference counting.
class TDispatchObject {
public:
    virtual ~TDispatchObject() = default;
    // A readable identification (used by to-string of a dispatch value).
    virtual std::string ClassName() const { return "Object"; }
};
using TDispatchRef = std::shared_ptr<TDispatchObject>;

struct TVarArrayBound {
    std::int32_t LowBound = 0;
    std::int32_t ElementCount = 0;
};

class Variant;
struct TVarArrayData; // bounds, element type, elements, lock count, account; defined in Variant.cpp
struct TVarText;      // a text and its account; defined in Variant.cpp

class Variant {
public:
    // Construction. The default value is empty.
    Variant() noexcept : type_(varEmpty), i64_(0) {}
    Variant(std::int32_t v) noexcept : type_(varInteger), i64_(0) { i32_ = v; }
    Variant(double v) noexcept : type_(varDouble), d_(v) {}
    Variant(bool v) noexcept : type_(varBoolean), i64_(0) { i16_ = v ? -1 : 0; }
    Variant(const char* s);
    Variant(std::string s);
    static Variant Null() noexcept;
    static Variant Smallint(std::int16_t v) noexcept;
    static Variant Byte(std::uint8_t v) noexcept;
    static Variant Single(float v) noexcept {
        Variant r;
        r.type_ = varSingle;
        r.f_ = v;
        return r;
    }
    static Variant Currency(TCurrency v) noexcept;
    static Variant CurrencyFromDouble(double v); // rounds to 4 decimals, halves to even
    static Variant Date(double days) noexcept;   // days since 1899-12-30, fraction = time of day
    static Variant Dispatch(TDispatchRef object);

    // Values without a heap payload (numbers, dates, booleans, empty, null) copy inline: the
    // evaluator assigns them on every operation.
    Variant(const Variant& other) : type_(other.type_), i64_(other.i64_) {
        if (other.hasPayload()) {
            type_ = varEmpty;
            copyFrom(other);
        }
    }
    Variant(Variant&& other) noexcept : type_(other.type_), i64_(other.i64_) {
        other.type_ = varEmpty;
        other.i64_ = 0;
    }
    Variant& operator=(const Variant& other) {
        if (((type_ | other.type_) & ~kPlainKinds) != 0 && (hasPayload() || other.hasPayload()))
            return assignSlow(other);
        type_ = other.type_;
        i64_ = other.i64_;
        return *this;
    }
    Variant& operator=(Variant&& other) noexcept {
        if (this == &other) return *this;
        if (hasPayload()) destroy();
        type_ = other.type_;
        i64_ = other.i64_;
        other.type_ = varEmpty;
        other.i64_ = 0;
        return *this;
    }
    ~Variant() {
        if (hasPayload()) destroy();
    }

    // Stores a number in place, without a temporary: what the evaluator does with every result.
    // A payload to free is left to a call of its own, so that the callers need no stack frame.
    void SetDouble(double v) noexcept {
        if (hasPayload()) return destroyAndSet(varDouble, Variant(v).i64_);
        type_ = varDouble;
        d_ = v;
    }
    void SetInteger(std::int32_t v) noexcept {
        if (hasPayload()) return destroyAndSet(varInteger, Variant(v).i64_);
        type_ = varInteger;
        i64_ = 0;
        i32_ = v;
    }
    void SetCurrency(TCurrency v) noexcept {
        if (hasPayload()) return destroyAndSet(varCurrency, v.Value);
        type_ = varCurrency;
        i64_ = v.Value;
    }

    // Kind queries.
    TVarType VType() const noexcept { return type_; }
    bool IsEmpty() const noexcept { return type_ == varEmpty; }
    bool IsNull() const noexcept { return type_ == varNull; }
    bool IsString() const noexcept { return type_ == varString; }
    bool IsArray() const noexcept { return (type_ & varArray) != 0; }
    bool IsDispatch() const noexcept { return type_ == varDispatch; }
    bool IsNumeric() const noexcept; // smallint, integer, single, double, currency, boolean, byte
    bool IsOrdinal() const noexcept; // smallint, integer, boolean, byte
    bool IsFloat() const noexcept;   // single, double

    // Raw payloads; valid only for the matching kind.
    std::int32_t RawInteger() const noexcept { return i32_; }
    double RawDouble() const noexcept { return d_; }
    float RawSingle() const noexcept { return f_; }
    // Where a double value keeps its number, for readers that hold on to it while it stays a double.
    const double* RawDoubleData() const noexcept { return &d_; }
    TCurrency RawCurrency() const noexcept { return TCurrency{i64_}; }
    const std::string& RawString() const; // a string value's text
    TDispatchRef RawDispatch() const;
    // The kind and the eight value bytes of a value without a heap payload (false for strings,
    // objects and arrays): equal bits are an equal value, for cheap "unchanged since" checks.
    bool InlineBits(TVarType& Type, std::int64_t& Bits) const noexcept {
        if (hasPayload()) return false;
        Type = type_;
        Bits = i64_;
        return true;
    }
    // The value is the one InlineBits answered Type and Bits for.
    bool HasInlineBits(TVarType Type, std::int64_t Bits) const noexcept {
        return type_ == Type && i64_ == Bits; // Type never has a payload: neither then has this
    }

    // Conversions. Each raises InvalidCast for a kind that does not convert, Overflow when out of
    // range. Null and arrays do not convert to numbers; empty converts to 0 / "" / false.
    double ToReal() const;
    std::int32_t ToInteger() const; // rounds halves to even
    std::int64_t ToInt64() const;
    TCurrency ToCurrency() const;
    double ToDate() const;
    bool ToBoolean() const;
    std::string ToString() const; // empty and null give ""

    // Arrays: a value of kind varArray | element type.
    static Variant ArrayCreate(const std::vector<TVarArrayBound>& bounds, TVarType elementType);
    static Variant ArrayOf(const std::vector<Variant>& values); // 1 dimension, low bound 0, varVariant
    int ArrayDimCount() const;                                  // 0 when not an array
    std::int32_t ArrayLowBound(int dim) const;                  // dim counts from 1
    std::int32_t ArrayHighBound(int dim) const;
    std::int64_t ArrayElementCount() const;
    TVarType ArrayElementType() const;
    void ArrayRedim(std::int32_t highBound); // the last dimension gets a new upper bound
    Variant ArrayGet(const std::vector<std::int32_t>& indices) const;
    void ArraySet(const std::vector<std::int32_t>& indices, const Variant& value);
    void* ArrayLock();  // address of the element storage; redim is refused while locked
    void ArrayUnlock(); // releases one lock

    void Clear() noexcept; // becomes empty

private:
    // Kinds 0 to 7 (empty, null, the numbers the evaluator computes with, currency, date) have
    // no payload: one test settles what is stored on every operation.
    static constexpr TVarType kPlainKinds = 7;
    bool hasPayload() const noexcept {
        // Strings and arrays are the only kinds from varString up.
        return (type_ & ~kPlainKinds) != 0 && (type_ == varDispatch || type_ >= varString);
    }
    Variant& assignSlow(const Variant& other);
    void destroy() noexcept;
    void destroyAndSet(TVarType Type, std::int64_t Bits) noexcept;
    void copyFrom(const Variant& other);
    TVarArrayData& arrayData() const;

    TVarType type_;
    union {
        std::int16_t i16_;
        std::uint8_t u8_;
        std::int32_t i32_;
        float f_;
        double d_;
        std::int64_t i64_;
        TVarText* text_;
        TDispatchRef* disp_;
        TVarArrayData* arr_;
    };
};

// Arithmetic with the promotion rules of automation values.
Variant VarAdd(const Variant& a, const Variant& b);
Variant VarSub(const Variant& a, const Variant& b);
Variant VarMul(const Variant& a, const Variant& b);
Variant VarDiv(const Variant& a, const Variant& b);  // real division
Variant VarIdiv(const Variant& a, const Variant& b); // integer division
Variant VarMod(const Variant& a, const Variant& b);
Variant VarNeg(const Variant& a);
Variant VarAnd(const Variant& a, const Variant& b); // bitwise on integers, logical on booleans
Variant VarOr(const Variant& a, const Variant& b);
Variant VarXor(const Variant& a, const Variant& b);
Variant VarNot(const Variant& a);

// Three-way comparison result.
enum class TVarCompareResult { LessThan = -1, Equal = 0, GreaterThan = 1, Null = 2 };
TVarCompareResult VarCmp(const Variant& a, const Variant& b);
bool VarEquals(const Variant& a, const Variant& b); // VarCmp == Equal; null equals nothing

// Conversion to a given type code; an array code converts an array's elements.
Variant VarAsType(const Variant& v, TVarType type);

// The engine's conversions by name.
inline double VarToReal(const Variant& v) {
    return v.ToReal();
}
inline std::int32_t VarToInt(const Variant& v) {
    return v.ToInteger();
}
inline std::string VarToStr(const Variant& v) {
    return v.ToString();
}
inline bool VarToBool(const Variant& v) {
    return v.ToBoolean();
}

// Number texts with the engine's decimal separator: the shortest general format (up to 15
// significant digits), and the parser for numbers in texts (leading/trailing blanks allowed).
std::string FloatToStrGeneral(double value);
std::string CurrencyToStr(TCurrency value);
bool TryStrToFloat(const std::string& text, double& value);
bool TryStrToCurrency(const std::string& text, TCurrency& value);
// Reads a number, TRUE/FALSE or a "$" hex text into Value; false (and integer 0) for anything else.
bool TextToValue(const std::string& Text, Variant& Value);

// Dates: serial days since 1899-12-30 and their text "yyyy-mm-dd hh:nn:ss" (time part omitted at
// midnight, date part omitted for a pure time below one day).
std::string DateToStr(double days);
bool TryStrToDate(const std::string& text, double& days);
double EncodeDate(int year, int month, int day); // raises InvalidCast for an invalid date
void DecodeDate(double days, int& year, int& month, int& day);
double EncodeTime(int hour, int minute, int second, int msec);
void DecodeTime(double days, int& hour, int& minute, int& second, int& msec);

} // namespace skv::engine
