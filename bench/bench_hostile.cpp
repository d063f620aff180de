// The longest steps scripts written to stall the control thread can make, against an ordinary
// effect step in the same run. Each hostile step runs through the effect player with the budget
// direct control gives it (50 ms on the steady clock) and ends by that budget or by a limit; the
// table prints the wall time of each step (what the camera waits; a busy machine adds to it), how
// far past the budget it ended, its CPU time, and its ratio to the ordinary step.
#include "effects/Effectplayer.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

using namespace skv::effects;

namespace {

struct TCase {
    const char* Name;
    std::string Script;
};

const char* const kOrdinary = "BEGIN X := X + 0.05 * COS(FRAMES / 50); Y := Y + 0.05 * SIN(FRAMES / 50); "
                              "IF FRAMES MOD 100 = 0 THEN ZOOM := ZOOM * 0.999; END";

std::string bigText(const std::string& Then) {
    return "S := \"\"; SetLength(S, 60000000); " + Then;
}

// The worst of the hostile scripts the tests play, one of each kind of long work.
std::vector<TCase> hostileCases() {
    return {
        {"doubling", "S := \"x\"; WHILE 1 DO S := S + S;"},
        {"replace", bigText("WHILE 1 DO T := StringReplace(S, \" \", \"b\", 3);")},
        {"quote", bigText("WHILE 1 DO T := QuotedStr(S);")},
        {"lowercase", bigText("WHILE 1 DO T := LowerCase(S);")},
        {"arraycast", "A := VarArrayCreate(0, 4000000, 12); WHILE 1 DO B := VarAsType(A, 8197);"},
        {"memblock", "WHILE 1 DO BEGIN P := AllocMem(200000000); FreeMem(P, 200000000); END;"},
    };
}

void ordinaryStep(benchmark::State& State) {
    TEffectPlayer player;
    skv::model::CarCameraValues record{};
    player.load(kOrdinary);
    player.seed(1, record);
    std::int32_t frame = 1;
    for (auto _ : State) {
        player.step(++frame, record, EffectBudget::fromNow());
        benchmark::DoNotOptimize(record);
    }
}

// One failing step per iteration, in a player of its own so each starts from nothing.
void hostileStep(benchmark::State& State, const std::string& Script) {
    for (auto _ : State) {
        State.PauseTiming();
        auto player = std::make_unique<TEffectPlayer>();
        skv::model::CarCameraValues record{};
        player->load(Script);
        player->seed(1, record);
        State.ResumeTiming();
        try {
            player->step(2, record, EffectBudget::fromNow());
        } catch (const std::exception&) {
            // Every hostile step ends by its budget or its limit: that is the point.
        }
        State.PauseTiming();
        player.reset();
        State.ResumeTiming();
    }
}

class TableReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& Runs) override {
        for (const auto& run : Runs) {
            if (run.run_type != Run::RT_Iteration) continue;
            const double toNanos = 1e9 / benchmark::GetTimeUnitMultiplier(run.time_unit);
            Real[run.run_name.function_name] = run.GetAdjustedRealTime() * toNanos;
            Cpu[run.run_name.function_name] = run.GetAdjustedCPUTime() * toNanos;
        }
        ConsoleReporter::ReportRuns(Runs);
    }
    std::map<std::string, double> Real, Cpu;
};

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RegisterBenchmark("step/ordinary", ordinaryStep);
    for (const TCase& c : hostileCases())
        benchmark::RegisterBenchmark((std::string("step/hostile/") + c.Name).c_str(),
                                     [s = c.Script](benchmark::State& State) { hostileStep(State, s); })
            ->Iterations(3)
            ->UseRealTime()
            ->Unit(benchmark::kMillisecond);
    TableReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    const double ordinary = reporter.Real["step/ordinary"];
    const double budget = std::chrono::duration<double, std::nano>(kEffectBudget).count();
    std::printf("\nTime per step; the budget is %.0f ms, the goal no step more than 10 ms past it\n",
                budget / 1e6);
    std::printf("%-12s %14s %16s %12s %14s\n", "case", "wall ms", "ms past budget", "CPU ms", "x ordinary");
    std::printf("%-12s %14.4f %16s %12.4f %14s\n", "ordinary", ordinary / 1e6, "-",
                reporter.Cpu["step/ordinary"] / 1e6, "1");
    double worst = 0;
    std::string worstName;
    for (const TCase& c : hostileCases()) {
        const std::string name = std::string("step/hostile/") + c.Name;
        const double ns = reporter.Real[name];
        if (ns > worst) {
            worst = ns;
            worstName = c.Name;
        }
        std::printf("%-12s %14.1f %16.1f %12.1f %14.0f\n", c.Name, ns / 1e6, (ns - budget) / 1e6,
                    reporter.Cpu[name] / 1e6, ns / ordinary);
    }
    std::printf("worst hostile step: %s, %.1f ms, %.1f ms past the budget, %.0f x an ordinary step\n",
                worstName.c_str(), worst / 1e6, (worst - budget) / 1e6, worst / ordinary);
    benchmark::Shutdown();
    return 0;
}
