// The program's start-up against its floors, measured in the same run on Qt's offscreen platform: a
// process started as the program starts, up to its window shown with three libraries of 200 sets
// reopened, against a process that shows an empty Qt window, plus 1.5 times the core's load of the
// same three files. Each is a fresh process (this program run again in a child mode), so that the
// load, too, pays for memory the process has never touched, as the program's start does; the medians
// of 10 runs are compared.
#include "model/Gamepaths.h"
#include "model/Libraryfile.h"
#include "ui/Application.h"
#include "ui/Main.h"
#include "ui/Main_settings.h"
#include "ui/Program.h"

#include "Drawnview.h"

#include <QElapsedTimer>
#include <QMainWindow>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

using namespace skv;

namespace {

constexpr int kStarts = 10;
constexpr int kLibraries = 3;
constexpr int kSets = 200;
constexpr int kPicturesPerSet = 5;
constexpr const char* kShown = "shown";

// The child reports once the event loop has run after the show, then leaves at once: the settings it
// would write at quit stay as the parent made them.
void reportShownAndLeave() {
    std::puts(kShown);
    std::fflush(stdout);
    std::_Exit(0);
}

int runEmptyWindow(int argc, char** argv) {
    QApplication app(argc, argv);
    QMainWindow window;
    window.resize(ui::TfrmMain::kClientWidth, ui::TfrmMain::kClientHeight);
    window.show();
    QTimer::singleShot(0, reportShownAndLeave);
    return QApplication::exec();
}

// As the program's main() starts, with the settings file given and no game folder looked for.
int runProgram(int argc, char** argv, const char* settings, const char* folder) {
    ui::TApplication app(argc, argv);
    const model::TGamePaths paths([](const std::string&) { return std::nullopt; });
    ui::TProgram program({settings, QString::fromLocal8Bit(folder), platform::createPlatform()}, paths);
    QObject::connect(&program.main(), &ui::TfrmMain::started,
                     [] { QTimer::singleShot(0, reportShownAndLeave); });
    program.main().show();
    return QApplication::exec();
}

// The core's load of the files, timed inside the process; the parent reads the milliseconds. The
// libraries are kept, as the program keeps them: a list freed before the next load would hand that
// load memory already touched.
int runCoreLoad(int argc, char** argv) {
    const auto begin = std::chrono::steady_clock::now();
    std::vector<model::TCameraSetList> libraries;
    std::size_t items = 0;
    for (int n = 2; n < argc; ++n)
        items += libraries.emplace_back(model::loadLibraryFile(argv[n])).size();
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - begin).count();
    std::printf("%.3f\n", items == std::size_t(kLibraries * kSets) ? ms : -1.0);
    std::fflush(stdout);
    std::_Exit(0); // freeing them is no part of the load
}

std::vector<std::string> makeLibraries(const QTemporaryDir& folder) {
    QRandomGenerator random(7);
    std::vector<std::string> files;
    for (int n = 0; n < kLibraries; ++n) {
        model::TCameraSetList items;
        for (int s = 0; s < kSets; ++s) {
            auto set = std::make_unique<model::TGPLCarCameraSet>();
            set->Caption = "Set " + std::to_string(s);
            for (std::size_t slot = 0; slot < kPicturesPerSet; ++slot)
                set->camera(slot).setImage(bench::drawnView(random));
            items.push_back(std::move(set));
        }
        files.push_back(folder.filePath(QStringLiteral("library%1.cmf").arg(n)).toStdString());
        model::saveLibraryFile(files.back(), items);
    }
    return files;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// Starts this program in a child mode; the child's first line is its answer.
QByteArray firstLine(QProcess& child, const QStringList& arguments) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    child.setProcessEnvironment(environment);
    child.start(QCoreApplication::applicationFilePath(), arguments);
    while (!child.canReadLine() && child.waitForReadyRead(30000)) {
    }
    const QByteArray line = child.readLine().trimmed();
    if (line.isEmpty()) {
        std::fprintf(stderr, "the child gave no answer: %s\n", child.readAllStandardError().constData());
        std::exit(1);
    }
    child.waitForFinished();
    return line;
}

