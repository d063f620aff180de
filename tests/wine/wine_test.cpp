// The games as Linux users run them: the Windows stand-in game, built with MinGW, runs under Wine on
// a private X server in a Wine prefix made once for this run, and the real Linux backend, the game
// link and the control thread drive it.
#include "directcontrol/Directcontrol.h"
#include "directcontrol/Directcontrol_gamelink.h"
#include "model/Gamepaths.h"
#include "platform/Launch.h"
#include "platform/x11/X11platform.h"
#include "support/Xsession.h"

#include <gtest/gtest.h>
// After the test framework: Xlib's macros (None, Bool) would break its headers.
#include <X11/Xlib.h>

#include <bit>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <thread>

using namespace skv::directcontrol;
using namespace std::chrono_literals;
using skv::model::CarCameraBlock;
using skv::model::CarCameraValues;
using skv::testing::ChildProcess;
using skv::testing::XvfbServer;
namespace fs = std::filesystem;

namespace {

constexpr float kKey[3] = {-41.25f, 7.5f, 1.125f};
const fs::path kPrefix = fs::path(SKV_RUNTIME_DIR).parent_path() / "wine-prefix";

// Runs a command to its end with the suite's environment; its exit status.
int run(const std::vector<std::string>& argv, std::chrono::seconds limit) {
    ChildProcess child(argv);
    child.closeInput();
    while (child.readLine(limit)) {
    }
    return child.wait(limit);
}

std::vector<std::uint32_t> wordsOf(const CarCameraBlock& block) {
    std::vector<std::uint32_t> words;
    for (const CarCameraValues& record : block)
        for (std::size_t i = 0; i < skv::model::kValuesPerCamera; ++i)
            words.push_back(std::bit_cast<std::uint32_t>(skv::model::valueAt(record, i)));
    return words;
}

std::string maps(skv::platform::ProcessId process) {
    std::ifstream in("/proc/" + std::to_string(process) + "/maps");
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Whether this test program is among the process's ancestors.
bool descendsFromThisProcess(skv::platform::ProcessId process) {
    for (int depth = 0; depth < 32 && process > 1; ++depth) {
        std::ifstream status("/proc/" + std::to_string(process) + "/status");
        std::string key;
        skv::platform::ProcessId parent = 0;
        while (status >> key)
            if (key == "PPid:" && status >> parent) break;
        if (parent == skv::platform::ProcessId(::getpid())) return true;
        process = parent;
    }
    return false;
}

// Puts the roll-bar camera's x at the frame number, so the game's memory tells how many steps ran.
class CountingEffect : public skv::effects::EffectStepper {
public:
    void load(const std::string&) override {}
    void seed(std::int32_t, const CarCameraValues&) override {}
    void step(std::int32_t frame, CarCameraValues& record, const skv::effects::EffectBudget&) override {
        record.xPos = float(frame);
    }
};

class UnderWine : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        Server = std::make_unique<XvfbServer>();
        if (Server->display().empty()) return;
        ::setenv("DISPLAY", Server->display().c_str(), 1);
        ::setenv("WINEPREFIX", kPrefix.c_str(), 1);
        ::setenv("WINEDEBUG", "-all", 1);
        ::setenv("WINEDLLOVERRIDES", "mscoree,mshtml=", 1); // no offer to install .NET or a browser
        fs::remove_all(kPrefix);
        const auto begin = std::chrono::steady_clock::now();
        PrefixMade = run({"/usr/bin/wine", "wineboot", "--init"}, 180s) == 0 &&
                     run({"/usr/bin/wineserver", "--wait"}, 180s) == 0;
        const auto took = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
        std::printf("[ wine     ] prefix %s made in %.1f s\n", kPrefix.c_str(), took);
    }
    static void TearDownTestSuite() {
        if (!Server->display().empty()) run({"/usr/bin/wineserver", "--kill"}, 30s);
        fs::remove_all(kPrefix);
        Server.reset();
    }

    void SetUp() override {
        ASSERT_FALSE(Server->display().empty()) << "Xvfb could not be started (Debian package xvfb)";
        ASSERT_TRUE(PrefixMade) << "wineboot could not make the prefix " << kPrefix;
        Platform = std::make_unique<skv::platform::X11Platform>(Server->display().c_str());
        ASSERT_TRUE(Platform->isAvailable()) << Platform->unavailableReason();
        Link = std::make_unique<TGameLink>(*Platform, Paths);
        // The stand-in's own name is the configured game executable, as gpl.exe is for the game.
        Link->setGamePrograms((kPrefix / "drive_c" / "GPL" / "fakegame32.exe").string(), "");
        const fs::path reference = Link->referenceFilePath(false);
        fs::create_directories(reference.parent_path());
        skv::testing::writeCamFile(reference.string(), kKey);
    }
    void TearDown() override {
        Control.reset();
        if (Game) {
            Game->writeLine("quit");
            Game->wait(10s);
        }
    }

