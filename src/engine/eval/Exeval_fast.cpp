// Chains of number operations in the fast form. Scripts compute almost only with integers
// (literals, FRAMES) and doubles, and the kinds a chain's values have mostly stay the same from run
// to run. For a given assignment of those two kinds to the values a chain reads, the kind of every
// result in it is known, so the chain can be laid out once as a plan of steps on plain numbers:
// no kind tests, no value slots, one pass for the whole chain, built-ins of one double called in
// place. A chain keeps plans for the few assignments it meets; a run whose values are of other
// kinds, or that would raise, gives up before storing anything, and the chain runs the general way,
// which answers the same value or raises the same error.
#include "engine/eval/Exeval_fast.h"

#include <cstdint>
#include <limits>
#include <memory>
#include <unordered_map>

namespace skv::engine {

namespace {

using TOpKind = TFastChain::TOpKind;

// Shorter chains run as fast through their operations, which decide a closing comparison in place.
constexpr std::size_t kMinOps = 4;

bool KindOf(TMathProcedure Proc, TOpKind& Kind, TRealFunction& Fn) {
    static const std::pair<TMathProcedure, TOpKind> kProcs[] = {
        {OpAdd, TOpKind::Add},        {OpSubtract, TOpKind::Sub}, {OpMultiply, TOpKind::Mul},
        {OpRealDivide, TOpKind::Div}, {OpNegate, TOpKind::Neg},   {OpLessThan, TOpKind::Lt},
        {OpLessOrEqual, TOpKind::Le}, {OpGreatThan, TOpKind::Gt}, {OpGreatOrEqual, TOpKind::Ge},
        {OpIsEqual, TOpKind::Eq},     {OpIsNotEqual, TOpKind::Ne}};
    for (const auto& [proc, kind] : kProcs)
        if (proc == Proc) {
            Kind = kind;
            return true;
        }
    Fn = RealFunctionOf(Proc);
    Kind = TOpKind::Call;
    return Fn != nullptr;
}

bool IsUnary(TOpKind Kind) {
    return Kind == TOpKind::Neg || Kind == TOpKind::Call;
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

namespace {

// The fast form of Chain, or null when it has none.
std::unique_ptr<TFastChain> BuildFastChain(PParserOperation Chain, const TProgram& Program) {
    if (!Chain) return nullptr;
    std::vector<PParserOperation> ops;
    std::vector<TOpKind> kinds;
    std::vector<TRealFunction> fns;
    for (PParserOperation op = Chain; op; op = op->Next) {
        TOpKind kind = TOpKind::Add;
        TRealFunction fn = nullptr;
        if (!KindOf(op->Proc, kind, fn) || op->ArgCount != (IsUnary(kind) ? 1 : 2) || !op->Result ||
            ops.size() == kMaxOps)
            return nullptr;
        ops.push_back(op);
        kinds.push_back(kind);
        fns.push_back(fn);
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
            fast->LeafIsLiteral.push_back(Program.Literals.count(V) != 0);
        }
        operands.emplace_back(false, it->second);
        return true;
    };
    for (std::size_t i = 0; i < ops.size(); ++i) {
        if (IsComparison(kinds[i]) && i != ops.size() - 1) return nullptr; // only as the last step
        if (!operand(ops[i]->Arg1, i)) return nullptr;
        if (IsUnary(kinds[i]))
            operands.push_back(operands.back()); // B unused
        else if (!operand(ops[i]->Arg2, i))
            return nullptr;
    }
    // The plans compute each operation where its one user needs it: every result but the last
    // must be read exactly once.
    std::vector<int> uses(ops.size(), 0);
    for (std::size_t i = 0; i < ops.size(); ++i) {
        if (operands[2 * i].first) ++uses[operands[2 * i].second];
        if (!IsUnary(kinds[i]) && operands[2 * i + 1].first) ++uses[operands[2 * i + 1].second];
    }
    for (std::size_t i = 0; i + 1 < ops.size(); ++i)
        if (uses[i] != 1) return nullptr;
    const auto ref = [&](const std::pair<bool, std::uint32_t>& O) {
        return O.first ? static_cast<std::uint32_t>(fast->Leaves.size()) + O.second : O.second;
    };
    for (std::size_t i = 0; i < ops.size(); ++i)
        fast->Ops.push_back({kinds[i], ref(operands[2 * i]), ref(operands[2 * i + 1]), fns[i]});
    fast->Result = ops.back()->Result;
    fast->EndsInComparison = IsComparison(kinds.back());
    return fast;
}

// The step of a binary operation with the accumulator as its left operand (Reversed: as its
// right one), in integers or doubles; false for an operation that has no such step.
bool StepOf(TOpKind Kind, bool Integer, bool Reversed, TCode& Code) {
    using K = TOpKind;
    if (Reversed) {
        switch (Kind) { // X op acc is acc op' X
        case K::Sub:
            Code = Integer ? TCode::IRSub : TCode::DRSub;
            return true;
        case K::Div:
            Code = TCode::DRDiv;
            return !Integer;
        case K::Lt:
            Kind = K::Gt;
            break;
        case K::Le:
            Kind = K::Ge;
            break;
        case K::Gt:
            Kind = K::Lt;
            break;
        case K::Ge:
            Kind = K::Le;
            break;
        default:
            break;
        }
    }
    switch (Kind) {
    case K::Add:
        Code = Integer ? TCode::IAdd : TCode::DAdd;
        return true;
    case K::Sub:
        Code = Integer ? TCode::ISub : TCode::DSub;
        return true;
    case K::Mul:
        Code = Integer ? TCode::IMul : TCode::DMul;
        return true;
    case K::Div:
        Code = TCode::DDiv;
        return !Integer;
    case K::Lt:
        Code = Integer ? TCode::ILt : TCode::DLt;
        return true;
    case K::Le:
        Code = Integer ? TCode::ILe : TCode::DLe;
        return true;
    case K::Gt:
        Code = Integer ? TCode::IGt : TCode::DGt;
        return true;
    case K::Ge:
        Code = Integer ? TCode::IGe : TCode::DGe;
        return true;
    case K::Eq:
        Code = Integer ? TCode::IEq : TCode::DEq;
        return true;
    case K::Ne:
        Code = Integer ? TCode::INe : TCode::DNe;
        return true;
    case K::Neg:
    case K::Call:
        break;
    }
    return false;
}

// Lays C out for the kinds in IntegerLeaves: each operation's operands are computed into the
// accumulator one after the other, the right one first and put aside when both are operations.
class TPlanBuilder {
public:
    TPlanBuilder(const TFastChain& C, std::uint64_t IntegerLeaves)
        : C_(C), Leaves_(C.Leaves.size()), Integer_(C.Leaves.size() + C.Ops.size(), false),
          Own_(Integer_.size()), AsReal_(Integer_.size()) {
        for (std::size_t i = 0; i < Leaves_; ++i)
            Integer_[i] = (IntegerLeaves >> i) & 1u;
        for (std::size_t i = 0; i < C.Ops.size(); ++i) {
            const TFastChain::TOp& op = C.Ops[i];
            Integer_[Leaves_ + i] = InIntegers(op) && !IsComparison(op.Kind);
        }
        Plan_->IntegerLeaves = IntegerLeaves;
    }

    std::unique_ptr<TPlan> Build() {
        const std::size_t root = Integer_.size() - 1;
        Emit(root, false);
        Step(C_.EndsInComparison ? TCode::FEnd : Integer_[root] ? TCode::IEnd : TCode::DEnd);
        // Registers get their places now that their number is known.
        Plan_->Reals = std::make_unique<double[]>(Reals_.size() + 1);
        Plan_->Integers = std::make_unique<std::int64_t[]>(Integers_.size() + 1);
        for (std::size_t r = 0; r < Reals_.size(); ++r)
            Plan_->Reals[r] = Reals_[r];
        for (std::size_t r = 0; r < Integers_.size(); ++r)
            Plan_->Integers[r] = Integers_[r];
        for (TLoad& l : Plan_->Loads)
            l.To = Address(reinterpret_cast<std::intptr_t>(l.To));
        for (std::size_t i = 0; i < Plan_->Steps.size(); ++i)
            if (StepRefs_[i] != kNone) Plan_->Steps[i].X = Address(StepRefs_[i]);
        Plan_->Result = C_.Result;
        return std::move(Plan_);
    }

private:
    // Operands are numbered until the register files have their size: reals 0, 1, ...;
    // integers kIntegers + 0, ...; a double read in place kInPlace + leaf.
    static constexpr std::intptr_t kNone = -1;
    static constexpr std::intptr_t kIntegers = std::intptr_t{1} << 24;
    static constexpr std::intptr_t kInPlace = std::intptr_t{1} << 25;

    bool InIntegers(const TFastChain::TOp& Op) const {
        TCode code;
        if (Op.Kind == TOpKind::Call) return false; // a double whatever its operand
        return Integer_[Op.A] && Integer_[Op.B] &&
               (Op.Kind == TOpKind::Neg || StepOf(Op.Kind, true, false, code));
    }
    void* Address(std::intptr_t Ref) const {
        if (Ref >= kInPlace)
            return const_cast<double*>(C_.Leaves[static_cast<std::size_t>(Ref - kInPlace)]->RawDoubleData());
        if (Ref >= kIntegers) return &Plan_->Integers[static_cast<std::size_t>(Ref - kIntegers)];
        return &Plan_->Reals[static_cast<std::size_t>(Ref)];
    }
    std::intptr_t NewReal(double V = 0) {
        Reals_.push_back(V);
        return static_cast<std::intptr_t>(Reals_.size() - 1);
    }
    std::intptr_t NewInteger(std::int64_t V = 0) {
        Integers_.push_back(V);
        return kIntegers + static_cast<std::intptr_t>(Integers_.size() - 1);
    }
    void Step(TCode Code, std::intptr_t Ref = kNone) {
        Plan_->Steps.push_back({Code, {nullptr}});
        StepRefs_.push_back(Ref);
    }
    // Where leaf V is found as a double (Real) or in its own kind, set up on first use.
    std::intptr_t Operand(std::size_t V, bool Real) {
        const bool convert = Real && Integer_[V];
        std::intptr_t& ref = convert ? AsReal_[V] : Own_[V];
        if (ref != 0) return ref - 1;
        const Variant& v = *C_.Leaves[V];
        std::intptr_t r;
        if (C_.LeafIsLiteral[V]) {
            r = !Integer_[V] ? NewReal(v.RawDouble())
                : convert    ? NewReal(double(v.RawInteger()))
                             : NewInteger(v.RawInteger());
        } else if (!Integer_[V]) {
            Plan_->InPlace.push_back(&v);
            r = kInPlace + static_cast<std::intptr_t>(V);
        } else {
            r = convert ? NewReal() : NewInteger();
            Plan_->Loads.push_back(
                {convert ? TLoad::IntegerAsReal : TLoad::Integer, &v, reinterpret_cast<void*>(r)});
        }
        ref = r + 1;
        return r;
    }
    // Steps that leave value V in the double accumulator (Real) or in that of its own kind.
    void Emit(std::size_t V, bool Real) {
        if (V < Leaves_) {
            const bool integer = Integer_[V] && !Real;
            Step(integer ? TCode::ILoad : TCode::DLoad, Operand(V, !integer));
            return;
        }
        const TFastChain::TOp& op = C_.Ops[V - Leaves_];
        const bool integer = InIntegers(op);
        TCode code{};
        if (op.Kind == TOpKind::Neg) {
            Emit(op.A, !integer);
            Step(integer ? TCode::INeg : TCode::DNeg);
        } else if (op.Kind == TOpKind::Call) {
            Emit(op.A, true);
            Step(TCode::DCall);
            Plan_->Steps.back().Fn = op.Fn;
            Plan_->Calls = true;
        } else if (op.B < Leaves_) {
            Emit(op.A, !integer);
            StepOf(op.Kind, integer, false, code);
            Step(code, Operand(op.B, !integer));
        } else if (op.A < Leaves_ && StepOf(op.Kind, integer, true, code)) {
            Emit(op.B, !integer);
            Step(code, Operand(op.A, !integer));
        } else {
            Emit(op.B, !integer);
            const std::intptr_t aside = integer ? NewInteger() : NewReal();
            Step(integer ? TCode::IStore : TCode::DStore, aside);
            Emit(op.A, !integer);
            StepOf(op.Kind, integer, false, code);
            Step(code, aside);
        }
        if (Real && Integer_[V]) Step(TCode::IToD);
    }

    const TFastChain& C_;
    const std::size_t Leaves_;
    std::vector<bool> Integer_;               // each value's kind: leaves, then operations
    std::vector<std::intptr_t> Own_, AsReal_; // a leaf's operand, plus 1 (0: not set up yet)
    std::vector<double> Reals_;
    std::vector<std::int64_t> Integers_;
    std::vector<std::intptr_t> StepRefs_;
    std::unique_ptr<TPlan> Plan_ = std::make_unique<TPlan>();
};

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
        C.Plans.push_back(TPlanBuilder(C, integers).Build());
        plan = C.Plans.back().get();
    }
    LoadPlan(*plan); // the kinds were just checked
    return C.Current = plan;
}

void GiveUp(TFastChain& C) {
    if (++C.GaveUp >= kMaxGiveUps) C.Current = nullptr;
}

namespace {

void PrepareStatement(PParserStatement St, TProgram& Program) {
    switch (St->Token) {
    case TStatementToken::stEQ:
    case TStatementToken::stIfThen:
    case TStatementToken::stWhile:
    case TStatementToken::stRepeat:
        if (auto fast = BuildFastChain(St->Expr1, Program)) St->Fast = Program.Keep(std::move(fast));
        break;
    default:
        break;
    }
}

// Prepares every statement of Chain and of the bodies within.
void PrepareAll(PParserStatement Chain, TProgram& Program) {
    for (PParserStatement st = Chain; st; st = st->Next) {
        if (!st->Fast) PrepareStatement(st, Program);
        PrepareAll(st->Body1, Program);
        PrepareAll(st->Body2, Program);
    }
}

} // namespace

void PrepareFastChains(TProgram& Program) {
    PrepareAll(Program.Statements, Program);
}

} // namespace skv::engine
