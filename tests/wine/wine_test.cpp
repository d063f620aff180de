// The games as Linux users run them: the Windows stand-in game, built with MinGW, runs under Wine on
// a private X server in a Wine prefix made once for this run, and the real Linux backend, the game
// link and the control thread drive it.
#include "directcontrol/Directcontrol.h"
#include "directcontrol/Directcontrol_gamelink.h"
#include "model/Gamepaths.h"
#include "platform/x11/X11platform.h"
#include "support/Skyvanerun.h"
#include "wine/Winestage.h"

#include <gtest/gtest.h>

#include <bit>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <thread>

using namespace skv::directcontrol;
using namespace std::chrono_literals;
using skv::model::CarCameraBlock;
using skv::model::CarCameraValues;
using skv::testing::ChildProcess;
namespace wine = skv::testing::wine;
namespace fs = std::filesystem;

namespace {

constexpr float kKey[3] = {-41.25f, 7.5f, 1.125f};

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
    void SetUp() override {
        ASSERT_FALSE(wine::display().empty()) << "Xvfb could not be started (Debian package xvfb)";
        ASSERT_TRUE(wine::prefixMade()) << "wineboot could not make the prefix " << wine::prefix();
        Platform = std::make_unique<skv::platform::X11Platform>(wine::display().c_str());
        ASSERT_TRUE(Platform->isAvailable()) << Platform->unavailableReason();
        Focuser = XOpenDisplay(wine::display().c_str());
        ASSERT_TRUE(Focuser);
        Link = std::make_unique<TGameLink>(*Platform, Paths);
        // The stand-in's own name is the configured game executable, as gpl.exe is for the game.
        Link->setGamePrograms((wine::prefix() / "drive_c" / "GPL" / "fakegame32.exe").string(), "");
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
        if (Focuser) XCloseDisplay(Focuser);
    }

    void startGame() {
        Game = std::make_unique<ChildProcess>(std::vector<std::string>{
            "/usr/bin/wine", SKV_RUNTIME_DIR "/fakegame32.exe", "--game", "gpl", "--offset", "0x2000",
            "--camfile", wine::windowsPath(Link->referenceFilePath(false))});
        const auto line = Game->readLine(60s);
        ASSERT_TRUE(line) << "fakegame32.exe did not start under Wine";
        std::istringstream in(*line);
        std::string word;
        in >> word;
        ASSERT_EQ(word, "ready");
        ASSERT_TRUE(attachWhenShown());
    }

    // Wine maps the window a moment after the program says it is ready, and a game ended by the
    // test before may leave its window behind for a moment: an attach that fails is tried again
    // until the game's own window answers.
    bool attachWhenShown(const char* focus = "Papyrus Window") {
        std::string last;
        for (int i = 0; i < 500; ++i) {
            skv::testing::focusWindow(Focuser, focus);
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

    // Record 3 of block 0, the roll-bar camera, its x.
    float rollBarX() {
        const auto blocks = skv::testing::dumpBlocks(*Game);
        if (blocks.empty()) return -1;
        return std::bit_cast<float>(blocks[0].at(27));
    }

    skv::model::TGamePaths Paths{[](const std::string&) { return std::optional<std::string>(); }};
    std::unique_ptr<skv::platform::Platform> Platform;
    std::unique_ptr<TGameLink> Link;
    std::unique_ptr<ChildProcess> Game;
    std::unique_ptr<DirectControl> Control;
    Display* Focuser = nullptr;
};

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
    const auto blocks = skv::testing::dumpBlocks(*Game);
    ASSERT_EQ(blocks.size(), 7u);
    for (const auto& block : blocks)
        EXPECT_EQ(block, skv::testing::wordsOf(set));
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
