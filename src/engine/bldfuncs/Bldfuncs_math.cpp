// The always-present functions (arithmetic, aggregates, IIF, sets, exceptions) and the
// trigonometric and exponent/logarithm groups.
#include "engine/base/Errors.h"
#include "engine/base/Messages.h"
#include "engine/bldfuncs/Bldfuncs.h"
#include "engine/funcs/Exfuncs_classes.h"

#include <cmath>
#include <exception>
#include <limits>
#include <numbers>
#include <utility>

namespace skv::engine {

namespace {

double Real1(PParserOperation Op) {
    return Op->Arg1->ToReal();
}
void SetReal(PParserOperation Op, double Value) {
    *Op->Result = Variant(Value);
}

// A whole double as an integer value, refused when it does not fit.
Variant WholeToInteger(double Value) {
    if (!(Value >= std::numeric_limits<std::int32_t>::min() &&
          Value <= std::numeric_limits<std::int32_t>::max()))
        RaiseVariantError(TVariantError::Overflow);
    return Variant(static_cast<std::int32_t>(Value));
}

// ---- one operand, one double ----

// Through function pointers made of lambdas: the address of a standard library function may not
// be taken.
template <TRealFunction F> void Unary(PParserOperation Op) {
    SetReal(Op, F(Real1(Op)));
}
constexpr TRealFunction Sqr = [](double X) { return X * X; };
constexpr TRealFunction Sqrt = [](double X) { return std::sqrt(X); };
constexpr TRealFunction Abs = [](double X) { return std::fabs(X); };
constexpr TRealFunction Trunc = [](double X) { return std::trunc(X); };
constexpr TRealFunction Frac = [](double X) { return X - std::trunc(X); };
constexpr TRealFunction Sin = [](double X) { return std::sin(X); };
constexpr TRealFunction Cos = [](double X) { return std::cos(X); };
constexpr TRealFunction Tan = [](double X) { return std::tan(X); };
constexpr TRealFunction Cotan = [](double X) { return 1.0 / std::tan(X); };
constexpr TRealFunction ASin = [](double X) { return std::asin(X); };
constexpr TRealFunction ACos = [](double X) { return std::acos(X); };
constexpr TRealFunction ATan = [](double X) { return std::atan(X); };
constexpr TRealFunction SinH = [](double X) { return std::sinh(X); };
constexpr TRealFunction CosH = [](double X) { return std::cosh(X); };
constexpr TRealFunction TanH = [](double X) { return std::tanh(X); };
constexpr TRealFunction Exp = [](double X) { return std::exp(X); };
constexpr TRealFunction Ln = [](double X) { return std::log(X); };
constexpr TRealFunction Lg = [](double X) { return std::log10(X); };
constexpr TRealFunction Log2 = [](double X) { return std::log2(X); };

// A built-in of one double, which the fast form of chains can apply itself.
struct TRealBuiltIn {
    const char* Name;
    TMathProcedure Proc;
    TRealFunction Fn;
    const char* Descr;
    TFuncCategory Category;
};
template <TRealFunction F>
constexpr TRealBuiltIn RealFunc(const char* Name, const char* Descr, TFuncCategory Category) {
    return {Name, &Unary<F>, F, Descr, Category};
}
// Every such built-in, each group in registration order.
constexpr TRealBuiltIn kRealFunctions[] = {
    RealFunc<Sqr>("SQR", "Returns square value for x ( = x ^ 2)", fct_Arithm),
    RealFunc<Sqrt>("SQRT", "Returns square root value for x", fct_Arithm),
    RealFunc<Abs>("ABS", "Returns absolute value of x", fct_Arithm),
    RealFunc<Trunc>("TRUNC", "Returns integer part of x (same as INT(x))", fct_Arithm),
    RealFunc<Trunc>("INT", "Returns integer part of x ", fct_Arithm),
    RealFunc<Frac>("FRAC", "Returns fractional part value of x", fct_Arithm),
    RealFunc<Sin>("SIN", "Returns sine value of x", fct_Trigonom),
    RealFunc<Cos>("COS", "Returns cosine value of x", fct_Trigonom),
    RealFunc<Tan>("TAN", "Returns tangent value of x", fct_Trigonom),
    RealFunc<Cotan>("COTAN", "Returns cotangent value of x", fct_Trigonom),
    RealFunc<ASin>("ASIN", "Returns arcsine value of x", fct_Trigonom),
    RealFunc<ACos>("ACOS", "Returns arccosine value of x", fct_Trigonom),
    RealFunc<ATan>("ATAN", "Returns arctangent value of x", fct_Trigonom),
    RealFunc<SinH>("SINH", "Returns hyperbolic sine value of x", fct_Trigonom),
    RealFunc<CosH>("COSH", "Returns hyperbolic cosine value of x", fct_Trigonom),
    RealFunc<TanH>("TANH", "Returns hyperbolic tangent value of x", fct_Trigonom),
    RealFunc<Exp>("EXP", "Returns exponent value for the x", fct_ExpLog),
    RealFunc<Ln>("LN", "Returns natural logarithm value of x", fct_ExpLog),
    RealFunc<Lg>("LG", "Returns decimal logarithm value of x", fct_ExpLog),
    RealFunc<Log2>("LOG", "Returns base 2 logarithm value of x", fct_ExpLog),
};
// The rows above of one category as table rows, followed by the rows Then.
TBuildInTable RealFuncs(TFuncCategory Category, const TBuildInTable& Then = {}) {
    TBuildInTable table;
    for (const auto& f : kRealFunctions)
        if (f.Category == Category) table.push_back(RawFunc(f.Name, f.Proc, 1, f.Descr, f.Category));
    table.insert(table.end(), Then.begin(), Then.end());
    return table;
}

// ---- arithmetic ----

// INT(x) + R(FRAC(x) + 1) - 1 with R rounding halves to even: FRAC(x) + 1 lies in (0, 2), where
// halves to even means 0.5 -> 0 and 1.5 -> 2, so the whole rounds halves away from zero.
void FnRound(PParserOperation Op) {
    const double x = Real1(Op);
    const double whole = std::trunc(x);
    SetReal(Op, whole + std::nearbyint(x - whole + 1.0) - 1.0);
}
void FnCeil(PParserOperation Op) {
    *Op->Result = WholeToInteger(std::ceil(Real1(Op)));
}
void FnFloor(PParserOperation Op) {
    *Op->Result = WholeToInteger(std::floor(Real1(Op)));
}
void FnSign(PParserOperation Op) {
    switch (VarCmp(*Op->Arg1, Variant(std::int32_t{0}))) {
    case TVarCompareResult::LessThan:
        *Op->Result = Variant(std::int32_t{-1});
        return;
    case TVarCompareResult::GreaterThan:
        *Op->Result = Variant::Currency(TCurrency{10000});
        return;
    default:
        *Op->Result = Variant::Currency(TCurrency{0});
    }
}
void FnZero(PParserOperation Op) {
    const bool zero = VarEquals(*Op->Arg1, Variant(std::int32_t{0}));
    *Op->Result = Variant::Currency(TCurrency{zero ? 0 : 10000});
}
void FnDec(PParserOperation Op) {
    *Op->Arg1 = VarSub(*Op->Arg1, Variant(std::int32_t{1}));
    *Op->Result = *Op->Arg1;
}
void FnInc(PParserOperation Op) {
    *Op->Arg1 = VarAdd(*Op->Arg1, Variant(std::int32_t{1}));
    *Op->Result = *Op->Arg1;
}
void FnRadius(PParserOperation Op) {
    const double a = Op->Arg1->ToReal();
    const double b = Op->Arg2->ToReal();
    SetReal(Op, std::sqrt(a * a + b * b));
}
void FnArg(PParserOperation Op) {
    const double x = Op->Arg1->ToReal();
    const double y = Op->Arg2->ToReal();
    constexpr double pi = std::numbers::pi;
    if (x < 0) return SetReal(Op, std::atan(y / x) + pi);
    if (x > 0) return SetReal(Op, std::atan(y / x));
    SetReal(Op, y > 0 ? pi / 2 : -pi / 2);
}

// ---- aggregates ----

Variant SumOf(PParserOperation Op) {
    Variant sum(std::int32_t{0});
    for (std::int32_t i = 0; i < Op->ArgCount; ++i)
        sum = VarAdd(sum, *Op->Args[i]);
    return sum;
}
void FnSum(PParserOperation Op) {
    *Op->Result = SumOf(Op);
}
void FnAvg(PParserOperation Op) {
    if (Op->ArgCount < 1) {
        *Op->Result = Variant(std::int32_t{0});
        return;
    }
    *Op->Result = VarDiv(SumOf(Op), Variant(Op->ArgCount));
}
void FnProd(PParserOperation Op) {
    Variant prod(std::int32_t{Op->ArgCount > 0 ? 1 : 0});
    for (std::int32_t i = 0; i < Op->ArgCount; ++i)
        prod = VarMul(prod, *Op->Args[i]);
    *Op->Result = prod;
}
// The first operand that no later one beats; the operand itself, its kind kept.
void Extreme(PParserOperation Op, TVarCompareResult Beats) {
    if (Op->ArgCount < 1) return;
    const Variant* best = Op->Args[0];
    for (std::int32_t i = 1; i < Op->ArgCount; ++i)
        if (VarCmp(*Op->Args[i], *best) == Beats) best = Op->Args[i];
    *Op->Result = *best;
}
void FnMax(PParserOperation Op) {
    Extreme(Op, TVarCompareResult::GreaterThan);
}
void FnMin(PParserOperation Op) {
    Extreme(Op, TVarCompareResult::LessThan);
}

// ---- powers, logic, sets ----

void FnPower(PParserOperation Op) {
    SetReal(Op, std::pow(Op->Arg1->ToReal(), Op->Arg2->ToReal()));
}
void FnIPower(PParserOperation Op) {
    SetReal(Op, std::pow(Op->Arg1->ToReal(), std::trunc(Op->Arg2->ToReal())));
}
void FnIif(PParserOperation Op) {
    *Op->Result = VarEquals(*Op->Arg1, Variant(std::int32_t{0})) ? *Op->Arg3 : *Op->Arg2;
}
void FnDeclareSet(PParserOperation Op) {
    for (std::int32_t i = 0; i < Op->ArgCount; ++i)
        *Op->Args[i] = Variant(i);
}
void FnSetOf(PParserOperation Op) {
    std::uint32_t bits = 0;
    for (std::int32_t i = 0; i < Op->ArgCount; ++i) {
        const std::int32_t v = Op->Args[i]->ToInteger();
        bits |= std::uint32_t{1} << (static_cast<std::uint32_t>(v) & 31u);
    }
    *Op->Result = Variant(static_cast<std::int32_t>(bits));
}

// ---- exceptions ----

// An exception raised by RaiseExcept carries the object it was raised with, so that
// ExceptObject in the handler answers that same object.
class EScriptObjectException : public EScriptException {
public:
    EScriptObjectException(const std::string& Message, std::int32_t Ref)
        : EScriptException(Message), Ref(Ref) {}
    std::int32_t Ref;
};

std::string ExceptionClassName(const std::exception& E) {
    if (dynamic_cast<const EScriptException*>(&E)) return "EScriptException";
    if (dynamic_cast<const EMathParserError*>(&E)) return "EMathParserError";
    return "Exception";
}

// The object ExceptObject made for the exception being handled is kept in the context until the
// next one.
std::int32_t FnExceptObject(TEngineContext& Context) {
    std::exception_ptr current = std::current_exception();
    if (!current) return 0;
    if (current == Context.HandledException && Context.HandledExceptionObject)
        return Context.Objects.RefOf(Context.HandledExceptionObject.get());
    try {
        std::rethrow_exception(current);
    } catch (const EScriptObjectException& e) {
        if (Context.Objects.ObjectOf(e.Ref)) return e.Ref;
        Context.HandledExceptionObject = std::make_unique<TExceptionObject>("EScriptException", e.what());
    } catch (const std::exception& e) {
        Context.HandledExceptionObject = std::make_unique<TExceptionObject>(ExceptionClassName(e), e.what());
    } catch (...) {
        Context.HandledExceptionObject = std::make_unique<TExceptionObject>("Exception", "");
    }
    Context.HandledException = current;
    return Context.Objects.RefOf(Context.HandledExceptionObject.get());
}

void FnRaiseExcept(TEngineContext& Context, std::int32_t Ref) {
    const auto* object = dynamic_cast<const TExceptionObject*>(Context.Objects.ObjectOf(Ref));
    if (!object) throw EMathParserError(MsgWithName(_msgInvalidObjRef, "RaiseExcept"));
    throw EScriptObjectException(object->GetMessage(), Ref);
}

} // namespace

TRealFunction RealFunctionOf(TMathProcedure Proc) {
    for (const auto& f : kRealFunctions)
        if (f.Proc == Proc) return f.Fn;
    return nullptr;
}

const TBuildInTable& AlwaysPresentFuncTable() {
    // after the arithmetic rows of one double
    static const TBuildInTable rows = {
        RawFunc("ROUND", &FnRound, 1, "Rounds x to the nearest integer value", fct_Arithm),
        RawFunc("CEIL", &FnCeil, 1, "Returns 'ceil' integer value of x", fct_Arithm),
        RawFunc("FLOOR", &FnFloor, 1, "Returns 'floor' integer value of x", fct_Arithm),
        RawFunc("SIGN", &FnSign, 1, "Returns sign value of x (=1 if x>0; =0 if x=0; =-1 if x<0)", fct_Arithm),
        RawFunc("ZERO", &FnZero, 1, "if x=0 returns 0 else returns 1", fct_Arithm),
        RawFunc("DEC", &FnDec, 1, "Decrements a value of x by 1 and returns a new value", fct_Arithm),
        RawFunc("INC", &FnInc, 1, "Increments a value of x by 1 and returns a new value", fct_Arithm),
        RawFunc("RADIUS", &FnRadius, 2, "Returns radius value of x1 and x2 (=sqrt(sqr(x1)+sqr(x2)))",
                fct_Arithm),
        RawFunc("ARG", &FnArg, 2, "Returns argument(phase) value of x1 and x2", fct_Arithm),
        RawFunc("AVG", &FnAvg, -1, "Returns average value of unlimited number of arguments - x1, x2, x3 ...",
                fct_Aggregate),
        RawFunc("MAX", &FnMax, -1, "Returns maximum value of unlimited number of arguments - x1, x2, x3 ...",
                fct_Aggregate),
        RawFunc("MIN", &FnMin, -1, "Returns minimum value of input values x1, x2, x3 ...", fct_Aggregate),
        RawFunc("SUM", &FnSum, -1, "Returns sum of unlimited number of arguments - x1, x2, x3 ...",
                fct_Aggregate),
        RawFunc("PROD", &FnProd, -1, "Returns product of unlimited number of arguments - x1, x2, x3...",
                fct_Aggregate),
        RawFunc("POWER", &FnPower, 2, "Raises x to a power of y (y is a floating point value)", fct_Arithm),
        RawFunc("IPOWER", &FnIPower, 2, "Raises x to a power of y (y is an integer value)", fct_Arithm),
        RawFunc("IIF", &FnIif, 3, "if L<>0 then returns A else returns B", fct_Logical),
        RawFunc("DECLARESET", &FnDeclareSet, -1, "Declares an ordinal set", fct_System),
        RawFunc("SETOF", &FnSetOf, -1, "Makes and returns a set of set type values", fct_System),
        TypedFunc<&FnExceptObject>("ExceptObject", {typeVoid}, typeLongInt,
                                   "Returns a reference to the object associated with the current exception",
                                   fct_System),
        TypedFunc<&FnRaiseExcept>("RaiseExcept", {typeLongInt}, typeVoid, "Raises an exception class",
                                  fct_System),
    };
    static const TBuildInTable table = RealFuncs(fct_Arithm, rows);
    return table;
}

const TBuildInTable& TrigonomFuncTable() {
    static const TBuildInTable table = RealFuncs(fct_Trigonom);
    return table;
}

const TBuildInTable& ExpLogFuncTable() {
    static const TBuildInTable table = RealFuncs(fct_ExpLog);
    return table;
}

} // namespace skv::engine
