// Arithmetic, comparison and type conversion of values: which kind two operands promote to, and
// how each kind computes.
#include "engine/values/Variant.h"

#include "engine/base/Checkpoint.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace skv::engine {

namespace {

// Operand classes of the promotion tables, in table order.
enum TKind { kE, kN, kI2, kI4, kR4, kR8, kCY, kDT, kBO, kU1, kST, kKindCount, kOther = kKindCount };

TKind kindOf(const Variant& v) {
    switch (v.VType()) {
    case varEmpty:
        return kE;
    case varNull:
        return kN;
    case varSmallint:
        return kI2;
    case varInteger:
        return kI4;
    case varSingle:
        return kR4;
    case varDouble:
        return kR8;
    case varCurrency:
        return kCY;
    case varDate:
        return kDT;
    case varBoolean:
        return kBO;
    case varByte:
        return kU1;
    case varString:
        return kST;
    default:
        return kOther;
    }
}

constexpr TVarType N = varNull, I2 = varSmallint, I4 = varInteger, R4 = varSingle, R8 = varDouble,
                   CY = varCurrency, DT = varDate, U1 = varByte, ST = varString;

// The kind of a + b (row a, column b). Null wins over everything; date over currency over double;
// a string meeting a number is parsed as a double; two strings (or a string and empty)
// concatenate; a single meeting a 32-bit integer widens to double; booleans count as smallints;
// empty takes the other operand's kind (two empties give a smallint 0).
//                                     E   N   I2  I4  R4  R8  CY  DT  BO  U1  ST
constexpr TVarType kAddType[kKindCount][kKindCount] = {
    /* E  */ {I2, N, I2, I4, R4, R8, CY, DT, I2, U1, ST},
    /* N  */ {N, N, N, N, N, N, N, N, N, N, N},
    /* I2 */ {I2, N, I2, I4, R4, R8, CY, DT, I2, I2, R8},
    /* I4 */ {I4, N, I4, I4, R8, R8, CY, DT, I4, I4, R8},
    /* R4 */ {R4, N, R4, R8, R4, R8, CY, DT, R4, R4, R8},
    /* R8 */ {R8, N, R8, R8, R8, R8, CY, DT, R8, R8, R8},
    /* CY */ {CY, N, CY, CY, CY, CY, CY, DT, CY, CY, CY},
    /* DT */ {DT, N, DT, DT, DT, DT, DT, DT, DT, DT, DT},
    /* BO */ {I2, N, I2, I4, R4, R8, CY, DT, I2, I2, R8},
    /* U1 */ {U1, N, I2, I4, R4, R8, CY, DT, I2, U1, R8},
    /* ST */ {ST, N, R8, R8, R8, R8, CY, DT, R8, R8, ST},
};

// Subtraction and multiplication use the same table except: strings never concatenate (both
// operands are parsed, giving a double); a date minus a date is a count of days (double); any
// product with a date is a plain double, and so is a currency times a single, a double or a text
// (only integers, bytes, booleans and currencies keep a product in currency).
struct TOverride {
    TKind A, B;
    TVarType Result;
};
constexpr TOverride kSubOverrides[] = {
    {kST, kST, R8},
    {kE, kST, R8},
    {kST, kE, R8},
    {kDT, kDT, R8},
};
constexpr TOverride kMulOverrides[] = {
    {kST, kST, R8}, {kE, kST, R8},  {kST, kE, R8},  {kCY, kR4, R8}, {kR4, kCY, R8},
    {kCY, kR8, R8}, {kR8, kCY, R8}, {kCY, kST, R8}, {kST, kCY, R8},
};

enum class TOp { Add, Sub, Mul };

TVarType resultType(TOp op, TKind a, TKind b) {
    if (a == kOther || b == kOther) RaiseVariantError(TVariantError::InvalidOp);
    TVarType t = kAddType[a][b];
    if (op == TOp::Sub) {
        for (const TOverride& o : kSubOverrides)
            if (o.A == a && o.B == b) t = o.Result;
    } else if (op == TOp::Mul) {
        for (const TOverride& o : kMulOverrides)
            if (o.A == a && o.B == b) t = o.Result;
        if (t == DT) t = R8;
    }
    return t;
}

bool fitsSmallint(std::int64_t v) {
    return v >= -32768 && v <= 32767;
}
bool fitsInteger(std::int64_t v) {
    return v >= std::numeric_limits<std::int32_t>::min() && v <= std::numeric_limits<std::int32_t>::max();
}

// An ordinal result in its kind, or the next wider kind when it does not fit: byte -> smallint
// -> integer -> double. Integer arithmetic never wraps.
Variant ordinalResult(TVarType t, std::int64_t v) {
    if (t == U1 && v >= 0 && v <= 255) return Variant::Byte(static_cast<std::uint8_t>(v));
    if ((t == U1 || t == I2) && fitsSmallint(v)) return Variant::Smallint(static_cast<std::int16_t>(v));
    if (fitsInteger(v)) return Variant(static_cast<std::int32_t>(v));
    return Variant(static_cast<double>(v));
}

double checkedDouble(double r) {
    if (std::isinf(r)) RaiseVariantError(TVariantError::Overflow);
    return r;
}

// A single result, widening to double when it leaves the single range.
Variant singleResult(double r) {
    if (std::isfinite(r) && std::fabs(r) > static_cast<double>(std::numeric_limits<float>::max()))
        return Variant(r);
    return Variant::Single(static_cast<float>(checkedDouble(r)));
}

std::int64_t checkedAdd(std::int64_t a, std::int64_t b) {
    std::int64_t r = 0;
    if (__builtin_add_overflow(a, b, &r)) RaiseVariantError(TVariantError::Overflow);
    return r;
}
std::int64_t checkedSub(std::int64_t a, std::int64_t b) {
    std::int64_t r = 0;
    if (__builtin_sub_overflow(a, b, &r)) RaiseVariantError(TVariantError::Overflow);
    return r;
}

// (a * b) / 10000 of two currency counts, halves to even.
std::int64_t currencyMul(std::int64_t a, std::int64_t b) {
    const __int128 p = static_cast<__int128>(a) * b;
    __int128 q = p / 10000;
    const __int128 r = p % 10000;
    const __int128 absR = r < 0 ? -r : r;
    if (absR > 5000 || (absR == 5000 && q % 2 != 0)) q += r < 0 ? -1 : 1;
    if (q > std::numeric_limits<std::int64_t>::max() || q < std::numeric_limits<std::int64_t>::min())
        RaiseVariantError(TVariantError::Overflow);
    return static_cast<std::int64_t>(q);
}

Variant compute(TOp op, const Variant& a, const Variant& b) {
    const TVarType t = resultType(op, kindOf(a), kindOf(b));
    switch (t) {
    case N:
        return Variant::Null();
    case ST: {
        // Texts are joined without copying them first, and a join past the longest text is refused
        // before anything is allocated: a script doubling a text in a loop would take all memory.
        std::string ownA, ownB;
        const std::string& x = a.IsString() ? a.RawString() : (ownA = a.ToString());
        const std::string& y = b.IsString() ? b.RawString() : (ownB = b.ToString());
        if (y.size() > kMaxTextLength - std::min(x.size(), kMaxTextLength))
            RaiseVariantError(TVariantError::OutOfMemory);
        CheckTextRoom(x.size() + y.size());
        std::string text;
        text.reserve(x.size() + y.size());
        AppendWithWork(text, x);
        AppendWithWork(text, y);
        return Variant(std::move(text));
    }
    case U1:
    case I2:
    case I4: {
        const std::int64_t x = a.ToInt64(), y = b.ToInt64();
        const std::int64_t r = op == TOp::Add ? x + y : op == TOp::Sub ? x - y : x * y;
        return ordinalResult(t, r);
    }
    case R4: {
        const double x = a.ToReal(), y = b.ToReal();
        return singleResult(op == TOp::Add ? x + y : op == TOp::Sub ? x - y : x * y);
    }
    case CY: {
        const std::int64_t x = a.ToCurrency().Value, y = b.ToCurrency().Value;
        const std::int64_t r = op == TOp::Add   ? checkedAdd(x, y)
                               : op == TOp::Sub ? checkedSub(x, y)
                                                : currencyMul(x, y);
        return Variant::Currency(TCurrency{r});
    }
    case DT: {
        const double x = a.ToDate(), y = b.ToDate();
        return Variant::Date(checkedDouble(op == TOp::Add ? x + y : x - y));
    }
    default: {
        const double x = a.ToReal(), y = b.ToReal();
        return Variant(checkedDouble(op == TOp::Add ? x + y : op == TOp::Sub ? x - y : x * y));
    }
    }
}

bool isSmallKind(TKind k) {
    return k == kE || k == kI2 || k == kBO || k == kU1;
}

} // namespace

