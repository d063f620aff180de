// The effect player: the engine components an effect script runs in (its function registry, the
// camera variables, the compiled script) and one evaluation per step, cut off when its budget ends.
#pragma once

#include "effects/Effectbudget.h"
#include "engine/component/Expars.h"
#include "engine/eval/Exeval.h"
#include "engine/funcs/Exfuncs.h"
#include "engine/vars/Vars.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace skv::effects {

// Why an evaluation was cut off.
constexpr const char* kEffectTimeLimitText = "Time limit exceeded";
constexpr const char* kEffectStoppedText = "Direct control is stopping";

// The registry effects compile against: every built-in group but dates and datasets.
void configureEffectRegFuncs(engine::TEPRegFuncs& regFuncs);

// Connects a parser to the registry and the variables as effects use them. A name that is neither a
// variable nor a function fails the evaluation with the check's message: read as empty or 0, it
// would put the camera at 0.
void connectEffectParser(engine::TExParser& parser, engine::TEPVars& vars, engine::TEPRegFuncs& regFuncs);

// While it lives, the calling thread's evaluations stop with EEvalAborted once the budget has
// expired or been cancelled. The clock is read only every so many loop turns, more often when
// the turns are slow, so a step overruns its deadline by a few turns at most; long built-in work
// reads it at each of its check points, so one call on a big text or array stops mid-way.
//
// A failed step also frees what its script holds, which takes time in proportion to it: given the
// host's context, the script is stopped that much before the deadline, so the step still ends in time.
class EffectBudgetScope {
public:
    explicit EffectBudgetScope(const EffectBudget& budget, const engine::TEngineContext* holder = nullptr);
    EffectBudgetScope(const EffectBudgetScope&) = delete;
    EffectBudgetScope& operator=(const EffectBudgetScope&) = delete;

private:
    static void checkPoint(void* self);
    static void workPoint(void* self);
    void check();
    void checkNow(std::chrono::steady_clock::time_point now, bool inWork) const;

    // When the script must stop: the deadline less the time to free what it holds then, and what
    // a long built-in call has half built (inWork).
    std::chrono::steady_clock::time_point stopAt(bool inWork) const;

    const EffectBudget& budget_;
    const engine::TEngineContext* holder_;
    std::int32_t countdown_ = 1; // the first check reads the clock, unless the budget tells the start
    std::int32_t interval_ = 16; // checks between two clock reads
    std::chrono::steady_clock::time_point lastRead_;
    engine::TEvalCheckPointScope scope_;
};

// Why a script does not pass the check, and where in its lines (1-based; 0 when not known).
struct TScriptError {
    std::string message;
    int line = 0;
    int column = 0;
};

// One per thread that plays effects: the control thread has its own, and an editor that checks
// scripts makes another, so the two never share an engine object.
class TEffectPlayer final : public EffectStepper {
public:
    // Camera variables in the order they are read back, after FRAMES.
    static constexpr std::array<const char*, 8> kVariableNames{"FRAMES", "X",     "Y",    "Z",
                                                               "YAW",    "PITCH", "BANK", "ZOOM"};

    TEffectPlayer();
    ~TEffectPlayer() override;
    TEffectPlayer(const TEffectPlayer&) = delete;
    TEffectPlayer& operator=(const TEffectPlayer&) = delete;

    // An empty text is never loaded: the script before it stays.
    void load(const std::string& script) override;
    void seed(std::int32_t frame, const model::CarCameraValues& record) override;
    // FRAMES := frame, one evaluation, the seven values back into the record as 32-bit floats
    // (no limits; unknown1 and unknown2 stay). Throws the engine's error, or EEvalAborted.
    void step(std::int32_t frame, model::CarCameraValues& record, const EffectBudget& budget) override;

    // Compiles the text in a parser of its own (the loaded script stays) and checks it as the
    // effect editor does; the error text, or empty when it passes.
    std::string check(const std::string& text);
    // The same check, saying where the error was found.
    std::optional<TScriptError> checkScript(const std::string& text);
    // Compiles the text as the script to play and checks it, one compile for both: the error, or
    // nullopt when it passes. Even an empty or failing text replaces the loaded script.
    std::optional<TScriptError> loadChecked(const std::string& text);

    // Makes the player as a new one is for the next script: the compiled script and its own
    // variables go, the camera variables and the random sequence start again. False when the
    // scripts played so far left something in the context a reset cannot take back (open files,
    // memory blocks, numbered objects, held texts, a handled exception): a new player is needed.
    bool reset();

    engine::TEPVars& variables() { return skvEPVars; }
    // The player's own engine context: what its scripts hold, open and show.
    engine::TEngineContext& context() { return epRegFuncs.Context(); }

private:
    engine::TEPRegFuncs epRegFuncs;
    engine::TEPVars skvEPVars;
    // Declared last, so it goes first: it holds links into the variables and the registry.
    engine::TExParser skvExParser;
    std::array<engine::TVariable*, kVariableNames.size()> vars_{};
};

// Plays the loaded script as direct control does: seeded from start at frame 1, then frames 1 to
// frames, each step on a copy of the camera under a budget of its own (so a failed step changes
// nothing) and handed to onStep. Stops at the first failure and returns its message with the frame
// (nullopt when every step ran). cancelled, when given, ends the run at the next check point.
struct TStepFailure {
    std::int32_t frame;
    std::string message;
};
std::optional<TStepFailure>
playSteps(EffectStepper& player, const model::CarCameraValues& start, std::int32_t frames,
          const std::function<void(std::int32_t, const model::CarCameraValues&)>& onStep,
          const std::atomic<bool>* cancelled = nullptr);

} // namespace skv::effects
