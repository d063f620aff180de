// The effect player as its callers see it: the time one step may take and the interface that plays
// a script on a camera record, so the control thread runs the same with the player and with the
// tests' stand-in.
#pragma once

#include "model/Carcameravalues.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>

namespace skv::effects {

// The time one effect step may take: the beat is 27 ms, so a slow step delays the next one a little,
// while a script that never ends is cut off before the camera visibly freezes.
constexpr std::chrono::milliseconds kEffectBudget{50};

// The clock a budget is measured on: the steady clock unless a caller gives another (a test that
// must not fail when the machine is busy measures on the thread's own processor time).
using EffectClock = std::chrono::steady_clock::time_point (*)();

// How long one effect evaluation may take. A script can loop for ever; the player checks this at its
// loop turns and inside long built-in calls, and gives up (throws) once it has expired, so the
// thread keeps its beat and can stop.
struct EffectBudget {
    std::chrono::steady_clock::time_point deadline; // when the step is due to be written
    const std::atomic<bool>* cancelled = nullptr;   // set when the thread is being stopped
    // When the step began, if known: the player then need not read the clock at its first loop turn
    // to time the turns that follow.
    std::chrono::steady_clock::time_point started{};
    EffectClock clock = nullptr; // null: the steady clock

    // A budget of Length (kEffectBudget unless told) from now, with one read of the clock.
    static EffectBudget fromNow(const std::atomic<bool>* cancelled = nullptr,
                                std::chrono::nanoseconds length = kEffectBudget,
                                EffectClock clock = nullptr) {
        const auto now = clock ? clock() : std::chrono::steady_clock::now();
        return {now + length, cancelled, now, clock};
    }

    std::chrono::steady_clock::time_point now() const {
        return clock ? clock() : std::chrono::steady_clock::now();
    }
    bool isCancelled() const { return cancelled && cancelled->load(std::memory_order_relaxed); }
    bool expired() const { return isCancelled() || now() >= deadline; }
};

// Plays an effect script on one camera record. Called on whichever thread is stepping, never on two
// at once.
class EffectStepper {
public:
    virtual ~EffectStepper() = default;
    // A new script, compiled at its next evaluation.
    virtual void load(const std::string& script) = 0;
    // At entry into an effect mode: the script's variables start from this record.
    virtual void seed(std::int32_t frame, const model::CarCameraValues& record) = 0;
    // One evaluation; writes the script's camera values into the record. Throws on script errors and
    // when the budget has expired; the record may then be half written (the caller passes a copy).
    virtual void step(std::int32_t frame, model::CarCameraValues& record, const EffectBudget& budget) = 0;
};

} // namespace skv::effects
