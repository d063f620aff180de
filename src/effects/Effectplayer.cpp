#include "effects/Effectplayer.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <limits>
#include <stdexcept>

namespace skv::effects {

using Clock = std::chrono::steady_clock;
using engine::Variant;

namespace {

// Clock reads are spaced so that a batch of checks lasts between these two.
constexpr auto kShortBatch = std::chrono::microseconds(100);
constexpr auto kLongBatch = std::chrono::milliseconds(1);
constexpr std::int32_t kMaxInterval = 1024;

// The standard conversion: out-of-range values raise an overflow rather than wrap. It lets NaN and
// the infinities through (SQRT(-1), LN(0)), which the game must never be given as a camera.
float toSingle(const Variant& v, const char* name) {
    // What scripts assign, a double within range, and what they leave, the seeded single, need no
    // more than the cast.
    if (v.VType() == engine::varDouble) {
        const double d = v.RawDouble();
        if (std::fabs(d) <= static_cast<double>(std::numeric_limits<float>::max()))
            return static_cast<float>(d);
    } else if (v.VType() == engine::varSingle && std::isfinite(v.RawSingle())) {
        return v.RawSingle();
    }
    const float f = static_cast<float>(engine::VarAsType(v, engine::varSingle).ToReal());
    if (!std::isfinite(f)) throw std::runtime_error(std::string(name) + " is not a finite number");
    return f;
}

// The record's fields in the order of the camera variables after FRAMES.
std::array<float*, 7> cameraFields(model::CarCameraValues& r) {
    return {&r.xPos, &r.yPos, &r.zPos, &r.yaw, &r.pitch, &r.bank, &r.zoomAngle};
}

} // namespace

void configureEffectRegFuncs(engine::TEPRegFuncs& regFuncs) {
    regFuncs.SetDateFuncs(false);
    regFuncs.SetDBFuncs(false);
}

void connectEffectParser(engine::TExParser& parser, engine::TEPVars& vars, engine::TEPRegFuncs& regFuncs) {
    parser.SetRegFuncs(&regFuncs);
    parser.SetUserVars(&vars);
    parser.OnVariable = [](engine::TComponent*, const std::string& name) -> Variant {
        throw engine::EUnknownVariable(std::string(engine::_msgUnknownVar) + " " + name);
    };
    parser.SetOnFunction(
        [](engine::TComponent*, const std::string& name, engine::ArgArray&, std::int32_t) -> Variant {
            throw engine::EUnknownFunction(std::string(engine::_msgUnknownFunc) + " " + name);
        });
}

// ---- the budget ----

EffectBudgetScope::EffectBudgetScope(const EffectBudget& budget, const engine::TEngineContext* holder)
    : budget_(budget), holder_(holder),
      scope_(&EffectBudgetScope::checkPoint, this, &EffectBudgetScope::workPoint) {
    // With the step's start known, the first batch of turns is timed from it; a script of a few
    // turns then reads the clock only once, after it ends.
    if (budget.started != Clock::time_point{}) {
        lastRead_ = budget.started;
        countdown_ = interval_;
    }
}

void EffectBudgetScope::checkPoint(void* self) {
    static_cast<EffectBudgetScope*>(self)->check();
}

void EffectBudgetScope::workPoint(void* self) {
    const auto* scope = static_cast<EffectBudgetScope*>(self);
    scope->checkNow(scope->budget_.now(), true);
}

Clock::time_point EffectBudgetScope::stopAt(bool inWork) const {
    if (!holder_) return budget_.deadline;
    // Freeing runs at some 10 MiB a millisecond (8 allows for slower machines); a value half built
    // inside a long call is freed as well, which the fixed part allows for.
    constexpr std::int64_t kFreedPerMillisecond = std::int64_t{8} << 20;
    constexpr auto kHalfBuilt = std::chrono::milliseconds(5);
    const std::int64_t held = holder_->Values.HeldBytes() + holder_->Memory.LiveBytes();
    const auto freeing = std::chrono::microseconds(held * 1000 / kFreedPerMillisecond);
    return budget_.deadline - freeing - (inWork ? kHalfBuilt : Clock::duration::zero());
}

void EffectBudgetScope::checkNow(Clock::time_point now, bool inWork) const {
    if (budget_.isCancelled()) throw engine::EEvalAborted(kEffectStoppedText);
    if (now >= stopAt(inWork)) throw engine::EEvalAborted(kEffectTimeLimitText);
}

void EffectBudgetScope::check() {
    if (--countdown_ > 0) return;
    const auto now = budget_.now();
    checkNow(now, false);
    // Fast loop turns read the clock rarely; slow ones (long texts, big arrays) more often.
    if (lastRead_ != Clock::time_point{}) {
        const auto batch = now - lastRead_;
        if (batch < kShortBatch)
            interval_ = std::min(interval_ * 2, kMaxInterval);
        else if (batch > kLongBatch)
            interval_ = std::max(interval_ / 4, std::int32_t{1});
    }
    lastRead_ = now;
    countdown_ = interval_;
}

// ---- the player ----

TEffectPlayer::TEffectPlayer() {
    configureEffectRegFuncs(epRegFuncs);
    skvEPVars.SetName("skvEPVars");
    skvEPVars.SetRegFuncs(&epRegFuncs);
    for (std::size_t i = 0; i < kVariableNames.size(); ++i) {
        vars_[i] = skvEPVars.CreateVariable(nullptr, kVariableNames[i], "");
        vars_[i]->SetValueType(engine::vvValue);
    }
    vars_[0]->SetValue(Variant(std::int32_t{0}));
    for (std::size_t i = 1; i < vars_.size(); ++i)
        vars_[i]->SetValue(Variant(0.0));
    connectEffectParser(skvExParser, skvEPVars, epRegFuncs);
}

TEffectPlayer::~TEffectPlayer() = default;

void TEffectPlayer::load(const std::string& script) {
    if (!script.empty()) skvExParser.SetExpr(script);
}

void TEffectPlayer::seed(std::int32_t frame, const model::CarCameraValues& record) {
    vars_[0]->SetValue(Variant(frame));
    model::CarCameraValues copy = record;
    const auto fields = cameraFields(copy);
    for (std::size_t i = 0; i < fields.size(); ++i)
        vars_[i + 1]->SetValue(Variant::Single(*fields[i]));
}

void TEffectPlayer::step(std::int32_t frame, model::CarCameraValues& record, const EffectBudget& budget) {
    vars_[0]->SetValue(Variant(frame));
    std::array<float, 7> values{};
    try {
        {
            const EffectBudgetScope scope(budget, &context());
            skvExParser.F(); // the one argument integer 0; the result is not used
        }
        // One long operation between two check points can finish past the deadline: such a step
        // fails like one that was cut off, since the next would most likely stall the thread again.
        if (budget.now() >= budget.deadline) throw engine::EEvalAborted(kEffectTimeLimitText);
        for (std::size_t i = 0; i < values.size(); ++i)
            values[i] = toSingle(vars_[i + 1]->Value(), kVariableNames[i + 1]);
    } catch (...) {
        // The failed script's own variables go with its compiled form (it compiles again at its
        // next evaluation), and the camera variables are seeded again at the next mode entry, so
        // texts and arrays the script piled up are not held while the mode is Static.
        skvExParser.InvalidateOperation();
        for (std::size_t i = 1; i < vars_.size(); ++i)
            vars_[i]->SetValue(Variant(0.0));
        throw;
    }
    const auto fields = cameraFields(record);
    for (std::size_t i = 0; i < fields.size(); ++i)
        *fields[i] = values[i];
}

std::string TEffectPlayer::check(const std::string& text) {
    const auto error = checkScript(text);
    return error ? error->message : std::string();
}

namespace {

// Gives the parser the text and checks it: the error with its place, or nullopt when it passes.
std::optional<TScriptError> compileAndCheck(engine::TExParser& parser, const std::string& text) {
    try {
        parser.SetExpr(text);
        parser.DoCheck();
    } catch (const engine::EMathParserError& e) {
        return TScriptError{e.what(), e.Line(), e.Column()};
    } catch (const std::exception& e) {
        return TScriptError{e.what()};
    }
    return std::nullopt;
}

} // namespace

std::optional<TScriptError> TEffectPlayer::checkScript(const std::string& text) {
    engine::TExParser probe;
    connectEffectParser(probe, skvEPVars, epRegFuncs);
    return compileAndCheck(probe, text);
}

std::optional<TScriptError> TEffectPlayer::loadChecked(const std::string& text) {
    return compileAndCheck(skvExParser, text);
}

bool TEffectPlayer::reset() {
    skvExParser.SetExpr(std::string());
    vars_[0]->SetValue(Variant(std::int32_t{0}));
    for (std::size_t i = 1; i < vars_.size(); ++i)
        vars_[i]->SetValue(Variant(0.0));
    engine::TEngineContext& host = context();
    host.Random.seed(engine::TEngineContext::kRandomSeed);
    return host.Files.Count() == 0 && host.Memory.LiveBytes() == 0 && host.Values.HeldBytes() == 0 &&
           host.Objects.Unused() && !host.HandledException && !host.HandledExceptionObject &&
           host.ScriptDepth == 0;
}

std::optional<TStepFailure>
playSteps(EffectStepper& player, const model::CarCameraValues& start, std::int32_t frames,
          const std::function<void(std::int32_t, const model::CarCameraValues&)>& onStep,
          const std::atomic<bool>* cancelled) {
    model::CarCameraValues camera = start;
    player.seed(1, camera);
    for (std::int32_t frame = 1; frame <= frames; ++frame) {
        // A script without loops never reaches a check point; the run still stops between steps.
        if (cancelled && cancelled->load(std::memory_order_relaxed))
            return TStepFailure{frame, kEffectStoppedText};
        model::CarCameraValues next = camera;
        try {
            player.step(frame, next, EffectBudget::fromNow(cancelled));
        } catch (const std::exception& e) {
            return TStepFailure{frame, e.what()};
        }
        camera = next;
        onStep(frame, camera);
        if (frame == std::numeric_limits<std::int32_t>::max()) break;
    }
    return std::nullopt;
}

} // namespace skv::effects