// Milliseconds from starting the child to its report that the window is shown.
double timeStart(const QStringList& arguments) {
    QProcess child;
    QElapsedTimer clock;
    clock.start();
    const QByteArray line = firstLine(child, arguments);
    const double ms = double(clock.nsecsElapsed()) / 1e6;
    if (line != kShown) std::exit(1);
    return ms;
}

// Reads the files through, so that the start timed next finds them in the system's file cache. On
// this machine the cache gives up pages of files read a moment ago; without this, whichever start
// came first after a pause would wait for the disk, and the load (timed right after the program,
// which has just read the files) seldom would.
void warmFiles(const std::vector<std::string>& files) {
    std::vector<char> chunk(1 << 20);
    for (const std::string& file : files) {
        std::FILE* f = std::fopen(file.c_str(), "rb");
        if (!f) std::exit(1);
        while (std::fread(chunk.data(), 1, chunk.size(), f) == chunk.size()) {
        }
        std::fclose(f);
    }
}

double timeCoreLoad(const std::vector<std::string>& files) {
    QStringList arguments = {QStringLiteral("--load")};
    for (const std::string& file : files)
        arguments << QString::fromStdString(file);
    QProcess child;
    const double ms = firstLine(child, arguments).toDouble();
    if (ms < 0) std::exit(1);
    return ms;
}

// The three libraries and a settings file that reopens them, without the first-start messages.
std::string prepareFolder(const QTemporaryDir& folder, std::vector<std::string>& files) {
    files = makeLibraries(folder);
    const std::string settings = folder.filePath(QStringLiteral("skyvane.INI")).toStdString();
    ui::TMainSettings noMessages;
    noMessages.firstRun = noMessages.firstNR2003 = false;
    ui::writeMainSettings(settings, noMessages);
    ui::writeOpenCmfFiles(settings, files);
    return settings;
}

// Leaves the folder of a start behind and prints the arguments that start the program on it, so that
// a profiler can run that one start: bench_startup --prepare, then valgrind bench_startup <printed>.
int runPrepare(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir folder;
    folder.setAutoRemove(false);
    std::vector<std::string> files;
    const std::string settings = prepareFolder(folder, files);
    std::printf("--program %s %s\n", settings.c_str(), folder.path().toLocal8Bit().constData());
    return 0;
}

int runBenchmark(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir folder;
    std::vector<std::string> files;
    const std::string settings = prepareFolder(folder, files);

    const QStringList program = {QStringLiteral("--program"), QString::fromStdString(settings),
                                 folder.path()};
    const QStringList empty = {QStringLiteral("--empty")};
    timeStart(program); // the first run of each warms the file cache and the dynamic loader
    timeStart(empty);
    timeCoreLoad(files);
    std::vector<double> programMs, emptyMs, loadMs;
    for (int n = 0; n < kStarts; ++n) {
        emptyMs.push_back(timeStart(empty));
        warmFiles(files);
        programMs.push_back(timeStart(program));
        warmFiles(files);
        loadMs.push_back(timeCoreLoad(files));
    }
    const double startup = median(programMs), bare = median(emptyMs), load = median(loadMs);
    const double floor = bare + 1.5 * load;
    std::printf("%d libraries of %d sets with %d pictures each; medians of %d starts, offscreen\n",
                kLibraries, kSets, kPicturesPerSet, kStarts);
    std::printf("empty Qt window shown:              %8.1f ms\n", bare);
    std::printf("core load of the three files:       %8.1f ms\n", load);
    std::printf("Skyvane shown, three files reopened: %7.1f ms\n", startup);
    std::printf(
        "start-up: %.2fx the allowance of the empty window + 1.5x the load (%.1f ms; goal: within 1x)\n",
        startup / floor, floor);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "--empty") return runEmptyWindow(argc, argv);
    if (mode == "--program" && argc == 4) return runProgram(argc, argv, argv[2], argv[3]);
    if (mode == "--load") return runCoreLoad(argc, argv);
    if (mode == "--prepare") return runPrepare(argc, argv);
    return runBenchmark(argc, argv);
}