Variant VarAdd(const Variant& a, const Variant& b) {
    return compute(TOp::Add, a, b);
}
Variant VarSub(const Variant& a, const Variant& b) {
    return compute(TOp::Sub, a, b);
}
Variant VarMul(const Variant& a, const Variant& b) {
    return compute(TOp::Mul, a, b);
}

// Real division gives a double, or a single when a single meets only singles, smallints, bytes,
// booleans or empty. Any division by zero (also 0/0) raises.
Variant VarDiv(const Variant& a, const Variant& b) {
    const TKind ka = kindOf(a), kb = kindOf(b);
    if (ka == kOther || kb == kOther) RaiseVariantError(TVariantError::InvalidOp);
    if (ka == kN || kb == kN) return Variant::Null();
    const double x = a.ToReal(), y = b.ToReal();
    if (y == 0.0) RaiseVariantError(TVariantError::DivByZero);
    const bool single =
        (ka == kR4 || kb == kR4) && (ka == kR4 || isSmallKind(ka)) && (kb == kR4 || isSmallKind(kb));
    return single ? singleResult(x / y) : Variant(checkedDouble(x / y));
}

namespace {
// Integer division and modulo: both operands rounded to integers (halves to even); the result is a
// byte for two bytes, a smallint for smallint-sized operands, else an integer.
Variant integerDivision(const Variant& a, const Variant& b, bool modulo) {
    const TKind ka = kindOf(a), kb = kindOf(b);
    if (ka == kOther || kb == kOther) RaiseVariantError(TVariantError::InvalidOp);
    if (ka == kN || kb == kN) return Variant::Null();
    const bool small = isSmallKind(ka) && isSmallKind(kb);
    const std::int64_t x = small ? a.ToInt64() : a.ToInteger();
    const std::int64_t y = small ? b.ToInt64() : b.ToInteger();
    if (y == 0) RaiseVariantError(TVariantError::DivByZero);
    const std::int64_t r = modulo ? x % y : x / y;
    if (ka == kU1 && kb == kU1) return Variant::Byte(static_cast<std::uint8_t>(r));
    if (small && fitsSmallint(r)) return Variant::Smallint(static_cast<std::int16_t>(r));
    if (!fitsInteger(r)) RaiseVariantError(TVariantError::Overflow);
    return Variant(static_cast<std::int32_t>(r));
}
} // namespace

