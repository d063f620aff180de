// What the step-period benchmarks share: how long they watch, the time of every step the stand-in
// game sees, each interval's deviation from the control thread's period, and percentiles.
#pragma once

#include "directcontrol/Directcontrol.h"
#include "directcontrol/Gamestage.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <mutex>
#include <vector>

namespace skv::bench {

using Clock = std::chrono::steady_clock;

// How long the period is watched; SKV_BENCH_SECONDS changes it (a quick look, or a steadier figure).
inline double watchSeconds(double fallback) {
    const char* s = std::getenv("SKV_BENCH_SECONDS");
    return s ? std::max(1.0, std::atof(s)) : fallback;
}

inline double percentile(std::vector<double> v, double p) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const auto i = static_cast<std::size_t>(p * double(v.size() - 1) + 0.5);
    return v[std::min(i, v.size() - 1)];
}

// |interval - nominal period| in microseconds for successive time stamps.
inline std::vector<double> periodDeviations(const std::vector<Clock::time_point>& at) {
    std::vector<double> dev;
    for (std::size_t i = 1; i < at.size(); ++i)
        dev.push_back(
            std::abs(std::chrono::duration<double, std::micro>(at[i] - at[i - 1]).count() -
                     std::chrono::duration<double, std::micro>(directcontrol::kStepPeriod).count()));
    return dev;
}

// The time of every step the game sees, from the control thread's own write.
class StepBeats {
public:
    explicit StepBeats(directcontrol::testing::GameStage& game) : game_(game) {
        at_.reserve(4096); // no allocation on the control thread while it is watched
        game.keepWrites(false);
        game.onWrite([this](const directcontrol::testing::FakeWrite& w) {
            std::lock_guard lock(m_);
            at_.push_back(w.at);
        });
    }
    ~StepBeats() { game_.onWrite({}); }
    StepBeats(const StepBeats&) = delete;
    StepBeats& operator=(const StepBeats&) = delete;

    std::vector<Clock::time_point> taken() {
        std::lock_guard lock(m_);
        return at_;
    }

private:
    directcontrol::testing::GameStage& game_;
    std::mutex m_;
    std::vector<Clock::time_point> at_;
};

} // namespace skv::bench
