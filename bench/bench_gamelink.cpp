// The game link's search and attach. The search over the 1 MiB window is measured beside memmem
// over the same bytes for the same key; an attach to the stand-in game on a private X server (the
// window checks, the 1 MiB read and the search) beside the bare 1 MiB read from that process.
#include "directcontrol/Directcontrol_gamelink.h"
#include "support/Xsession.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <random>
#include <set>
#include <sstream>

using namespace skv::directcontrol;

namespace {

constexpr std::size_t kWindow = 0x100000;
constexpr float kKey[3] = {-41.25f, 7.5f, 1.125f};

std::array<std::uint8_t, kSearchKeySize> keyBytes() {
    std::array<std::uint8_t, kSearchKeySize> key{};
    std::memcpy(key.data(), kKey, sizeof kKey);
    return key;
}

// Memory like a game's: runs of zeros between stretches of small floats and pointers, with the
// key near the end, so both searches walk nearly the whole window.
std::vector<std::uint8_t> gameLikeWindow(std::size_t keyAt) {
    std::vector<std::uint8_t> bytes(kWindow, 0);
    std::mt19937 random(7);
    std::uniform_real_distribution<float> value(-500.0f, 500.0f);
    for (std::size_t at = 0; at + 4 <= kWindow;) {
        const std::size_t run = 16 + random() % 512;
        if (random() % 3 != 0) {
            for (std::size_t i = 0; i < run && at + 4 <= kWindow; ++i, at += 4) {
                const float f = value(random);
                std::memcpy(bytes.data() + at, &f, 4);
            }
        } else {
            at += run * 4;
        }
    }
    const auto key = keyBytes();
    std::copy(key.begin(), key.end(), bytes.begin() + std::ptrdiff_t(keyAt));
    return bytes;
}

constexpr std::size_t kKeyAt = 0xFFE00;

void BM_Memmem(benchmark::State& state) {
    const auto window = gameLikeWindow(kKeyAt);
    const auto key = keyBytes();
    for (auto _ : state) {
        const void* found = ::memmem(window.data(), window.size(), key.data(), key.size());
        if (found != window.data() + kKeyAt) std::abort();
        benchmark::DoNotOptimize(found);
    }
    state.SetBytesProcessed(std::int64_t(state.iterations() * kWindow));
}

void BM_FindSearchKey(benchmark::State& state) {
    const auto window = gameLikeWindow(kKeyAt);
    const auto key = keyBytes();
    for (auto _ : state) {
        const auto found = findSearchKey(window, key);
        if (found != kKeyAt) std::abort();
        benchmark::DoNotOptimize(found);
    }
    state.SetBytesProcessed(std::int64_t(state.iterations() * kWindow));
}

// The stand-in game on a private X server, started once for the attach benchmarks.
struct StandIn {
    skv::testing::XvfbServer server;
    std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("skv-bench-gamelink-" + std::to_string(::getpid()));
    std::unique_ptr<skv::testing::ChildProcess> game;
    std::unique_ptr<skv::platform::Platform> platform;
    skv::model::TGamePaths paths{[](const std::string&) { return std::optional<std::string>(); }};
    std::unique_ptr<TGameLink> link;
    skv::platform::ProcessId pid = 0;

    StandIn() {
        if (server.display().empty()) return;
        ::setenv("DISPLAY", server.display().c_str(), 1);
        platform = skv::platform::createPlatform();
        link = std::make_unique<TGameLink>(*platform, paths);
        link->setGamePrograms((folder / "gpl.exe").string(), "");
        const auto reference = link->referenceFilePath(false);
        std::filesystem::create_directories(reference.parent_path());
        skv::testing::writeCamFile(reference.string(), kKey);
        game = std::make_unique<skv::testing::ChildProcess>(
            std::vector<std::string>{SKV_RUNTIME_DIR "/fakegame", "--game", "gpl", "--offset", "0xF0000",
                                     "--camfile", reference.string()},
            std::vector<std::string>{"DISPLAY=" + server.display()});
        std::istringstream ready(game->readLine().value_or(""));
        std::string word;
        ready >> word >> pid;
        if (word != "ready") pid = 0;
    }
    ~StandIn() {
        game.reset();
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }
};

StandIn& standIn() {
    static StandIn instance;
    return instance;
}

void BM_ReadWindow(benchmark::State& state) {
    StandIn& s = standIn();
    if (s.pid == 0) return state.SkipWithError("the stand-in game did not start");
    auto process = s.platform->openProcess(s.pid);
    std::vector<std::uint8_t> buffer(kWindow);
    for (auto _ : state) {
        if (!process->read(gameConstants(false).searchStart, buffer.data(), buffer.size())) std::abort();
        benchmark::DoNotOptimize(buffer.data());
    }
    state.SetBytesProcessed(std::int64_t(state.iterations() * kWindow));
}

void BM_Attach(benchmark::State& state) {
    StandIn& s = standIn();
    if (s.pid == 0) return state.SkipWithError("the stand-in game did not start");
    for (auto _ : state) {
        if (!s.link->attachGame(false)) std::abort();
        benchmark::DoNotOptimize(s.link->rollBarAddress());
    }
    state.SetBytesProcessed(std::int64_t(state.iterations() * kWindow));
}

class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const auto& run : runs) {
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if ((run.run_type == Run::RT_Iteration && !medians.contains(run.run_name.function_name)) ||
                median) {
                if (median) medians.insert(run.run_name.function_name);
                seconds[run.run_name.function_name] = run.GetAdjustedRealTime();
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::set<std::string> medians;
    std::map<std::string, double> seconds;
};

} // namespace

BENCHMARK(BM_Memmem)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_FindSearchKey)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_ReadWindow)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_Attach)->Unit(benchmark::kMicrosecond)->UseRealTime();

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const auto ratio = [&](const char* what, const char* a, const char* b, const char* goal) {
        const auto x = reporter.seconds.find(a), y = reporter.seconds.find(b);
        if (x == reporter.seconds.end() || y == reporter.seconds.end() || y->second <= 0) return;
        std::printf("%s: %.2fx %s\n", what, x->second / y->second, goal);
    };
    std::printf("\n");
    ratio("search of 1 MiB", "BM_FindSearchKey", "BM_Memmem",
          "memmem over the same bytes (goal: within 1.5x)");
    ratio("attach to the stand-in game", "BM_Attach", "BM_ReadWindow", "the bare 1 MiB read");
    if (const auto at = reporter.seconds.find("BM_Attach"); at != reporter.seconds.end() && at->second > 0)
        std::printf("attach: %.0f us each\n", at->second); // in the unit of the benchmark
    benchmark::Shutdown();
    return 0;
}
