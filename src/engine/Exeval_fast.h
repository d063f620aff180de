// Chains of number operations in the fast form: the layout, and the run, which the statements
// call in place. See Exeval_fast.cpp for how chains are laid out.
#pragma once

#include "engine/Exeval.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <vector>

namespace skv::engine {

// A step of a plan, on registers that hold either a double or an integer, as the plan decided.
enum class TCode : std::uint8_t {
    DAdd, DSub, DMul, DDiv, DNeg, // doubles; an infinite result or a division by zero gives up
    IAdd, ISub, IMul, INeg,       // integers; a result that leaves 32 bits gives up
    IToD,                         // an integer result used as a double
    DLt, DLe, DGt, DGe, DEq, DNe, // comparisons, only as the last step
    ILt, ILe, IGt, IGe, IEq, INe,
};

// Operands point at the plan's registers (results, and literals converted once) or, for a double
// the chain reads, straight at that value's number.
struct TStep {
    TCode Code;
    void* Dst;
    const void* A;
    const void* B;
};

// A value the chain reads, checked for the plan's kind before every run; integers are copied.
struct TLoad {
    enum TKind : std::uint8_t { Real, Integer, IntegerAsReal } Kind;
    const Variant* From;
    void* To; // the register an integer is copied to
};

// The chain laid out for one assignment of kinds to the values it reads.
struct TPlan {
    std::uint64_t IntegerLeaves = 0; // bit i: leaf i is an integer
    std::vector<TLoad> Loads;
    std::vector<TStep> Steps;
    std::unique_ptr<double[]> Reals;
    std::unique_ptr<std::int64_t[]> Integers;
    enum TResultKind : std::uint8_t { Real, Integer, Flag } ResultKind = Real;
    const void* Last = nullptr; // the last step's result
    Variant* Result = nullptr;  // where the chain stores it
};

// Runs that gave up, in a row, after which a chain is not tried again.
constexpr std::uint32_t kMaxGiveUps = 32;

struct TFastChain {
    // The chain before kinds: leaves are the values it reads; an operand below Leaves.size() is a
    // leaf, any other the result of operation (operand - Leaves.size()).
    enum class TOpKind : std::uint8_t { Add, Sub, Mul, Div, Neg, Lt, Le, Gt, Ge, Eq, Ne };
    struct TOp {
        TOpKind Kind;
        std::uint32_t A, B;
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

inline bool Whole(void* D, std::int64_t V) {
    if (V < std::numeric_limits<std::int32_t>::min() || V > std::numeric_limits<std::int32_t>::max()) return false;
    *static_cast<std::int64_t*>(D) = V;
    return true;
}

inline bool Real(void* D, double V) {
    if (std::isinf(V)) return false;
    *static_cast<double*>(D) = V;
    return true;
}

} // namespace fast_detail

// Checks that the chain's values are of the plan's kinds and copies the integers.
inline bool LoadPlan(const TPlan& P) {
    for (const TLoad& l : P.Loads) {
        const Variant& v = *l.From;
        switch (l.Kind) {
        case TLoad::Real:
            if (v.VType() != varDouble) return false;
            break;
        case TLoad::Integer:
            if (v.VType() != varInteger) return false;
            *static_cast<std::int64_t*>(l.To) = v.RawInteger();
            break;
        case TLoad::IntegerAsReal:
            if (v.VType() != varInteger) return false;
            *static_cast<double*>(l.To) = double(v.RawInteger());
            break;
        }
    }
    return true;
}

// Runs the plan's steps; false when one gives up. Holds: the comparison's answer. Comparisons of
// doubles follow the operations: a NaN is equal to everything.
inline bool RunSteps(const TPlan& P, bool& Holds) {
    using namespace fast_detail;
    for (const TStep& s : P.Steps) {
        switch (s.Code) {
        case TCode::DAdd:
            if (!Real(s.Dst, R(s.A) + R(s.B))) return false;
            break;
        case TCode::DSub:
            if (!Real(s.Dst, R(s.A) - R(s.B))) return false;
            break;
        case TCode::DMul:
            if (!Real(s.Dst, R(s.A) * R(s.B))) return false;
            break;
        case TCode::DDiv:
            if (R(s.B) == 0.0 || !Real(s.Dst, R(s.A) / R(s.B))) return false;
            break;
        case TCode::DNeg:
            *static_cast<double*>(s.Dst) = -R(s.A);
            break;
        case TCode::IAdd:
            if (!Whole(s.Dst, I(s.A) + I(s.B))) return false;
            break;
        case TCode::ISub:
            if (!Whole(s.Dst, I(s.A) - I(s.B))) return false;
            break;
        case TCode::IMul:
            if (!Whole(s.Dst, I(s.A) * I(s.B))) return false;
            break;
        case TCode::INeg:
            if (!Whole(s.Dst, -I(s.A))) return false;
            break;
        case TCode::IToD:
            *static_cast<double*>(s.Dst) = double(I(s.A));
            break;
        case TCode::DLt: Holds = R(s.A) < R(s.B); break;
        case TCode::DLe: Holds = !(R(s.B) < R(s.A)); break;
        case TCode::DGt: Holds = R(s.B) < R(s.A); break;
        case TCode::DGe: Holds = !(R(s.A) < R(s.B)); break;
        case TCode::DEq: Holds = !(R(s.A) < R(s.B)) && !(R(s.B) < R(s.A)); break;
        case TCode::DNe: Holds = R(s.A) < R(s.B) || R(s.B) < R(s.A); break;
        case TCode::ILt: Holds = I(s.A) < I(s.B); break;
        case TCode::ILe: Holds = I(s.A) <= I(s.B); break;
        case TCode::IGt: Holds = I(s.A) > I(s.B); break;
        case TCode::IGe: Holds = I(s.A) >= I(s.B); break;
        case TCode::IEq: Holds = I(s.A) == I(s.B); break;
        case TCode::INe: Holds = I(s.A) != I(s.B); break;
        }
    }
    return true;
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
    switch (plan->ResultKind) {
    case TPlan::Real:
        plan->Result->SetDouble(fast_detail::R(plan->Last));
        break;
    case TPlan::Integer:
        plan->Result->SetInteger(static_cast<std::int32_t>(fast_detail::I(plan->Last)));
        break;
    case TPlan::Flag:
        plan->Result->SetCurrency(TCurrency{Holds ? 10000 : 0});
        break;
    }
    return true;
}

} // namespace skv::engine
