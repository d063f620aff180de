// Chains of number operations in the fast form: the layout, and the run, which the statements
// call in place. See Exeval_fast.cpp for how chains are laid out.
#pragma once

#include "engine/bldfuncs/Bldfuncs.h"
#include "engine/eval/Exeval.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <limits>
#include <memory>
#include <vector>

namespace skv::engine {

// A step of a plan. Plans compute in two accumulators, a double and an integer, each step with
// one operand X in memory: a register of the plan (a literal, converted once; an integer the
// chain reads; a result put aside) or, for a double the chain reads, that value's own number.
// The R forms take X as the left operand. The integer steps give up on a result that leaves 32
// bits, the double steps on an infinite result and on a division by zero; DCall, a built-in
// applied to the double accumulator, gives up on nothing, as the built-in raises nothing.
enum class TCode : std::uint8_t {
    DLoad,
    DAdd,
    DSub,
    DRSub,
    DMul,
    DDiv,
    DRDiv,
    DNeg,
    DCall,
    DStore,
    ILoad,
    IAdd,
    ISub,
    IRSub,
    IMul,
    INeg,
    IStore,
    IToD, // the integer accumulator into the double one
    // The accumulator compared with X, only as the last step.
    DLt,
    DLe,
    DGt,
    DGe,
    DEq,
    DNe,
    ILt,
    ILe,
    IGt,
    IGe,
    IEq,
    INe,
    // The last step: stores the double, the integer or the flag of the comparison in the result.
    DEnd,
    IEnd,
    FEnd,
};

struct TStep {
    TCode Code;
    union {
        void* X;
        TRealFunction Fn; // DCall
    };
};

// An integer the chain reads, checked for its kind before every run and copied to a register.
struct TLoad {
    enum TKind : std::uint8_t { Integer, IntegerAsReal } Kind;
    const Variant* From;
    void* To;
};

// The chain laid out for one assignment of kinds to the values it reads.
struct TPlan {
    std::uint64_t IntegerLeaves = 0;     // bit i: leaf i is an integer
    std::vector<const Variant*> InPlace; // the doubles the chain reads in place
    std::vector<TLoad> Loads;
    std::vector<TStep> Steps;
    std::unique_ptr<double[]> Reals;
    std::unique_ptr<std::int64_t[]> Integers;
    Variant* Result = nullptr; // where the chain stores it
    bool Calls = false;        // it has DCall steps
};

// Runs that gave up, in a row, after which a chain is not tried again.
constexpr std::uint32_t kMaxGiveUps = 32;

struct TFastChain {
    // The chain before kinds: leaves are the values it reads; an operand below Leaves.size() is a
    // leaf, any other the result of operation (operand - Leaves.size()).
    // Neg and Call have the one operand A.
    enum class TOpKind : std::uint8_t { Add, Sub, Mul, Div, Neg, Call, Lt, Le, Gt, Ge, Eq, Ne };
    struct TOp {
        TOpKind Kind;
        std::uint32_t A, B;
        TRealFunction Fn = nullptr; // Call
    };
    std::vector<const Variant*> Leaves;
    std::vector<bool> LeafIsLiteral; // a literal's value never changes
    std::vector<TOp> Ops;
    Variant* Result = nullptr;
    bool EndsInComparison = false;
    std::vector<std::unique_ptr<TPlan>> Plans;
    TPlan* Current = nullptr; // the plan the last run used, loaded or not
    std::uint32_t GaveUp = 0;
};

// Makes the plan for the kinds the chain's values have now its current one, and loads it; null
// when they are not all integers and doubles, or the chain is no longer tried.
TPlan* SwitchPlan(TFastChain& C);
// Counts a run that gave up.
void GiveUp(TFastChain& C);

namespace fast_detail {

inline double R(const void* P) {
    return *static_cast<const double*>(P);
}

inline std::int64_t I(const void* P) {
    return *static_cast<const std::int64_t*>(P);
}

inline bool Fits(std::int64_t V) {
    return V >= std::numeric_limits<std::int32_t>::min() && V <= std::numeric_limits<std::int32_t>::max();
}

} // namespace fast_detail

// Checks that the chain's values are of the plan's kinds and copies the integers.
inline bool LoadPlan(const TPlan& P) {
    // Most chains read only doubles: one compare per value, and no branch on a load's kind.
    for (const Variant* v : P.InPlace)
        if (v->VType() != varDouble) return false;
    for (const TLoad& l : P.Loads) {
        const Variant& v = *l.From;
        if (v.VType() != varInteger) return false;
        if (l.Kind == TLoad::Integer)
            *static_cast<std::int64_t*>(l.To) = v.RawInteger();
        else
            *static_cast<double*>(l.To) = double(v.RawInteger());
    }
    return true;
}

// Runs the plan's steps, the last of which stores the result; false, with nothing stored, when
// one gives up. Comparisons of doubles follow the operations:
// a NaN is equal to everything. Calls: the plan has DCall steps; without, the run calls nothing
// and needs no registers saved.
template <bool Calls> bool RunStepsOf(const TPlan& P, bool& Holds) {
    using namespace fast_detail;
    double d = 0;
    std::int64_t i = 0;
    bool holds = false;
    const TStep* s = P.Steps.data();
    // Each step jumps to the next through a branch of its own (GNU labels as values), which the
    // processor predicts far better than the one branch of a shared switch: steps follow each other
    // in the same order run after run.
    static const void* const kAt[] = {
        &&DLoad, &&DAdd, &&DSub,  &&DRSub, &&DMul, &&DDiv,   &&DRDiv, &&DNeg, &&DCall, &&DStore, &&ILoad,
        &&IAdd,  &&ISub, &&IRSub, &&IMul,  &&INeg, &&IStore, &&IToD,  &&DLt,  &&DLe,   &&DGt,    &&DGe,
        &&DEq,   &&DNe,  &&ILt,   &&ILe,   &&IGt,  &&IGe,    &&IEq,   &&INe,  &&DEnd,  &&IEnd,   &&FEnd};
    static_assert(std::size(kAt) == static_cast<std::size_t>(TCode::FEnd) + 1, "a label for every step");
#define SKV_NEXT goto* kAt[static_cast<int>((++s)->Code)]
    goto* kAt[static_cast<int>(s->Code)];
DLoad:
    d = R(s->X);
    SKV_NEXT;
DAdd:
    d += R(s->X);
    if (std::isinf(d)) return false;
    SKV_NEXT;
DSub:
    d -= R(s->X);
    if (std::isinf(d)) return false;
    SKV_NEXT;
DRSub:
    d = R(s->X) - d;
    if (std::isinf(d)) return false;
    SKV_NEXT;
DMul:
    d *= R(s->X);
    if (std::isinf(d)) return false;
    SKV_NEXT;
DDiv:
    if (R(s->X) == 0.0) return false;
    d /= R(s->X);
    if (std::isinf(d)) return false;
    SKV_NEXT;
DRDiv:
    if (d == 0.0) return false;
    d = R(s->X) / d;
    if (std::isinf(d)) return false;
    SKV_NEXT;
DNeg:
    d = -d;
    SKV_NEXT;
DCall:
    if constexpr (Calls) {
        d = s->Fn(d);
        SKV_NEXT;
    } else {
        __builtin_unreachable();
    }
DStore:
    *static_cast<double*>(s->X) = d;
    SKV_NEXT;
ILoad:
    i = I(s->X);
    SKV_NEXT;
IAdd:
    i += I(s->X);
    if (!Fits(i)) return false;
    SKV_NEXT;
ISub:
    i -= I(s->X);
    if (!Fits(i)) return false;
    SKV_NEXT;
IRSub:
    i = I(s->X) - i;
    if (!Fits(i)) return false;
    SKV_NEXT;
IMul:
    i *= I(s->X);
    if (!Fits(i)) return false;
    SKV_NEXT;
INeg:
    i = -i;
    if (!Fits(i)) return false;
    SKV_NEXT;
IStore:
    *static_cast<std::int64_t*>(s->X) = i;
    SKV_NEXT;
IToD:
    d = double(i);
    SKV_NEXT;
DLt:
    holds = d < R(s->X);
    SKV_NEXT;
DLe:
    holds = !(R(s->X) < d);
    SKV_NEXT;
DGt:
    holds = R(s->X) < d;
    SKV_NEXT;
DGe:
    holds = !(d < R(s->X));
    SKV_NEXT;
DEq:
    holds = !(d < R(s->X)) && !(R(s->X) < d);
    SKV_NEXT;
DNe:
    holds = d < R(s->X) || R(s->X) < d;
    SKV_NEXT;
ILt:
    holds = i < I(s->X);
    SKV_NEXT;
ILe:
    holds = i <= I(s->X);
    SKV_NEXT;
IGt:
    holds = i > I(s->X);
    SKV_NEXT;
IGe:
    holds = i >= I(s->X);
    SKV_NEXT;
IEq:
    holds = i == I(s->X);
    SKV_NEXT;
INe:
    holds = i != I(s->X);
    SKV_NEXT;
DEnd:
    P.Result->SetDouble(d);
    return true;
IEnd:
    P.Result->SetInteger(static_cast<std::int32_t>(i));
    return true;
FEnd:
    Holds = holds;
    SetFlag(*P.Result, holds);
    return true;
#undef SKV_NEXT
}

inline bool RunSteps(const TPlan& P, bool& Holds) {
    return P.Calls ? RunStepsOf<true>(P, Holds) : RunStepsOf<false>(P, Holds);
}

// Runs C and stores its result; false (nothing stored) when it must run the general way. Holds:
// the answer of the comparison that ends it, if one does.
inline bool RunFastChain(TFastChain& C, bool& Holds) {
    TPlan* plan = C.Current;
    if (!plan || !LoadPlan(*plan)) {
        plan = SwitchPlan(C);
        if (!plan) return false;
    }
    if (!RunSteps(*plan, Holds)) {
        GiveUp(C);
        return false;
    }
    C.GaveUp = 0;
    return true;
}

} // namespace skv::engine