    // The Windows path Wine gives a file of this machine.
    static std::string windowsPath(const fs::path& path) {
        std::string text = "Z:" + path.string();
        for (char& c : text)
            if (c == '/') c = '\\';
        return text;
    }

    void startGame() {
        Game = std::make_unique<ChildProcess>(std::vector<std::string>{
            "/usr/bin/wine", SKV_RUNTIME_DIR "/fakegame32.exe", "--game", "gpl", "--offset", "0x2000",
            "--camfile", windowsPath(Link->referenceFilePath(false))});
        const auto line = Game->readLine(60s);
        ASSERT_TRUE(line) << "fakegame32.exe did not start under Wine";
        std::istringstream in(*line);
        std::string word;
        in >> word;
        ASSERT_EQ(word, "ready");
        ASSERT_TRUE(attachWhenShown());
    }

    // With no window manager on this server nobody gives the game the focus when it shows; the
    // test does, as a window manager does when the user clicks the game.
    void focusWindow(const char* title) {
        Display* dpy = XOpenDisplay(Server->display().c_str());
        if (!dpy) return;
        const auto window = Platform->findWindowBelow(DefaultRootWindow(dpy), title);
        if (window != 0) XSetInputFocus(dpy, ::Window(window), RevertToParent, CurrentTime);
        XSync(dpy, False);
        XCloseDisplay(dpy);
    }

    // Wine maps the window a moment after the program says it is ready, and a game ended by the
    // test before may leave its window behind for a moment: an attach that fails is tried again
    // until the game's own window answers.
    bool attachWhenShown(const char* focus = "Papyrus Window") {
        std::string last;
        for (int i = 0; i < 500; ++i) {
            focusWindow(focus);
            try {
                if (Link->attachGame(false)) return true;
                last = Link->state().text;
            } catch (const EGameLinkError& e) {
                last = e.what();
            }
            std::this_thread::sleep_for(20ms);
        }
        ADD_FAILURE() << last;
        return false;
    }

    std::vector<std::vector<std::uint32_t>> dumpBlocks() {
        Game->writeLine("dump");
        std::vector<std::vector<std::uint32_t>> blocks;
        for (auto line = Game->readLine(); line && *line != "end"; line = Game->readLine())
            blocks.push_back(skv::testing::hexWords(*line, 2));
        return blocks;
    }

    // Record 3 of block 0, the roll-bar camera, its x.
    float rollBarX() {
        const auto blocks = dumpBlocks();
        if (blocks.empty()) return -1;
        return std::bit_cast<float>(blocks[0].at(27));
    }

    static std::unique_ptr<XvfbServer> Server;
    static bool PrefixMade;
    skv::model::TGamePaths Paths{[](const std::string&) { return std::optional<std::string>(); }};
    std::unique_ptr<skv::platform::Platform> Platform;
    std::unique_ptr<TGameLink> Link;
    std::unique_ptr<ChildProcess> Game;
    std::unique_ptr<DirectControl> Control;
};

std::unique_ptr<XvfbServer> UnderWine::Server;
bool UnderWine::PrefixMade = false;

} // namespace

// The title reaches X exactly, the window names the process that runs the program (not the one that
// was spawned), and its blocks at the game's fixed address take a set.
TEST_F(UnderWine, TheLinkWritesASetIntoTheStandInsBlocks) {
    startGame();
    EXPECT_EQ(Platform->windowTitle(Link->gameWindow()), "Papyrus Window");
    EXPECT_EQ(Link->rollBarAddress(), skv::platform::Address(0x5F2000));
    std::printf("[ wine     ] spawned process %d, the window's process %u\n", Game->pid(),
                Platform->windowProcess(Link->gameWindow()));

    CarCameraBlock set{};
    for (std::size_t r = 0; r < set.size(); ++r) {
        set[r].xPos = float(r) + 0.25f;
        set[r].zoomAngle = 1.0f;
    }
    ASSERT_TRUE(Link->writeRollBar(set));
    const auto blocks = dumpBlocks();
    ASSERT_EQ(blocks.size(), 7u);
    for (const auto& block : blocks)
        EXPECT_EQ(block, wordsOf(set));
}

