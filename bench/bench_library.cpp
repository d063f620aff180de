// Saving and loading a large library (200 sets, cameras 0..4 each with a 64 KiB picture, about
// 64 MiB) against the floor measured in the same run: writing (with fsync) and reading one buffer of
// the same size. The pictures are not valid JPEG data, so a load that tried to decode one would fail.
#include "model/Libraryfile.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <random>
#include <set>

#include <fcntl.h>
#include <unistd.h>

using namespace skv::model;
namespace fs = std::filesystem;

namespace {

constexpr int kSets = 200;
constexpr std::size_t kPictureBytes = 64 * 1024;

const fs::path& folder() {
    static const fs::path dir = [] {
        fs::path d = fs::temp_directory_path() / ("skv_bench_library_" + std::to_string(::getpid()));
        fs::create_directories(d);
        return d;
    }();
    return dir;
}

const TCameraSetList& library() {
    static const TCameraSetList items = [] {
        TCameraSetList list;
        std::mt19937 random(42);
        for (int n = 0; n < kSets; ++n) {
            auto set = std::make_unique<TGPLCarCameraSet>();
            set->Caption = "Set " + std::to_string(n);
            for (std::size_t slot = 0; slot < kCamerasPerSet; ++slot) {
                auto& cam = set->camera(slot);
                for (std::size_t i = 0; i < kValuesPerCamera; ++i)
                    valueAt(cam.values(), i) = float(random() % 1000) / 7.0f;
                if (slot >= 5) continue;
                std::vector<std::uint8_t> picture(kPictureBytes);
                for (auto& b : picture)
                    b = std::uint8_t(random());
                cam.setImage(TJPEGImage(std::move(picture)));
            }
            list.push_back(std::move(set));
        }
        return list;
    }();
    return items;
}

std::size_t libraryBytes() {
    static const std::size_t size = [] {
        const std::string name = (folder() / "size.cmf").string();
        saveLibraryFile(name, library());
        return std::size_t(fs::file_size(name));
    }();
    return size;
}

void writeBufferSynced(const std::string& name, const std::vector<std::uint8_t>& buffer) {
    const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0 || ::write(fd, buffer.data(), buffer.size()) != ssize_t(buffer.size()) || ::fsync(fd) != 0)
        std::abort();
    ::close(fd);
}

void BM_WriteBuffer(benchmark::State& state) {
    const std::vector<std::uint8_t> buffer(libraryBytes(), 0x5A);
    const std::string name = (folder() / "floor.bin").string();
    for (auto _ : state)
        writeBufferSynced(name, buffer);
    state.SetBytesProcessed(std::int64_t(state.iterations() * buffer.size()));
}

void BM_SaveLibrary(benchmark::State& state) {
    const auto& items = library();
    const std::string name = (folder() / "save.cmf").string();
    for (auto _ : state)
        saveLibraryFile(name, items);
    state.SetBytesProcessed(std::int64_t(state.iterations() * libraryBytes()));
}

void BM_ReadBuffer(benchmark::State& state) {
    const std::string name = (folder() / "floor.bin").string();
    writeBufferSynced(name, std::vector<std::uint8_t>(libraryBytes(), 0x5A));
    for (auto _ : state) {
        std::FILE* f = std::fopen(name.c_str(), "rb");
        std::vector<std::uint8_t> buffer(libraryBytes());
        if (!f || std::fread(buffer.data(), 1, buffer.size(), f) != buffer.size()) std::abort();
        std::fclose(f);
        benchmark::DoNotOptimize(buffer.data());
    }
    state.SetBytesProcessed(std::int64_t(state.iterations() * libraryBytes()));
}

void BM_LoadLibrary(benchmark::State& state) {
    const std::string name = (folder() / "load.cmf").string();
    saveLibraryFile(name, library());
    for (auto _ : state) {
        TCameraSetList items = loadLibraryFile(name);
        if (items.size() != std::size_t(kSets)) std::abort();
        benchmark::DoNotOptimize(items.data());
    }
    state.SetBytesProcessed(std::int64_t(state.iterations() * libraryBytes()));
}

// Collects each benchmark's real time per iteration so the ratios can be printed at the end. With
// --benchmark_repetitions the median is used, which a busy machine disturbs least.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const auto& run : runs) {
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if (run.run_type == Run::RT_Iteration && !medians.contains(run.run_name.function_name))
                seconds[run.run_name.function_name] = run.GetAdjustedRealTime();
            if (median) {
                medians.insert(run.run_name.function_name);
                seconds[run.run_name.function_name] = run.GetAdjustedRealTime();
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::set<std::string> medians;
    std::map<std::string, double> seconds;
};

} // namespace

BENCHMARK(BM_WriteBuffer)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SaveLibrary)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReadBuffer)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LoadLibrary)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\nlibrary of %d sets, %zu bytes\n", kSets, libraryBytes());
    const auto ratio = [&](const char* what, const char* a, const char* b) {
        const auto x = reporter.seconds.find(a), y = reporter.seconds.find(b);
        if (x == reporter.seconds.end() || y == reporter.seconds.end() || y->second <= 0) return;
        std::printf("%s: %.2fx the floor (goal: within 2x)\n", what, x->second / y->second);
    };
    ratio("save", "BM_SaveLibrary", "BM_WriteBuffer");
    ratio("load", "BM_LoadLibrary", "BM_ReadBuffer");
    fs::remove_all(folder());
    benchmark::Shutdown();
    return 0;
}
