// The control thread's beat with the whole program around it: the step period's deviation while the
// main window runs on Qt's offscreen platform with a library page redrawing all the time, against
// the control thread alone over the same stand-in game, in one run.
#include "directcontrol/Directcontrol.h"
#include "directcontrol/Directcontrol_stack.h"
#include "directcontrol/Gamestage.h"
#include "ui/Application.h"
#include "ui/Main.h"
#include "ui/Page.h"
#include "ui/Program.h"

#include <benchmark/benchmark.h>

#include <QEventLoop>
#include <QTabWidget>
#include <QTimer>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <mutex>

using namespace skv;
using namespace skv::directcontrol;
using namespace skv::directcontrol::testing;
using Clock = std::chrono::steady_clock;

namespace {

// How long each side is watched; SKV_BENCH_SECONDS changes it.
double watchSeconds() {
    const char* s = std::getenv("SKV_BENCH_SECONDS");
    return s ? std::max(1.0, std::atof(s)) : 8.0;
}

double percentile(std::vector<double> v, double p) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const auto i = static_cast<std::size_t>(p * double(v.size() - 1) + 0.5);
    return v[std::min(i, v.size() - 1)];
}

std::vector<double> deviations(const std::vector<Clock::time_point>& at) {
    std::vector<double> dev;
    for (std::size_t i = 1; i < at.size(); ++i)
        dev.push_back(
            std::abs(std::chrono::duration<double, std::micro>(at[i] - at[i - 1] - kStepPeriod).count()));
    return dev;
}

// The time of every step the game sees.
class Beats {
public:
    explicit Beats(GameStage& game) {
        game.keepWrites(false);
        game.onWrite([this](const FakeWrite& w) {
            std::lock_guard lock(m_);
            at_.push_back(w.at);
        });
    }
    std::vector<Clock::time_point> taken() {
        std::lock_guard lock(m_);
        return at_;
    }

private:
    std::mutex m_;
    std::vector<Clock::time_point> at_;
};

void flyWithTheMouse(DirectControl& dc, GameStage& game) {
    dc.setRequestedMode(ControlMode::MouseRollBar);
    dc.changeMode(false);
    game.platform.moveCursor(100, 100); // keeps the camera turning
}

std::vector<double> coreAlone(double seconds) {
    GameStage game;
    Beats beats(game);
    DirectControl dc(game.link, game.platform);
    dc.setSmooth(94);
    dc.start();
    flyWithTheMouse(dc, game);
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    dc.stop();
    return deviations(beats.taken());
}

std::vector<double> withTheWindow(double seconds) {
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

    Beats beats(game);
    DirectControl& dc = window.directControl().thread();
    flyWithTheMouse(dc, game);
    // The page and its five views painted again and again, as fast as the loop turns.
    QTimer redraw;
    QObject::connect(&redraw, &QTimer::timeout, page, [page] { page->repaint(); });
    redraw.start(0);
    QTimer::singleShot(int(seconds * 1000), &loop, &QEventLoop::quit);
    loop.exec();
    redraw.stop();
    window.directControl().shutDown();
    return deviations(beats.taken());
}

void BM_StepPeriodWithTheWindow(benchmark::State& state) {
    for (auto _ : state) {
        const double seconds = watchSeconds();
        const auto core = coreAlone(seconds);
        const auto gui = withTheWindow(seconds);
        if (gui.size() < 10) {
            state.SkipWithError("the window's thread wrote no steps");
            return;
        }
        const double ratio = percentile(gui, 0.99) / std::max(1.0, percentile(core, 0.99));
        state.counters["core_steps"] = double(core.size());
        state.counters["gui_steps"] = double(gui.size());
        state.counters["core_p99_dev_us"] = percentile(core, 0.99);
        state.counters["gui_p99_dev_us"] = percentile(gui, 0.99);
        state.counters["p99_ratio"] = ratio;
        std::printf(
            "step period p99 deviation: %.0f us with the window and a page redrawing, %.0f us for the "
            "thread alone; ratio %.2fx (goal: within 1.5x)\n",
            percentile(gui, 0.99), percentile(core, 0.99), ratio);
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
