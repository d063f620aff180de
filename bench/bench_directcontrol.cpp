// The control thread's timing against the fake game with the real clock: the step period of a
// moving mode and the latency from a command to its first write into the game. Each figure is
// printed beside a baseline measured in the same run: a bare loop sleeping to absolute deadlines,
// and a bare condition-variable wake.
#include "Steptiming.h"
#include "model/Gplcarcameraset.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

using namespace skv::bench;
using namespace skv::directcontrol;
using namespace skv::directcontrol::testing;

namespace {

double micros(Clock::duration d) {
    return std::chrono::duration<double, std::micro>(d).count();
}

double mean(const std::vector<double>& v) {
    double sum = 0;
    for (double x : v)
        sum += x;
    return v.empty() ? 0 : sum / double(v.size());
}

std::vector<Clock::time_point> baselineBeats(double seconds) {
    std::vector<Clock::time_point> at;
    auto due = Clock::now();
    const auto end =
        due + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
    while (due < end) {
        due += kStepPeriod;
        std::this_thread::sleep_until(due);
        at.push_back(Clock::now());
    }
    return at;
}

std::vector<Clock::time_point> mouseRollBarWrites(double seconds) {
    GameStage game;
    StepBeats beats(game);
    DirectControl dc(game.link, game.platform);
    dc.start();
    dc.setSmooth(94);
    dc.setRequestedMode(ControlMode::MouseRollBar);
    dc.changeMode(false);
    game.platform.moveCursor(100, 100); // keep the camera turning
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    dc.stop();
    return beats.taken();
}

void BM_StepPeriodMouseRollBar(benchmark::State& state) {
    for (auto _ : state) {
        const double seconds = watchSeconds(10.0);
        const auto base = periodDeviations(baselineBeats(seconds));
        const auto dc = periodDeviations(mouseRollBarWrites(seconds));
        state.counters["steps"] = double(dc.size());
        state.counters["base_mean_dev_us"] = mean(base);
        state.counters["base_p99_dev_us"] = percentile(base, 0.99);
        state.counters["mean_dev_us"] = mean(dc);
        state.counters["p99_dev_us"] = percentile(dc, 0.99);
        state.counters["p99_ratio"] = percentile(dc, 0.99) / std::max(1.0, percentile(base, 0.99));
    }
}

constexpr int kSamples = 300;

std::vector<double> baselineWakes() {
    std::mutex m;
    std::condition_variable cv;
    bool flag = false, quit = false;
    Clock::time_point woke;
    std::thread t([&] {
        std::unique_lock lock(m);
        for (;;) {
            cv.wait(lock, [&] { return flag || quit; });
            if (quit) return;
            woke = Clock::now();
            flag = false;
            cv.notify_all();
        }
    });
    std::vector<double> lat;
    for (int i = 0; i < kSamples; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        std::unique_lock lock(m);
        const auto sent = Clock::now();
        flag = true;
        cv.notify_all();
        cv.wait(lock, [&] { return !flag; });
        lat.push_back(micros(woke - sent));
    }
    {
        std::lock_guard lock(m);
        quit = true;
    }
    cv.notify_all();
    t.join();
    return lat;
}

std::vector<double> commandToWrite() {
    GameStage game;
    game.keepWrites(false);
    std::mutex m;
    Clock::time_point written;
    game.onWrite([&](const FakeWrite& w) {
        std::lock_guard lock(m);
        written = w.at;
    });
    DirectControl dc(game.link, game.platform);
    dc.start();
    dc.changeMode(false); // attach first: the latency is that of a command, not of the attach
    dc.waitUntilIdle(std::chrono::seconds(5));
    skv::model::TGPLCarCameraSet set;
    std::vector<double> lat;
    for (int i = 0; i < kSamples; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        set.Camera0.xPos = float(i);
        dc.setCameraSet("Bench", set);
        const auto sent = Clock::now();
        dc.changeMode(false);
        dc.waitUntilIdle(std::chrono::seconds(5));
        std::lock_guard lock(m);
        lat.push_back(micros(written - sent));
    }
    return lat;
}

void BM_CommandToFirstWrite(benchmark::State& state) {
    for (auto _ : state) {
        const auto base = baselineWakes();
        const auto dc = commandToWrite();
        state.counters["base_p50_us"] = percentile(base, 0.5);
        state.counters["base_p99_us"] = percentile(base, 0.99);
        state.counters["p50_us"] = percentile(dc, 0.5);
        state.counters["p99_us"] = percentile(dc, 0.99);
        state.counters["p99_ratio"] = percentile(dc, 0.99) / std::max(1.0, percentile(base, 0.99));
    }
}

} // namespace

BENCHMARK(BM_StepPeriodMouseRollBar)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CommandToFirstWrite)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_MAIN();
