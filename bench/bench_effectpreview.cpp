// The effect editor's preview against the bare effect run it shows: 370 steps (ten seconds) of a
// script checked, played and drawn at the size and pixel ratio the editor gives its plot when it
// opens, against the same 370 steps played alone, in the same run. The preview keeps up with typing
// when it costs at most twice the bare run.
//
// The bare run is one run of an effect with nothing around it: a new player, the script loaded, the
// steps played (the command-line tool does that and checks the script once more before, which this
// side leaves out). The preview is what the editor does at each pause in typing: the script
// compiled and checked once, played on the player the editor keeps between its runs (reset after
// each), and drawn; the player is made once, before the timing, as the editor makes it once.
#include "effects/Effectplayer.h"
#include "model/Libraryfile.h"
#include "ui/Application.h"
#include "ui/Effect.h"
#include "ui/Effectplot.h"
#include "ui/Effectpreview.h"

#include <benchmark/benchmark.h>

#include <QImage>
#include <QPainter>

#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>

using namespace skv;

namespace {

constexpr std::int32_t kSteps = 370;

struct TScript {
    std::string text;
    model::CarCameraValues start{};
};

// The scripts measured: the shipped orbit (SIN and COS every step) and the longest effect of the
// default library.
std::map<std::string, TScript>& scripts() {
    static std::map<std::string, TScript> all = [] {
        std::map<std::string, TScript> s;
        std::ifstream orbit(SKV_DATA_DIR "/effects/orbit.txt");
        s["orbit"].text.assign(std::istreambuf_iterator<char>(orbit), {});
        s["orbit"].start.zPos = 0.8f;
        s["orbit"].start.zoomAngle = 0.9f;
        const model::TGPLCarCameraSet* longest = nullptr;
        static const model::TCameraSetList items = model::loadLibraryFile(SKV_DATA_DIR "/default.cmf");
        for (const auto& item : items)
            if (item->isEffect() && (!longest || item->effect().size() > longest->effect().size()))
                longest = item.get();
        if (longest) s["library"] = {longest->effect(), longest->Camera0.values()};
        return s;
    }();
    return all;
}

// The plot as the editor lays it out at its first size, and an image to draw it into that has the
// pixels the screen would give it.
struct TCanvas {
    QSize size;
    qreal ratio = 1;
};
const TCanvas& editorCanvas() {
    static const TCanvas canvas = [] {
        ui::TfrmEffect editor;
        editor.show();
        const auto* plot = editor.findChild<ui::TEffectPlot*>(QStringLiteral("pltPreview"));
        TCanvas c{plot->size(), plot->devicePixelRatioF()};
        editor.hide();
        return c;
    }();
    return canvas;
}
QImage canvasImage(ui::TEffectPlot& plot) {
    const TCanvas& canvas = editorCanvas();
    plot.resize(canvas.size);
    QImage image(canvas.size * canvas.ratio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(canvas.ratio);
    return image;
}

// The bare run: one player, the script loaded, 370 steps kept.
void BM_BareRun(benchmark::State& state, const char* name) {
    const TScript& script = scripts().at(name);
    for (auto _ : state) {
        effects::TEffectPlayer player;
        player.load(script.text);
        std::vector<model::CarCameraValues> steps;
        steps.reserve(kSteps);
        const auto failure = effects::playSteps(player, script.start, kSteps,
                                                [&](std::int32_t, const auto& v) { steps.push_back(v); });
        if (failure || steps.size() != kSteps) state.SkipWithError("the script failed");
        benchmark::DoNotOptimize(steps.data());
    }
}

// One preview update: the check, the run on the given player, and the plot drawn into the image.
void playAndDraw(benchmark::State& state, ui::TPreviewPlayer& runs, const TScript& script,
                 ui::TEffectPlot& plot, QImage& image) {
    ui::TPreviewResult result = runs.play(script.text, script.start, kSteps);
    if (result.compileError || result.failure || result.steps.size() != kSteps)
        state.SkipWithError("the script failed");
    plot.setSteps(std::move(result.steps));
    plot.setCursorStep(kSteps / 2);
    plot.render(&image);
    benchmark::DoNotOptimize(image.constBits());
}

// The preview: the check, the run, and the plot drawn into an image at the editor's size.
void BM_PreviewRunAndDraw(benchmark::State& state, const char* name) {
    const TScript& script = scripts().at(name);
    ui::TEffectPlot plot;
    QImage image = canvasImage(plot);
    ui::TPreviewPlayer runs;
    for (auto _ : state)
        playAndDraw(state, runs, script, plot, image);
    if (runs.playersMade() != 1) state.SkipWithError("the player was not kept");
}

// The editor's first run, when it opens: the same on a player made for it.
void BM_PreviewFirstRunAndDraw(benchmark::State& state, const char* name) {
    const TScript& script = scripts().at(name);
    ui::TEffectPlot plot;
    QImage image = canvasImage(plot);
    for (auto _ : state) {
        ui::TPreviewPlayer runs;
        playAndDraw(state, runs, script, plot, image);
    }
}

// The parts of the preview alone: the run it makes (check and play), and the drawing.
void BM_PreviewRunOnly(benchmark::State& state, const char* name) {
    const TScript& script = scripts().at(name);
    ui::TPreviewPlayer runs;
    for (auto _ : state) {
        ui::TPreviewResult result = runs.play(script.text, script.start, kSteps);
        benchmark::DoNotOptimize(result.steps.data());
    }
    if (runs.playersMade() != 1) state.SkipWithError("the player was not kept");
}
void BM_DrawOnly(benchmark::State& state, const char* name) {
    const TScript& script = scripts().at(name);
    ui::TEffectPlot plot;
    QImage image = canvasImage(plot);
    plot.setSteps(ui::playPreview(script.text, script.start, kSteps).steps);
    for (auto _ : state) {
        plot.update();
        plot.render(&image);
        benchmark::DoNotOptimize(image.constBits());
    }
}

// Each benchmark's real time per iteration (the median with --benchmark_repetitions), for the ratios.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const auto& run : runs) {
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            const std::string& key = run.run_name.function_name; // with the script's name, "BM_BareRun/orbit"

            if (run.run_type == Run::RT_Iteration && !medians.contains(key))
                seconds[key] = run.GetAdjustedRealTime();
            if (median) {
                medians.insert(key);
                seconds[key] = run.GetAdjustedRealTime();
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::set<std::string> medians;
    std::map<std::string, double> seconds;
};

} // namespace

BENCHMARK_CAPTURE(BM_BareRun, orbit, "orbit")->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_PreviewRunAndDraw, orbit, "orbit")->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_PreviewRunOnly, orbit, "orbit")->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_DrawOnly, orbit, "orbit")->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_BareRun, library, "library")->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_DrawOnly, library, "library")->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_PreviewRunAndDraw, library, "library")->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_PreviewFirstRunAndDraw, orbit, "orbit")->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_PreviewFirstRunAndDraw, library, "library")
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    ui::TApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    const TCanvas& canvas = editorCanvas();
    std::printf("the plot is drawn at %dx%d, pixel ratio %.2f, as the editor shows it\n", canvas.size.width(),
                canvas.size.height(), canvas.ratio);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    for (const char* name : {"orbit", "library"}) {
        const auto bare = reporter.seconds.find(std::string("BM_BareRun/") + name);
        const auto preview = reporter.seconds.find(std::string("BM_PreviewRunAndDraw/") + name);
        if (bare == reporter.seconds.end() || preview == reporter.seconds.end() || bare->second <= 0)
            continue;
        std::printf("%s: a %d-step preview, run and drawn, costs %.2fx the bare run (goal: at most 2x)\n",
                    name, kSteps, preview->second / bare->second);
        const auto first = reporter.seconds.find(std::string("BM_PreviewFirstRunAndDraw/") + name);
        if (first != reporter.seconds.end())
            std::printf("%s: the editor's first run, on a new player, costs %.2fx the bare run\n", name,
                        first->second / bare->second);
        const auto draw = reporter.seconds.find(std::string("BM_DrawOnly/") + name);
        if (draw != reporter.seconds.end())
            std::printf("%s: drawing alone costs %.2fx the bare run\n", name, draw->second / bare->second);
    }
    benchmark::Shutdown();
    return 0;
}
