// Chains of number operations in the fast form. Scripts compute almost only with integers
// (literals, FRAMES) and doubles, and the kinds a chain's values have mostly stay the same from run
// to run. For a given assignment of those two kinds to the values a chain reads, the kind of every
// result in it is known, so the chain can be laid out once as a plan of steps on plain numbers:
// no kind tests, no value slots, one call for the whole chain. A chain keeps plans for the few
// assignments it meets; a run whose values are of other kinds, or that would raise, gives up before
// storing anything, and the chain runs the general way, which answers the same value or raises the
// same error.
#include "engine/Exeval_fast.h"

#include <array>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <unordered_map>

namespace skv::engine {

namespace {

using TOpKind = TFastChain::TOpKind;

std::atomic<bool> gFastChains{true};

// Shorter chains run as fast through their operations, which decide a closing comparison in place.
constexpr std::size_t kMinOps = 4;

bool KindOf(TMathProcedure Proc, TOpKind& Kind) {
    static const std::pair<TMathProcedure, TOpKind> kProcs[] = {
        {OpAdd, TOpKind::Add},         {OpSubtract, TOpKind::Sub},   {OpMultiply, TOpKind::Mul},
        {OpRealDivide, TOpKind::Div},  {OpNegate, TOpKind::Neg},     {OpLessThan, TOpKind::Lt},
        {OpLessOrEqual, TOpKind::Le},  {OpGreatThan, TOpKind::Gt},   {OpGreatOrEqual, TOpKind::Ge},
        {OpIsEqual, TOpKind::Eq},      {OpIsNotEqual, TOpKind::Ne}};
    for (const auto& [proc, kind] : kProcs)
        if (proc == Proc) {
            Kind = kind;
            return true;
        }
    return false;
}

bool IsComparison(TOpKind Kind) {
    return Kind >= TOpKind::Lt;
}

// A chain keeps at most this many plans; a run with yet another assignment of kinds runs the
// general way.
constexpr std::size_t kMaxPlans = 4;
// Leaves are bits of a mask, and operations are few in what scripts write.
constexpr std::size_t kMaxLeaves = 64;
constexpr std::size_t kMaxOps = 256;

} // namespace

void FreeFastChain(TFastChain* Chain) {
    delete Chain;
}

namespace {

// The fast form of Chain, or null when it has none.
std::unique_ptr<TFastChain> BuildFastChain(PParserOperation Chain, const TParserPools& Pools) {
    if (!Chain) return nullptr;
    std::vector<PParserOperation> ops;
    std::vector<TOpKind> kinds;
    for (PParserOperation op = Chain; op; op = op->Next) {
        TOpKind kind = TOpKind::Add;
        if (!KindOf(op->Proc, kind) || op->ArgCount != (kind == TOpKind::Neg ? 1 : 2) || !op->Result ||
            ops.size() == kMaxOps)
            return nullptr;
        ops.push_back(op);
        kinds.push_back(kind);
    }
    if (ops.size() < kMinOps) return nullptr;
    // The slots operations write. Reading one before it is written (but for the last operation's,
    // which may be the variable the chain assigns) would read a value the fast form does not keep.
    std::unordered_map<const Variant*, std::size_t> writer;
    for (std::size_t i = 0; i < ops.size(); ++i)
        if (!writer.emplace(ops[i]->Result, i).second) return nullptr;

    auto fast = std::make_unique<TFastChain>();
    std::unordered_map<const Variant*, std::uint32_t> leafOf;
    std::vector<std::pair<bool, std::uint32_t>> operands; // (an operation's result, index)
    const auto operand = [&](const Variant* V, std::size_t At) -> bool {
        if (const auto w = writer.find(V); w != writer.end()) {
            if (w->second < At) {
                if (IsComparison(kinds[w->second])) return false; // a flag is no integer or double
                operands.emplace_back(true, static_cast<std::uint32_t>(w->second));
                return true;
            }
            if (w->second != ops.size() - 1) return false;
        }
        auto [it, added] = leafOf.emplace(V, static_cast<std::uint32_t>(fast->Leaves.size()));
        if (added) {
            if (fast->Leaves.size() == kMaxLeaves) return false;
            fast->Leaves.push_back(V);
            fast->LeafIsLiteral.push_back(Pools.Literals.count(V) != 0);
        }
        operands.emplace_back(false, it->second);
        return true;
    };
    for (std::size_t i = 0; i < ops.size(); ++i) {
        if (IsComparison(kinds[i]) && i != ops.size() - 1) return nullptr; // only as the last step
        if (!operand(ops[i]->Arg1, i)) return nullptr;
        if (kinds[i] == TOpKind::Neg)
            operands.push_back(operands.back()); // B unused
        else if (!operand(ops[i]->Arg2, i))
            return nullptr;
    }
    const auto ref = [&](const std::pair<bool, std::uint32_t>& O) {
        return O.first ? static_cast<std::uint32_t>(fast->Leaves.size()) + O.second : O.second;
    };
    for (std::size_t i = 0; i < ops.size(); ++i)
        fast->Ops.push_back({kinds[i], ref(operands[2 * i]), ref(operands[2 * i + 1])});
    fast->Result = ops.back()->Result;
    fast->EndsInComparison = IsComparison(kinds.back());
    return fast;
}

TCode DoubleCode(TOpKind Kind) {
    switch (Kind) {
    case TOpKind::Add: return TCode::DAdd;
    case TOpKind::Sub: return TCode::DSub;
    case TOpKind::Mul: return TCode::DMul;
    case TOpKind::Div: return TCode::DDiv;
    case TOpKind::Neg: return TCode::DNeg;
    case TOpKind::Lt: return TCode::DLt;
    case TOpKind::Le: return TCode::DLe;
    case TOpKind::Gt: return TCode::DGt;
    case TOpKind::Ge: return TCode::DGe;
    case TOpKind::Eq: return TCode::DEq;
    case TOpKind::Ne: return TCode::DNe;
    }
    return TCode::DAdd;
}

// The integer step of Kind; false for division, which always computes with doubles.
bool IntegerCode(TOpKind Kind, TCode& Code) {
    switch (Kind) {
    case TOpKind::Add: Code = TCode::IAdd; return true;
    case TOpKind::Sub: Code = TCode::ISub; return true;
    case TOpKind::Mul: Code = TCode::IMul; return true;
    case TOpKind::Neg: Code = TCode::INeg; return true;
    case TOpKind::Lt: Code = TCode::ILt; return true;
    case TOpKind::Le: Code = TCode::ILe; return true;
    case TOpKind::Gt: Code = TCode::IGt; return true;
    case TOpKind::Ge: Code = TCode::IGe; return true;
    case TOpKind::Eq: Code = TCode::IEq; return true;
    case TOpKind::Ne: Code = TCode::INe; return true;
    case TOpKind::Div: return false;
    }
    return false;
}

// Lays C out for the kinds in IntegerLeaves.
std::unique_ptr<TPlan> BuildPlan(const TFastChain& C, std::uint64_t IntegerLeaves) {
    const std::size_t leaves = C.Leaves.size();
    const std::size_t values = leaves + C.Ops.size();
    std::vector<bool> integer(values, false);
    for (std::size_t i = 0; i < leaves; ++i)
        integer[i] = (IntegerLeaves >> i) & 1u;
    // Where each value is found in its own kind and, for an integer, as a double: a register
    // (numbered until the register files have their size) or, for a double the chain reads, the
    // value's own number.
    struct TRef {
        enum TWhere : std::uint8_t { None, Real, Integer, InPlace } Where = None;
        std::size_t Index = 0; // the register, or the leaf for InPlace
    };
    std::vector<TRef> own(values), asReal(values);
    std::size_t reals = 0, integers = 0;
    auto plan = std::make_unique<TPlan>();
    plan->IntegerLeaves = IntegerLeaves;
    struct TPending {
        TCode Code;
        TRef Dst, A, B;
    };
    std::vector<TPending> steps;
    std::vector<std::pair<std::size_t, TRef>> literals; // registers to fill with a literal's value
    std::vector<std::pair<std::size_t, TRef>> loads;    // (index in Loads, register)
    const auto use = [&](std::uint32_t V, bool AsReal) -> TRef {
        const bool convert = AsReal && integer[V];
        TRef& r = convert ? asReal[V] : own[V];
        if (r.Where != TRef::None) return r;
        if (V >= leaves) { // an operation's integer result, used as a double
            r = {TRef::Real, reals++};
            steps.push_back({TCode::IToD, r, own[V], {}});
            return r;
        }
        const bool literal = C.LeafIsLiteral[V];
        if (!integer[V] && !literal) {
            plan->Loads.push_back({TLoad::Real, C.Leaves[V], nullptr});
            return r = {TRef::InPlace, V};
        }
        r = convert || !integer[V] ? TRef{TRef::Real, reals++} : TRef{TRef::Integer, integers++};
        if (literal) {
            literals.emplace_back(V, r);
        } else {
            loads.emplace_back(plan->Loads.size(), r);
            plan->Loads.push_back({convert ? TLoad::IntegerAsReal : TLoad::Integer, C.Leaves[V], nullptr});
        }
        return r;
    };
    for (std::size_t i = 0; i < C.Ops.size(); ++i) {
        const TFastChain::TOp& op = C.Ops[i];
        const std::size_t self = leaves + i;
        TCode code{};
        const bool asInteger = integer[op.A] && integer[op.B] && IntegerCode(op.Kind, code);
        if (!asInteger) code = DoubleCode(op.Kind);
        const TRef a = use(op.A, !asInteger);
        const TRef b = use(op.B, !asInteger);
        integer[self] = asInteger && !IsComparison(op.Kind);
        own[self] = integer[self] ? TRef{TRef::Integer, integers++} : TRef{TRef::Real, reals++};
        steps.push_back({code, own[self], a, b});
    }
    plan->Reals = std::make_unique<double[]>(reals + 1);
    plan->Integers = std::make_unique<std::int64_t[]>(integers + 1);
    const auto address = [&](const TRef& R) -> void* {
        switch (R.Where) {
        case TRef::Real: return &plan->Reals[R.Index];
        case TRef::Integer: return &plan->Integers[R.Index];
        case TRef::InPlace: return const_cast<double*>(C.Leaves[R.Index]->RawDoubleData());
        case TRef::None: break;
        }
        return &plan->Reals[reals]; // the operand a negation does not read
    };
    for (const auto& [leaf, r] : literals) {
        const Variant& v = *C.Leaves[leaf];
        if (r.Where == TRef::Real)
            plan->Reals[r.Index] = v.VType() == varInteger ? double(v.RawInteger()) : v.RawDouble();
        else
            plan->Integers[r.Index] = v.RawInteger();
    }
    for (const auto& [load, r] : loads)
        plan->Loads[load].To = address(r);
    for (const TPending& p : steps)
        plan->Steps.push_back({p.Code, address(p.Dst), address(p.A), address(p.B)});
    plan->ResultKind = C.EndsInComparison ? TPlan::Flag : integer[values - 1] ? TPlan::Integer : TPlan::Real;
    plan->Last = plan->Steps.back().Dst;
    plan->Result = C.Result;
    return plan;
}

} // namespace

TPlan* SwitchPlan(TFastChain& C) {
    C.Current = nullptr;
    if (C.GaveUp >= kMaxGiveUps) return nullptr;
    std::uint64_t integers = 0;
    for (std::size_t i = 0; i < C.Leaves.size(); ++i) {
        const TVarType t = C.Leaves[i]->VType();
        if (t == varInteger) {
            integers |= std::uint64_t{1} << i;
        } else if (t != varDouble) {
            GiveUp(C);
            return nullptr;
        }
    }
    TPlan* plan = nullptr;
    for (const auto& p : C.Plans)
        if (p->IntegerLeaves == integers) plan = p.get();
    if (!plan) {
        if (C.Plans.size() == kMaxPlans) {
            GiveUp(C);
            return nullptr;
        }
        C.Plans.push_back(BuildPlan(C, integers));
        plan = C.Plans.back().get();
    }
    LoadPlan(*plan); // the kinds were just checked
    return C.Current = plan;
}

void GiveUp(TFastChain& C) {
    if (++C.GaveUp >= kMaxGiveUps) C.Current = nullptr;
}

namespace {

void PrepareStatement(PParserStatement St, const TParserPools& Pools) {
    switch (St->Token) {
    case stEQ:
    case stIfThen:
    case stWhile:
    case stRepeat:
        St->Fast = BuildFastChain(St->Expr1, Pools).release();
        break;
    default:
        break;
    }
}

} // namespace

void SetFastChains(bool On) {
    gFastChains = On;
}

void PrepareFastChains(PParserStatement Chain, const TParserPools& Pools) {
    if (!gFastChains) return;
    for (PParserStatement st = Chain; st; st = st->Next) {
        if (!st->Fast) PrepareStatement(st, Pools);
        PrepareFastChains(st->Body1, Pools);
        PrepareFastChains(st->Body2, Pools);
    }
}


} // namespace skv::engine