Variant VarIdiv(const Variant& a, const Variant& b) {
    return integerDivision(a, b, false);
}
Variant VarMod(const Variant& a, const Variant& b) {
    return integerDivision(a, b, true);
}

// Negation keeps the kind; a byte or boolean becomes a smallint, a string a double; the one value
// of each integer kind without a positive counterpart widens.
Variant VarNeg(const Variant& a) {
    switch (a.VType()) {
    case varNull:
        return Variant::Null();
    case varEmpty:
        return Variant::Smallint(0);
    case varSmallint:
    case varBoolean:
    case varByte:
        return ordinalResult(I2, -a.ToInt64());
    case varInteger:
        return ordinalResult(I4, -std::int64_t{a.RawInteger()});
    case varSingle:
        return Variant::Single(-static_cast<float>(a.ToReal()));
    case varDouble:
        return Variant(-a.RawDouble());
    case varCurrency:
        return Variant::Currency(TCurrency{checkedSub(0, a.RawCurrency().Value)});
    case varDate:
        return Variant::Date(-a.RawDouble());
    case varString:
        return Variant(-a.ToReal());
    default:
        RaiseVariantError(TVariantError::InvalidOp);
    }
}

namespace {
enum class TBitOp { And, Or, Xor };

// Booleans combine logically; anything else as integers, bit by bit. Null follows three-valued
// logic: Null AND False is False, Null OR True is True, otherwise Null.
Variant bitwise(TBitOp op, const Variant& a, const Variant& b) {
    const TKind ka = kindOf(a), kb = kindOf(b);
    if (ka == kOther || kb == kOther) RaiseVariantError(TVariantError::InvalidOp);
    if (ka == kN || kb == kN) {
        const Variant& other = ka == kN ? b : a;
        if (!other.IsNull() && op != TBitOp::Xor) {
            const bool isBool = other.VType() == varBoolean;
            const std::int64_t v = other.ToInt64();
            if (op == TBitOp::And && v == 0) return isBool ? Variant(false) : Variant(std::int32_t{0});
            if (op == TBitOp::Or && v == -1) return isBool ? Variant(true) : Variant(std::int32_t{-1});
        }
        return Variant::Null();
    }
    const std::int64_t x = a.ToInt64(), y = b.ToInt64();
    const std::int64_t r = op == TBitOp::And ? (x & y) : op == TBitOp::Or ? (x | y) : (x ^ y);
    if (ka == kBO && kb == kBO) return Variant(r != 0);
    if (ka == kU1 && kb == kU1) return Variant::Byte(static_cast<std::uint8_t>(r));
    if (isSmallKind(ka) && isSmallKind(kb)) return Variant::Smallint(static_cast<std::int16_t>(r));
    if (!fitsInteger(x) || !fitsInteger(y)) RaiseVariantError(TVariantError::Overflow);
    return Variant(static_cast<std::int32_t>(r));
}
} // namespace

