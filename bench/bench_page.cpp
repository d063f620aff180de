// The library page against the floors measured in the same run, on Qt's offscreen platform: opening
// a library of 1,000 sets with five pictures each (about 60 MB) and showing the page, against the
// core's load of the same file; selecting another set (five pictures decoded and drawn), against
// decoding those five pictures and drawing them scaled to the views' size. The pictures are drawn
// for the benchmark (bench/Drawnview.h).
#include "model/Libraryfile.h"
#include "ui/Application.h"
#include "ui/Comment.h"
#include "ui/Distribution.h"
#include "ui/Effect.h"
#include "ui/Name.h"
#include "ui/Options.h"
#include "ui/Page.h"
#include "ui/Page_actions.h"
#include "ui/Page_clipboard.h"
#include "ui/Picturebox.h"
#include "ui/Properties.h"
#include "ui/View.h"

#include "Drawnview.h"

#include <benchmark/benchmark.h>

#include <QAbstractItemView>
#include <QItemSelectionModel>
#include <QPainter>
#include <QRandomGenerator>
#include <QTreeView>

#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <set>

using namespace skv;
namespace fs = std::filesystem;

namespace {

constexpr int kSets = 1000;
constexpr int kPicturesPerSet = 5;

const fs::path& folder() {
    static const fs::path dir = [] {
        fs::path d = fs::temp_directory_path() /
                     ("skv_bench_page_" + std::to_string(QCoreApplication::applicationPid()));
        fs::create_directories(d);
        return d;
    }();
    return dir;
}

const std::string& libraryFile() {
    static const std::string name = [] {
        QRandomGenerator random(42);
        model::TCameraSetList items;
        for (int n = 0; n < kSets; ++n) {
            auto set = std::make_unique<model::TGPLCarCameraSet>();
            set->Caption = "Set " + std::to_string(n);
            for (std::size_t slot = 0; slot < kPicturesPerSet; ++slot) {
                set->camera(slot).setImage(bench::drawnView(random));
                set->camera(slot).xPos = float(slot) + 0.5f;
            }
            items.push_back(std::move(set));
        }
        const std::string file = (folder() / "library.cmf").string();
        model::saveLibraryFile(file, items);
        return file;
    }();
    return name;
}

class TNoGames final : public ui::IGameProgramsListener {
public:
    void gameProgramsChanged(const ui::TGamePrograms&) override {}
    void refreshReferenceCamFiles(const ui::TGamePrograms&) override {}
};

// What the main window would hold for its pages.
struct TServices {
    TNoGames listener;
    model::TGamePaths paths{[](const std::string&) { return std::nullopt; }};
    ui::TdlgName name;
    ui::TdlgProperties properties;
    ui::TfrmEffect effect;
    ui::TfrmComment comment;
    ui::TdlgOptions options{(folder() / "bench.INI").string(), listener, paths};
    ui::TdlgDistributeCarCamSet distribution{options, paths};
    model::TCamFileBuffer buffer;
    ui::TItemClipboard clipboard;
    ui::TPageActions actions{clipboard};
    ui::TPageServices services{name,   properties, effect,  comment, distribution,
                               buffer, clipboard,  actions, {},      {}};
};

// Made once the application stands, and gone before it goes.
std::unique_ptr<TServices> theServices;

TServices& services() {
    return *theServices;
}

// Runs the event loop until the five views have been painted, which decodes their pictures.
void paintUntilDecoded(std::uint64_t decodesBefore) {
    for (int turn = 0; turn < 100 && model::TJPEGImage::decodeCount() < decodesBefore + kPicturesPerSet;
         ++turn)
        QCoreApplication::processEvents();
    if (model::TJPEGImage::decodeCount() != decodesBefore + kPicturesPerSet) std::abort();
}

// The window that holds the pages, as the main window's tabs do: it stands before the first page.
std::unique_ptr<QWidget> theHost;

QWidget& host() {
    return *theHost;
}

std::unique_ptr<ui::TfrmPage> openAndShow() {
    const std::uint64_t before = model::TJPEGImage::decodeCount();
    auto page = ui::openLibraryPage(QString::fromStdString(libraryFile()), services().services,
                                    model::eGame::gGPL, true, &host());
    if (!page) std::abort();
    page->setGeometry(host().rect());
    page->show();
    paintUntilDecoded(before);
    return page;
}

void BM_CoreLoad(benchmark::State& state) {
    for (auto _ : state) {
        model::TCameraSetList items = model::loadLibraryFile(libraryFile());
        if (items.size() != std::size_t(kSets)) std::abort();
        benchmark::DoNotOptimize(items.data());
    }
}

void BM_OpenAndShowPage(benchmark::State& state) {
    for (auto _ : state) {
        auto page = openAndShow();
        benchmark::DoNotOptimize(page.get());
    }
}

// The size the views draw their pictures at, measured on a page laid out as the benchmark shows it.
QSize pictureSize() {
    static const QSize size = [] {
        auto page = openAndShow();
        return page->view(0)->pictureBox()->size();
    }();
    return size;
}

void BM_DecodeAndScaleFive(benchmark::State& state) {
    const model::TCameraSetList items = model::loadLibraryFile(libraryFile());
    const QSize size = pictureSize();
    QImage target(size, QImage::Format_ARGB32_Premultiplied);
    int n = 0;
    for (auto _ : state) {
        const model::TGPLCarCameraSet& set = *items[std::size_t(n++ % kSets)];
        for (std::size_t slot = 0; slot < kPicturesPerSet; ++slot) {
            const QImage decoded = ui::toQImage(set.camera(slot).getImage().decode());
            QPainter painter(&target);
            painter.setRenderHint(QPainter::SmoothPixmapTransform);
            painter.drawImage(target.rect(), decoded);
        }
        benchmark::DoNotOptimize(target.constBits());
    }
}

void BM_SelectAnotherSet(benchmark::State& state) {
    auto page = openAndShow();
    auto* tree = page->findChild<QTreeView*>(QStringLiteral("treCameraSets"));
    int row = 0;
    for (auto _ : state) {
        row = (row + 7) % kSets;
        const std::uint64_t before = model::TJPEGImage::decodeCount();
        tree->selectionModel()->setCurrentIndex(tree->model()->index(row, 0),
                                                QItemSelectionModel::ClearAndSelect);
        paintUntilDecoded(before);
    }
}

// Collects each benchmark's real time per iteration so the ratios can be printed at the end; with
// --benchmark_repetitions the median is used.
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

BENCHMARK(BM_CoreLoad)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_OpenAndShowPage)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DecodeAndScaleFive)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SelectAnotherSet)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    ui::TApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    theServices = std::make_unique<TServices>();
    theHost = std::make_unique<QWidget>();
    theHost->resize(590, 470);
    theHost->show();
    QCoreApplication::processEvents();
    std::printf("library of %d sets with %d pictures each, %ju bytes\n", kSets, kPicturesPerSet,
                std::uintmax_t(fs::file_size(libraryFile())));
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const auto ratio = [&](const char* what, const char* a, const char* b) {
        const auto x = reporter.seconds.find(a), y = reporter.seconds.find(b);
        if (x == reporter.seconds.end() || y == reporter.seconds.end() || y->second <= 0) return;
        std::printf("%s: %.2fx the floor (goal: within 1.5x)\n", what, x->second / y->second);
    };
    ratio("open and show the page", "BM_OpenAndShowPage", "BM_CoreLoad");
    ratio("select another set", "BM_SelectAnotherSet", "BM_DecodeAndScaleFive");
    if (const auto select = reporter.seconds.find("BM_SelectAnotherSet"); select != reporter.seconds.end())
        std::printf("select another set: %.2f ms (goal: within one frame, 16 ms)\n", select->second);
    theServices.reset();
    theHost.reset();
    fs::remove_all(folder());
    benchmark::Shutdown();
    return 0;
}
