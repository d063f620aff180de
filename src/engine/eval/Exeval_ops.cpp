// The procedures of compiled operations and statements, and the walk over their chains. The hot
// path only follows pointers: operands were bound to their value slots by the compiler.
#include "engine/base/Errors.h"
#include "engine/base/Messages.h"
#include "engine/eval/Exeval.h"
#include "engine/eval/Exeval_fast.h"

#include <cmath>
#include <limits>

namespace skv::engine {

namespace {

const Variant kZero{std::int32_t{0}};

bool IsDouble(const Variant& V) {
    return V.VType() == varDouble;
}

// Scripts compute almost only with 32-bit integers (literals, FRAMES) and doubles. For those two
// kinds the value rules reduce to: integer with integer stays an integer (widening to double when
// the result leaves 32 bits), anything else is a double, and an infinite double overflows. The
// operations below take that short way and leave every other kind to the general arithmetic.
// An integer's or a double's value as a double; false for every other kind.
bool AsReal(const Variant& V, double& X) {
    if (V.VType() == varDouble) {
        X = V.RawDouble();
        return true;
    }
    if (V.VType() == varInteger) {
        X = double(V.RawInteger());
        return true;
    }
    return false;
}

bool BothIntegers(const Variant& A, const Variant& B) {
    return A.VType() == varInteger && B.VType() == varInteger;
}

// Results are stored straight into their slot (which may be an operand: the value is computed
// first).
void SetChecked(Variant& Result, double R) {
    if (std::isinf(R)) RaiseVariantError(TVariantError::Overflow);
    Result.SetDouble(R);
}

void SetWholeOrReal(Variant& Result, std::int64_t R) {
    if (R >= std::numeric_limits<std::int32_t>::min() && R <= std::numeric_limits<std::int32_t>::max())
        Result.SetInteger(static_cast<std::int32_t>(R));
    else
        Result.SetDouble(static_cast<double>(R));
}

enum class TArith { Add, Sub, Mul };

template <TArith Kind, class T> T Apply(T X, T Y) {
    if constexpr (Kind == TArith::Add) return X + Y;
    if constexpr (Kind == TArith::Sub) return X - Y;
    if constexpr (Kind == TArith::Mul) return X * Y;
}

// The general arithmetic, out of the way of the short paths.
template <TArith Kind>
[[gnu::noinline]] void GeneralArith(const Variant& A, const Variant& B, Variant& Result) {
    if constexpr (Kind == TArith::Add) Result = VarAdd(A, B);
    if constexpr (Kind == TArith::Sub) Result = VarSub(A, B);
    if constexpr (Kind == TArith::Mul) Result = VarMul(A, B);
}

template <TArith Kind> void Arith(const Variant& A, const Variant& B, Variant& Result) {
    double x, y;
    if (BothIntegers(A, B))
        SetWholeOrReal(Result, Apply<Kind>(std::int64_t{A.RawInteger()}, std::int64_t{B.RawInteger()}));
    else if (AsReal(A, x) && AsReal(B, y))
        SetChecked(Result, Apply<Kind>(x, y));
    else
        GeneralArith<Kind>(A, B, Result);
}

// Truncates toward zero to 64 bits; values that do not fit overflow.
std::int64_t TruncInt64(const Variant& V) {
    if (V.IsOrdinal()) return V.ToInt64();
    const double d = std::trunc(V.ToReal());
    if (!(d >= -9223372036854775808.0 && d < 9223372036854775808.0))
        RaiseVariantError(TVariantError::Overflow);
    return static_cast<std::int64_t>(d);
}

std::int32_t Low32(std::int64_t V) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(V)));
}

void DivideInt64(PParserOperation Op, bool Remainder) {
    const std::int64_t a = TruncInt64(*Op->Arg1);
    const std::int64_t b = TruncInt64(*Op->Arg2);
    if (b == 0) RaiseVariantError(TVariantError::DivByZero);
    if (b == -1) {
        // The quotient of the smallest value by -1 does not fit; its low 32 bits are those of -a.
        Op->Result->SetInteger(
            Low32(Remainder ? 0 : static_cast<std::int64_t>(0 - static_cast<std::uint64_t>(a))));
        return;
    }
    Op->Result->SetInteger(Low32(Remainder ? a % b : a / b));
}