Variant VarAnd(const Variant& a, const Variant& b) {
    return bitwise(TBitOp::And, a, b);
}
Variant VarOr(const Variant& a, const Variant& b) {
    return bitwise(TBitOp::Or, a, b);
}
Variant VarXor(const Variant& a, const Variant& b) {
    return bitwise(TBitOp::Xor, a, b);
}

Variant VarNot(const Variant& a) {
    switch (a.VType()) {
    case varNull:
        return Variant::Null();
    case varBoolean:
        return Variant(a.ToInt64() == 0);
    case varEmpty:
        return Variant::Smallint(-1);
    case varByte:
        return Variant::Byte(static_cast<std::uint8_t>(~a.ToInt64()));
    case varSmallint:
        return Variant::Smallint(static_cast<std::int16_t>(~a.ToInt64()));
    default:
        return Variant(static_cast<std::int32_t>(~a.ToInteger()));
    }
}

// ---- comparison ----

namespace {
TVarCompareResult threeWay(auto x, auto y) {
    if (x < y) return TVarCompareResult::LessThan;
    if (y < x) return TVarCompareResult::GreaterThan;
    return TVarCompareResult::Equal;
}

bool isNumberKind(TKind k) {
    return k != kN && k != kST && k != kOther;
}

TVarCompareResult compareNumbers(const Variant& a, const Variant& b) {
    const TKind ka = kindOf(a), kb = kindOf(b);
    const bool exactA = ka == kCY || a.IsOrdinal() || ka == kE;
    const bool exactB = kb == kCY || b.IsOrdinal() || kb == kE;
    if (exactA && exactB) return threeWay(a.ToCurrency().Value, b.ToCurrency().Value);
    return threeWay(a.ToReal(), b.ToReal());
}

// A single met by a double or a date: the other is rounded to a single first, so a double that only
// differs beyond a single's precision compares equal. One outside a single's range stays as it is:
// it lies beyond every single either way.
TVarCompareResult compareAsSingles(const Variant& a, const Variant& b) {
    const auto asSingle = [](double d) {
        return std::fabs(d) > static_cast<double>(std::numeric_limits<float>::max())
                   ? d
                   : static_cast<double>(static_cast<float>(d));
    };
    return threeWay(asSingle(a.ToReal()), asSingle(b.ToReal()));
}
} // namespace

