// The control thread's beat with the whole program around it: the step period's deviation while the
// main window runs on Qt's offscreen platform with a library page redrawing all the time, against
// the control thread alone over the same stand-in game, in one run. The two sides take turns in
// short rounds, so a busier moment of the machine falls on both alike.
#include "Steptiming.h"
#include "directcontrol/Directcontrol_stack.h"
#include "ui/Application.h"
#include "ui/Main.h"
#include "ui/Page.h"
#include "ui/Program.h"

#include <benchmark/benchmark.h>

#include <QEventLoop>
#include <QTabWidget>
#include <QTimer>

#include <fstream>
#include <thread>

using namespace skv;
using namespace skv::bench;
using namespace skv::directcontrol;
using namespace skv::directcontrol::testing;

namespace {

// Each side is watched in rounds of this length, taking turns.
constexpr double kRoundSeconds = 2.0;

// What one side saw in one round: the intervals' deviations and the priority its thread got.
struct Watched {
    std::vector<double> deviations;
    platform::PriorityLevel priority = platform::PriorityLevel::Unchanged;
};

void flyWithTheMouse(DirectControl& dc, GameStage& game) {
    dc.setRequestedMode(ControlMode::MouseRollBar);
    dc.changeMode(false);
    game.platform.moveCursor(100, 100); // keeps the camera turning
}

Watched coreAlone(double seconds) {
    GameStage game;
    StepBeats beats(game);
    DirectControl dc(game.link, game.platform);
    dc.setSmooth(94);
    dc.start();
    flyWithTheMouse(dc, game);
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    dc.stop();
    return {periodDeviations(beats.taken()), dc.priorityLevel()};
}

Watched withTheWindow(double seconds) {
    GameStage game;
    const std::filesystem::path settings = game.folder.path() / "skyvane.INI";
    std::ofstream(settings) << "[General]\nFirstRun=0\nFirstNR2003=0\n[Files]\nGPL="
                            << (game.folder.path() / "gpl" / "gpl.exe").string()
                            << "\n[Open Cmf Files]\nfile1=" << SKV_RUNTIME_DIR "/default.cmf\n";
    ui::TProgram program({settings.string(), QString::fromStdString(game.folder.path().string()),
                          std::make_unique<LentPlatform>(game.platform)},
                         game.paths);
    ui::TfrmMain& window = program.main();
    QEventLoop loop;
    QObject::connect(&window, &ui::TfrmMain::started, &loop, &QEventLoop::quit);
    window.show();
    loop.exec();
    auto* tabs = window.findChild<QTabWidget*>(QStringLiteral("pgcMain"));
    tabs->setCurrentIndex(1);
    ui::TfrmPage* page = window.activePage();
    if (!page) return {};

    StepBeats beats(game);
    DirectControl& dc = window.directControl().thread();
    flyWithTheMouse(dc, game);
    // The page and its five views painted again and again, as fast as the loop turns.
    QTimer redraw;
    QObject::connect(&redraw, &QTimer::timeout, page, [page] { page->repaint(); });
    redraw.start(0);
    QTimer::singleShot(int(seconds * 1000), &loop, &QEventLoop::quit);
    loop.exec();
    redraw.stop();
    const platform::PriorityLevel priority = dc.priorityLevel();
    window.directControl().shutDown();
    return {periodDeviations(beats.taken()), priority};
}

void append(std::vector<double>& to, const std::vector<double>& from) {
    to.insert(to.end(), from.begin(), from.end());
}

// The tail the p99 comes from: a few late steps of the machine's own, or many of the window's.
void printLargest(const char* side, std::vector<double> dev) {
    std::sort(dev.rbegin(), dev.rend());
    std::printf("largest deviations, %s (us):", side);
    for (std::size_t i = 0; i < std::min<std::size_t>(8, dev.size()); ++i)
        std::printf(" %.0f", dev[i]);
    std::printf("\n");
}

void BM_StepPeriodWithTheWindow(benchmark::State& state) {
    for (auto _ : state) {
        const int rounds = std::max(1, int(watchSeconds(8.0) / kRoundSeconds + 0.5));
        std::vector<double> core, gui;
        platform::PriorityLevel corePriority = platform::PriorityLevel::Unchanged, guiPriority = corePriority;
        for (int r = 0; r < rounds; ++r) {
            // Each side goes first in every other round.
            for (const bool window : {r % 2 == 1, r % 2 == 0}) {
                const Watched w = window ? withTheWindow(kRoundSeconds) : coreAlone(kRoundSeconds);
                if (window && w.deviations.size() < 10) {
                    state.SkipWithError("the window's thread wrote no steps");
                    return;
                }
                append(window ? gui : core, w.deviations);
                (window ? guiPriority : corePriority) = w.priority;
            }
        }
        const double coreP99 = percentile(core, 0.99), guiP99 = percentile(gui, 0.99);
        const double ratio = guiP99 / std::max(1.0, coreP99);
        state.counters["core_steps"] = double(core.size());
        state.counters["gui_steps"] = double(gui.size());
        state.counters["core_p99_dev_us"] = coreP99;
        state.counters["gui_p99_dev_us"] = guiP99;
        state.counters["core_p50_dev_us"] = percentile(core, 0.5);
        state.counters["gui_p50_dev_us"] = percentile(gui, 0.5);
        state.counters["p99_ratio"] = ratio;
        printLargest("thread alone", core);
        printLargest("with the window", gui);
        std::printf("step period p99 deviation: %.0f us with the window and a page redrawing, %.0f us for "
                    "the thread alone; ratio %.2fx (goal: within 1.5x); control thread priority %s / %s\n",
                    guiP99, coreP99, ratio, platform::priorityLevelName(guiPriority),
                    platform::priorityLevelName(corePriority));
    }
}

} // namespace

BENCHMARK(BM_StepPeriodWithTheWindow)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    ui::TApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