[[gnu::noinline]] TVarCompareResult GeneralCompare(const Variant& A, const Variant& B) {
    return VarCmp(A, B);
}

[[gnu::always_inline]] inline TVarCompareResult Compare(PParserOperation Op) {
    const Variant& a = *Op->Arg1;
    const Variant& b = *Op->Arg2;
    if (BothIntegers(a, b)) {
        const std::int32_t i = a.RawInteger(), j = b.RawInteger();
        return i < j   ? TVarCompareResult::LessThan
               : j < i ? TVarCompareResult::GreaterThan
                       : TVarCompareResult::Equal;
    }
    double x, y;
    if (!AsReal(a, x) || !AsReal(b, y)) return GeneralCompare(a, b);
    return x < y   ? TVarCompareResult::LessThan
           : y < x ? TVarCompareResult::GreaterThan
                   : TVarCompareResult::Equal;
}

// ToInteger, answered at once for integers and for the flags comparisons store.
std::int32_t IntegerOf(const Variant& V) {
    if (V.VType() == varCurrency) {
        const std::int64_t c = V.RawCurrency().Value;
        if (c == 0) return 0;
        if (c == 10000) return 1;
    } else if (V.VType() == varInteger) {
        return V.RawInteger();
    }
    return V.ToInteger();
}

std::int32_t ShiftCount(const Variant& V) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(V.ToInteger()) & 31u);
}

// Checks an array access and collects its indices; raises the engine's three array errors.
void ArrayIndices(PParserOperation Op, std::int32_t IndexCount, std::vector<std::int32_t>& Indices) {
    const Variant& array = *Op->Args[0];
    const std::string_view name = Op->Name;
    if (!array.IsArray()) throw ESyntaxError(MsgWithName(_msgIsNotArray, name));
    if (array.ArrayDimCount() != IndexCount) throw ESyntaxError(MsgWithName(_msgIsNotArrayDim, name));
    Indices.resize(static_cast<std::size_t>(IndexCount));
    for (std::int32_t i = 0; i < IndexCount; ++i) {
        const Variant& index = *Op->Args[i + 1];
        const Variant low(array.ArrayLowBound(i + 1));
        const Variant high(array.ArrayHighBound(i + 1));
        if (VarCmp(index, low) == TVarCompareResult::LessThan ||
            VarCmp(index, high) == TVarCompareResult::GreaterThan || index.IsNull())
            throw ESyntaxError(MsgWithName(_msgVarArrayOutOfBounds, name));
        Indices[static_cast<std::size_t>(i)] = index.ToInteger();
    }
}

// Runs a loop body; answers false when BREAK left the loop.
bool RunBody(PParserStatement Body) {
    try {
        CalcStatements(Body);
    } catch (const EBreakCycle&) {
        return false;
    }
    return true;
}

// The truth of a comparison that ends a condition, decided without reading its flag back; the
// flag is still stored. False with Decided false when the operation is no comparison.
[[gnu::always_inline]] inline bool DecideComparison(PParserOperation Op, bool& Decided) {
    Decided = true;
    bool holds = false;
    switch (Op->Token) {
    case TToken::lf_lt:
        if (Op->Proc != OpLessThan) break;
        holds = Compare(Op) == TVarCompareResult::LessThan;
        SetFlag(*Op->Result, holds);
        return holds;
    case TToken::lf_gt:
        if (Op->Proc != OpGreatThan) break;
        holds = Compare(Op) == TVarCompareResult::GreaterThan;
        SetFlag(*Op->Result, holds);
        return holds;
    case TToken::lf_le:
        if (Op->Proc != OpLessOrEqual) break;
        {
            const TVarCompareResult c = Compare(Op);
            holds = c == TVarCompareResult::LessThan || c == TVarCompareResult::Equal;
        }
        SetFlag(*Op->Result, holds);
        return holds;
    case TToken::lf_ge:
        if (Op->Proc != OpGreatOrEqual) break;
        {
            const TVarCompareResult c = Compare(Op);
            holds = c == TVarCompareResult::GreaterThan || c == TVarCompareResult::Equal;
        }
        SetFlag(*Op->Result, holds);
        return holds;
    case TToken::lf_eq:
        if (Op->Proc != OpIsEqual) break;
        holds = Compare(Op) == TVarCompareResult::Equal;
        SetFlag(*Op->Result, holds);
        return holds;
    case TToken::lf_neq:
        if (Op->Proc != OpIsNotEqual) break;
        holds = Compare(Op) != TVarCompareResult::Equal;
        SetFlag(*Op->Result, holds);
        return holds;
    default:
        break;
    }
    Decided = false;
    return false;
}