// Comparison of a string with a number: a string that reads as a number compares by its value
// (the promotion arithmetic applies, so "10" > 9 and "1.0" = 1); a string that does not read as a
// number ranks above every number, as plain automation comparison ranks all strings, and no error
// is raised. Two strings compare byte by byte; empty is 0 against a number and "" against a
// string; null compares as Null with everything.
TVarCompareResult VarCmp(const Variant& a, const Variant& b) {
    // Integers and doubles, what functions such as MAX and MIN compare most, first: two integers
    // compare exactly, any mix of the two as doubles.
    const TVarType ta = a.VType(), tb = b.VType();
    if (ta == varInteger && tb == varInteger) return threeWay(a.RawInteger(), b.RawInteger());
    if ((ta == varDouble || ta == varInteger) && (tb == varDouble || tb == varInteger))
        return threeWay(ta == varDouble ? a.RawDouble() : double(a.RawInteger()),
                        tb == varDouble ? b.RawDouble() : double(b.RawInteger()));
    const TKind ka = kindOf(a), kb = kindOf(b);
    if (ka == kOther || kb == kOther) RaiseVariantError(TVariantError::InvalidOp);
    if (ka == kN || kb == kN) return TVarCompareResult::Null;
    if ((ka == kR4 && (kb == kR8 || kb == kDT)) || (kb == kR4 && (ka == kR8 || ka == kDT)))
        return compareAsSingles(a, b);
    if ((ka == kST || ka == kE) && (kb == kST || kb == kE)) {
        const int c = a.ToString().compare(b.ToString());
        return c < 0   ? TVarCompareResult::LessThan
               : c > 0 ? TVarCompareResult::GreaterThan
                       : TVarCompareResult::Equal;
    }
    if (ka == kST || kb == kST) {
        const Variant& text = ka == kST ? a : b;
        double parsed = 0;
        if (!TryStrToFloat(text.RawString(), parsed))
            return ka == kST ? TVarCompareResult::GreaterThan : TVarCompareResult::LessThan;
        return ka == kST ? compareNumbers(Variant(parsed), b) : compareNumbers(a, Variant(parsed));
    }
    if (isNumberKind(ka) && isNumberKind(kb)) return compareNumbers(a, b);
    RaiseVariantError(TVariantError::InvalidOp);
}

bool VarEquals(const Variant& a, const Variant& b) {
    return VarCmp(a, b) == TVarCompareResult::Equal;
}

// ---- VarAsType ----

namespace {
Variant convertScalar(const Variant& v, TVarType type) {
    if (type == varVariant || v.VType() == type) return v;
    if (type == varEmpty) return Variant();
    if (type == varNull) return Variant::Null();
    if (v.IsNull() || v.IsArray()) RaiseVariantError(TVariantError::InvalidCast);
    switch (type) {
    case varSmallint: {
        const std::int64_t x = v.ToInt64();
        if (!fitsSmallint(x)) RaiseVariantError(TVariantError::Overflow);
        return Variant::Smallint(static_cast<std::int16_t>(x));
    }
    case varByte: {
        const std::int64_t x = v.ToInt64();
        if (x < 0 || x > 255) RaiseVariantError(TVariantError::Overflow);
        return Variant::Byte(static_cast<std::uint8_t>(x));
    }
    case varInteger:
        return Variant(v.ToInteger());
    case varSingle: {
        const double d = v.ToReal();
        if (std::isfinite(d) && std::fabs(d) > static_cast<double>(std::numeric_limits<float>::max()))
            RaiseVariantError(TVariantError::Overflow);
        return Variant::Single(static_cast<float>(d));
    }
    case varDouble:
        return Variant(v.ToReal());
    case varCurrency:
        return Variant::Currency(v.ToCurrency());
    case varDate:
        return Variant::Date(v.ToDate());
    case varBoolean:
        return Variant(v.ToBoolean());
    case varString:
        return Variant(v.ToString());
    case varDispatch:
        RaiseVariantError(TVariantError::InvalidCast);
    default:
        RaiseVariantError(TVariantError::BadVarType);
    }
}
} // namespace

// What converting one array element counts as work: far more than its bytes, since each goes
// through the general conversion.
constexpr std::size_t kConversionWork = 256;

Variant VarAsType(const Variant& v, TVarType type) {
    if ((type & varArray) == 0) return convertScalar(v, type);
    const TVarType element = type & varTypeMask;
    if (!v.IsArray()) RaiseVariantError(TVariantError::InvalidCast);
    if (v.VType() == type) return v;
    std::vector<TVarArrayBound> bounds;
    for (int d = 1; d <= v.ArrayDimCount(); ++d)
        bounds.push_back({v.ArrayLowBound(d), static_cast<std::int32_t>(std::int64_t{v.ArrayHighBound(d)} -
                                                                        v.ArrayLowBound(d) + 1)});
    Variant out = Variant::ArrayCreate(bounds, element);
    // Walk every index tuple, first dimension fastest.
    std::vector<std::int32_t> idx;
    for (const TVarArrayBound& b : bounds)
        idx.push_back(b.LowBound);
    for (std::int64_t n = 0; n < v.ArrayElementCount(); ++n) {
        out.ArraySet(idx, v.ArrayGet(idx));
        EvalWork(kConversionWork);
        for (std::size_t d = 0; d < idx.size(); ++d) {
            if (++idx[d] < bounds[d].LowBound + bounds[d].ElementCount) break;
            idx[d] = bounds[d].LowBound;
        }
    }
    return out;
}

} // namespace skv::engine