// An effect moves the camera step after step.
TEST_F(UnderWine, AnEffectMovesTheStandInsCamera) {
    startGame();
    CountingEffect effect;
    Control = std::make_unique<DirectControl>(*Link, *Platform, &effect);
    Control->start();
    Control->setRequestedMode(ControlMode::EffectRollBar);
    const float before = rollBarX(); // the reference file's record until the effect runs
    Control->changeMode(false);
    for (int i = 0; i < 500 && rollBarX() == before; ++i)
        std::this_thread::sleep_for(10ms);
    const auto begin = std::chrono::steady_clock::now();
    const float first = rollBarX();
    std::this_thread::sleep_for(2s);
    const float last = rollBarX();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    // The pace is the benchmarks' business; printed here for the record, not held to a figure.
    std::printf("[ wine     ] %.1f steps a second (frame %g to %g in %.2f s)\n", (last - first) / seconds,
                first, last, seconds);
    EXPECT_TRUE(Control->attached());
    EXPECT_LT(first, before) << "the effect started from frame 0";
    EXPECT_GE(last - first, 10.0f) << "the camera moved step after step";
}

// Started as Skyvane starts a game that lies in a prefix: through Wine, in that prefix, as a child of
// this process; the link finds it.
TEST_F(UnderWine, AGameInAPrefixIsLaunchedThroughWineAndAttached) {
    const fs::path program = kPrefix / "drive_c" / "GPL" / "fakegame32.exe";
    fs::copy_file(SKV_RUNTIME_DIR "/fakegame32.exe", program, fs::copy_options::overwrite_existing);
    const skv::platform::LaunchCommand command =
        skv::platform::buildLaunchCommand({program.string(),
                                           "--game gpl --offset 0x2000 --commands none --camfile \"" +
                                               windowsPath(Link->referenceFilePath(false)) + "\"",
                                           ""});
    EXPECT_TRUE(command.throughWine);
    EXPECT_EQ(fs::path(command.winePrefix), kPrefix);
    const skv::platform::ProcessId launched = skv::platform::launch(command);
    ASSERT_GT(launched, 0u);
    ASSERT_TRUE(attachWhenShown());
    const skv::platform::ProcessId game = Platform->windowProcess(Link->gameWindow());
    EXPECT_TRUE(descendsFromThisProcess(game)) << "the game runs as process " << game;
    EXPECT_TRUE(maps(game).find(program.string()) != std::string::npos) << "the copy in the prefix runs";
    CarCameraBlock block{};
    ASSERT_TRUE(Link->readRollBar(block));
    EXPECT_EQ(block[0].xPos, kKey[0]);
    Link->detach();
    ::kill(pid_t(game), SIGKILL);
}

// In a Wine virtual desktop the desktop's window is in front and the game's window is one of its
// children; the window names the game's process, not the one that was spawned.
TEST_F(UnderWine, AGameInAVirtualDesktopIsFoundInsideIt) {
    Game = std::make_unique<ChildProcess>(std::vector<std::string>{
        "/usr/bin/wine", "explorer", "/desktop=Skyvane,800x600", SKV_RUNTIME_DIR "/fakegame32.exe", "--game",
        "gpl", "--offset", "0x2000", "--commands", "none", "--camfile",
        windowsPath(Link->referenceFilePath(false))});
    ASSERT_TRUE(attachWhenShown("Skyvane - Wine desktop"));
    const skv::platform::ProcessId game = Platform->windowProcess(Link->gameWindow());
    EXPECT_EQ(Platform->windowTitle(Link->gameWindow()), "Papyrus Window");
    EXPECT_NE(Platform->windowTitle(Platform->foregroundWindow()), "Papyrus Window")
        << "the desktop is in front";
    EXPECT_NE(game, skv::platform::ProcessId(Game->pid()));
    CarCameraBlock set{};
    set[3].xPos = 99.5f;
    ASSERT_TRUE(Link->writeRollBar(set));
    CarCameraBlock back{};
    ASSERT_TRUE(Link->readRollBar(back));
    EXPECT_EQ(back[3].xPos, 99.5f);
    Link->detach();
    ::kill(pid_t(game), SIGKILL);
    Game.reset();
    run({"/usr/bin/wineserver", "--kill"}, 30s);
}