[[gnu::always_inline]] inline bool Condition(PParserStatement St) {
    PParserOperation Chain = St->Expr1;
    if (!Chain) return kZero.ToBoolean();
    if (St->Fast) {
        bool holds = false;
        if (RunFastChain(*St->Fast, holds))
            return St->Fast->EndsInComparison ? holds : St->Fast->Result->ToBoolean();
    }
    PParserOperation op = Chain;
    for (; op->Next; op = op->Next)
        op->Proc(op);
    bool decided = false;
    const bool holds = DecideComparison(op, decided);
    if (decided) return holds;
    op->Proc(op);
    return op->Result->ToBoolean();
}

double RoundedBound(PParserOperation Chain) {
    return std::nearbyint(RunExpression(Chain).ToReal()); // the default rounding: halves to even
}

void ForCycle(PParserStatement St, bool Up) {
    const double start = RoundedBound(St->Expr1);
    const Variant stop(RoundedBound(St->Expr2));
    Variant& var = *St->Var;
    var = Variant(start);
    const TVarCompareResult past = Up ? TVarCompareResult::GreaterThan : TVarCompareResult::LessThan;
    const double step = Up ? 1.0 : -1.0;
    for (;;) {
        const TVarCompareResult c =
            IsDouble(var) ? (var.RawDouble() < stop.RawDouble()   ? TVarCompareResult::LessThan
                             : var.RawDouble() > stop.RawDouble() ? TVarCompareResult::GreaterThan
                                                                  : TVarCompareResult::Equal)
                          : VarCmp(var, stop);
        if (c == past || c == TVarCompareResult::Null) break;
        if (!RunBody(St->Body1)) break;
        if (IsDouble(var))
            var.SetDouble(var.RawDouble() + step);
        else
            var = VarAdd(var, Variant(step));
        EvalCheckPoint();
    }
    if (St->VarObj) St->VarObj->ValueChanged();
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Chains

const Variant& RunExpression(PParserOperation Chain) {
    if (!Chain) return kZero;
    PParserOperation op = Chain;
    for (;;) {
        op->Proc(op);
        if (!op->Next) return *op->Result;
        op = op->Next;
    }
}

void CalcExpression(PParserOperation Chain, Variant& Value) {
    Value = RunExpression(Chain);
}

// ---------------------------------------------------------------------------------------------
// Operations

void OpNothing(PParserOperation) {}

void OpAssign(PParserOperation Op) {
    if (!Op->Result) {
        Op->Result = Op->Arg1;
        return;
    }
    if (Op->Result != Op->Arg1) *Op->Result = *Op->Arg1;
}

void OpAdd(PParserOperation Op) {
    Arith<TArith::Add>(*Op->Arg1, *Op->Arg2, *Op->Result);
}

void OpSubtract(PParserOperation Op) {
    Arith<TArith::Sub>(*Op->Arg1, *Op->Arg2, *Op->Result);
}

void OpMultiply(PParserOperation Op) {
    Arith<TArith::Mul>(*Op->Arg1, *Op->Arg2, *Op->Result);
}

namespace {
[[gnu::noinline]] void GeneralDivide(const Variant& A, const Variant& B, Variant& Result) {
    Result = VarDiv(A, B);
}
} // namespace

void OpRealDivide(PParserOperation Op) {
    const Variant& a = *Op->Arg1;
    const Variant& b = *Op->Arg2;
    double x, y;
    if (!AsReal(a, x) || !AsReal(b, y)) return GeneralDivide(a, b, *Op->Result);
    if (y == 0.0) RaiseVariantError(TVariantError::DivByZero);
    SetChecked(*Op->Result, x / y);
}

void OpModulo(PParserOperation Op) {
    DivideInt64(Op, true);
}

void OpIntDiv(PParserOperation Op) {
    DivideInt64(Op, false);
}

void OpNegate(PParserOperation Op) {
    const Variant& a = *Op->Arg1;
    if (IsDouble(a))
        Op->Result->SetDouble(-a.RawDouble());
    else
        *Op->Result = VarNeg(a);
}

void OpIntPower(PParserOperation Op) {
    const double base = Op->Arg1->ToReal();
    const std::int64_t exponent = TruncInt64(*Op->Arg2);
    Op->Result->SetDouble(std::pow(base, static_cast<double>(exponent)));
}

void OpPower(PParserOperation Op) {
    Op->Result->SetDouble(std::pow(Op->Arg1->ToReal(), Op->Arg2->ToReal()));
}

void OpSquare(PParserOperation Op) {
    const double x = Op->Arg1->ToReal();
    Op->Result->SetDouble(x * x);
}

void OpThird(PParserOperation Op) {
    Variant squared;
    Arith<TArith::Mul>(*Op->Arg1, *Op->Arg1, squared);
    Arith<TArith::Mul>(squared, *Op->Arg1, *Op->Result);
}

void OpFourth(PParserOperation Op) {
    const double x = Op->Arg1->ToReal();
    const double x2 = x * x;
    Op->Result->SetDouble(x2 * x2);
}

void OpLessThan(PParserOperation Op) {
    SetFlag(*Op->Result, Compare(Op) == TVarCompareResult::LessThan);
}

void OpLessOrEqual(PParserOperation Op) {
    const TVarCompareResult c = Compare(Op);
    SetFlag(*Op->Result, c == TVarCompareResult::LessThan || c == TVarCompareResult::Equal);
}

void OpGreatThan(PParserOperation Op) {
    SetFlag(*Op->Result, Compare(Op) == TVarCompareResult::GreaterThan);
}

void OpGreatOrEqual(PParserOperation Op) {
    const TVarCompareResult c = Compare(Op);
    SetFlag(*Op->Result, c == TVarCompareResult::GreaterThan || c == TVarCompareResult::Equal);
}

void OpIsEqual(PParserOperation Op) {
    SetFlag(*Op->Result, Compare(Op) == TVarCompareResult::Equal);
}

void OpIsNotEqual(PParserOperation Op) {
    SetFlag(*Op->Result, Compare(Op) != TVarCompareResult::Equal);
}

void OpNot(PParserOperation Op) {
    SetFlag(*Op->Result, VarCmp(*Op->Arg1, kZero) == TVarCompareResult::Equal);
}

void OpAnd(PParserOperation Op) {
    Op->Result->SetInteger(IntegerOf(*Op->Arg1) & IntegerOf(*Op->Arg2));
}

void OpOr(PParserOperation Op) {
    Op->Result->SetInteger(IntegerOf(*Op->Arg1) | IntegerOf(*Op->Arg2));
}

void OpXor(PParserOperation Op) {
    Op->Result->SetInteger(IntegerOf(*Op->Arg1) ^ IntegerOf(*Op->Arg2));
}

void OpBitNot(PParserOperation Op) {
    Op->Result->SetInteger(~Op->Arg1->ToInteger());
}

void OpBitShl(PParserOperation Op) {
    const auto v = static_cast<std::uint32_t>(Op->Arg1->ToInteger());
    Op->Result->SetInteger(static_cast<std::int32_t>(v << ShiftCount(*Op->Arg2)));
}

void OpBitShr(PParserOperation Op) {
    const auto v = static_cast<std::uint32_t>(Op->Arg1->ToInteger());
    Op->Result->SetInteger(static_cast<std::int32_t>(v >> ShiftCount(*Op->Arg2)));
}

void OpGetVarArrayItem(PParserOperation Op) {
    thread_local std::vector<std::int32_t> indices;
    ArrayIndices(Op, Op->ArgCount - 1, indices);
    *Op->Result = Op->Args[0]->ArrayGet(indices);
}

void OpSetVarArrayItem(PParserOperation Op) {
    thread_local std::vector<std::int32_t> indices;
    ArrayIndices(Op, Op->ArgCount - 2, indices);
    const Variant& value = *Op->Args[Op->ArgCount - 1];
    Op->Args[0]->ArraySet(indices, value);
    *Op->Result = value;
}

TMathProcedure ProcOfToken(TToken Token) {
    switch (Token) {
    case TToken::variab:
    case TToken::constant:
        return OpNothing;
    case TToken::assign:
        return OpAssign;
    case TToken::minus:
        return OpNegate;
    case TToken::sum:
        return OpAdd;
    case TToken::diff:
        return OpSubtract;
    case TToken::prod:
        return OpMultiply;
    case TToken::divis:
        return OpRealDivide;
    case TToken::modulo:
        return OpModulo;
    case TToken::IntDiv:
        return OpIntDiv;
    case TToken::integerpower:
        return OpIntPower;
    case TToken::realpower:
        return OpPower;
    case TToken::square:
        return OpSquare;
    case TToken::third:
        return OpThird;
    case TToken::fourth:
        return OpFourth;
    case TToken::lf_lt:
        return OpLessThan;
    case TToken::lf_le:
        return OpLessOrEqual;
    case TToken::lf_gt:
        return OpGreatThan;
    case TToken::lf_ge:
        return OpGreatOrEqual;
    case TToken::lf_eq:
        return OpIsEqual;
    case TToken::lf_neq:
        return OpIsNotEqual;
    case TToken::lf_xor:
        return OpXor;
    case TToken::lf_or:
        return OpOr;
    case TToken::lf_and:
        return OpAnd;
    case TToken::lf_not:
        return OpNot;
    case TToken::bit_not:
        return OpBitNot;
    case TToken::bit_shl:
        return OpBitShl;
    case TToken::bit_shr:
        return OpBitShr;
    case TToken::GetArrayItem:
        return OpGetVarArrayItem;
    case TToken::SetArrayItem:
        return OpSetVarArrayItem;
    default:
        return nullptr;
    }
}

// ---------------------------------------------------------------------------------------------
// Statements

void StEquation(PParserStatement St) {
    bool holds;
    if (!St->Fast || !RunFastChain(*St->Fast, holds)) RunExpression(St->Expr1);
    if (St->VarObj) St->VarObj->ValueChanged();
}

void StIfThenElse(PParserStatement St) {
    CalcStatements(Condition(St) ? St->Body1 : St->Body2);
}

void StForCycleUp(PParserStatement St) {
    ForCycle(St, true);
}

void StForCycleDown(PParserStatement St) {
    ForCycle(St, false);
}

void StWhileCycle(PParserStatement St) {
    while (Condition(St)) {
        if (!RunBody(St->Body1)) return;
        EvalCheckPoint();
    }
}

void StRepeatCycle(PParserStatement St) {
    for (;;) {
        if (!RunBody(St->Body1)) return;
        if (Condition(St)) return;
        EvalCheckPoint();
    }
}

void StBreakCycle(PParserStatement) {
    throw EBreakCycle("BREAK cycle encountered!");
}

void StTryFinallyBlock(PParserStatement St) {
    try {
        CalcStatements(St->Body1);
    } catch (...) {
        CalcStatements(St->Body2);
        throw;
    }
    CalcStatements(St->Body2);
}

void StTryExceptBlock(PParserStatement St) {
    try {
        CalcStatements(St->Body1);
    } catch (const EBreakCycle&) {
        throw;
    } catch (const EEvalAborted&) {
        throw;
    } catch (...) {
        CalcStatements(St->Body2);
    }
}

TStatementProc ProcOfStatement(TStatementToken Token) {
    switch (Token) {
    case TStatementToken::stEQ:
        return StEquation;
    case TStatementToken::stIfThen:
        return StIfThenElse;
    case TStatementToken::stForUp:
        return StForCycleUp;
    case TStatementToken::stForDown:
        return StForCycleDown;
    case TStatementToken::stWhile:
        return StWhileCycle;
    case TStatementToken::stRepeat:
        return StRepeatCycle;
    case TStatementToken::stBreak:
        return StBreakCycle;
    case TStatementToken::stTryFinally:
        return StTryFinallyBlock;
    case TStatementToken::stTryExcept:
        return StTryExceptBlock;
    }
    return nullptr;
}

} // namespace skv::engine
