#include "Gamestage.h"
#include "directcontrol/Directcontrol.h"
#include "model/Gplcarcameraset.h"
#include "platform/fake/Fakethreadpriority.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <numbers>
#include <thread>

using namespace skv::directcontrol;
using namespace skv::directcontrol::testing;
using namespace std::chrono_literals;
using skv::model::CarCameraBlock;
using skv::model::CarCameraValues;
using skv::model::TGPLCarCameraSet;
using StatusDrawing = skv::platform::FakePlatform::StatusDrawing;

namespace {

std::unique_ptr<TGPLCarCameraSet> makeSet(float base, bool effect = false) {
    auto set = std::make_unique<TGPLCarCameraSet>();
    if (effect) set->Type = skv::model::eCameraSetType::CstRollBarCam;
    set->setValues(distinctBlock(base));
    return set;
}

class ControlThread : public ::testing::Test {
protected:
    GameStage game;
    FakeEffects effects;
    skv::platform::FakeThreadPriority priority{skv::platform::PriorityLevel::RaisedNice};
    StatusLog statuses;
    std::unique_ptr<DirectControl> dc; // destroyed first: it uses the fakes above

    void SetUp() override { create(&effects); }

    void create(skv::effects::EffectStepper* stepper) {
        dc.reset();
        dc = std::make_unique<DirectControl>(game.link, game.platform, stepper);
        dc->setPriorityRaiser([this] { return priority.raise(); });
        dc->setStatusCallback(statuses.callback());
        dc->start();
    }

    void idle() { ASSERT_TRUE(dc->waitUntilIdle(5s)); }

    void command(ControlMode mode) {
        dc->setRequestedMode(mode);
        wake();
    }
    void wake() {
        dc->changeMode(false);
        idle();
    }
    std::string lastStatus() { return statuses.last(); }
    std::size_t statusCount() { return statuses.count(); }
};

} // namespace

TEST_F(ControlThread, WaitsForFirstWakeThenAttachesAndWritesStaticOnce) {
    idle();
    EXPECT_EQ(game.attachCalls(), 0);
    EXPECT_EQ(lastStatus(), "Not Attached"); // told when it connected
    EXPECT_EQ(statusCount(), 1u);
    command(ControlMode::Static);
    EXPECT_TRUE(dc->attached());
    EXPECT_EQ(game.attachCalls(), 1);
    // Nothing has filled the records yet: they are written as they stand, all zero.
    const auto writes = game.writes();
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_EQ(writes[0].block, CarCameraBlock{});
    EXPECT_EQ(lastStatus(),
              "Mode=Static / Set=<default> / Effect=<none> / Speed=0 / Smooth=0 / Single Step=off");
}

TEST_F(ControlThread, ActivatedSetGoesIntoEveryBlockOnce) {
    for (bool nr2003 : {false, true}) {
        game.selectGame(nr2003);
        dc->setNR2003(nr2003);
        dc->detach();
        const auto set = makeSet(nr2003 ? 1000.f : 0.f);
        dc->setCameraSet("Monza", *set);
        command(ControlMode::Static);
        const auto writes = game.writes();
        ASSERT_FALSE(writes.empty());
        EXPECT_EQ(writes.back().blocks, nr2003 ? 20 : 7);
        CarCameraBlock expected{};
        set->getValues(expected);
        EXPECT_EQ(writes.back().block, expected);
        for (std::size_t k = 0; k < std::size_t(writes.back().blocks); ++k)
            EXPECT_EQ(game.block(k), expected) << k;
        EXPECT_EQ(dc->values(), expected);
        const std::string text =
            "Mode=Static / Set=Monza / Effect=<none> / Speed=0 / Smooth=0 / Single Step=off";
        EXPECT_EQ(lastStatus(), text);
        EXPECT_EQ(game.platform.statusDrawings().back(), (StatusDrawing{game.gameWindow, text}));
    }
    EXPECT_EQ(game.writes().size(), 2u);
}

// A hot key's camera is what the user waits for: it is in the game before the command's status
// line is drawn, which follows it in the same pass.
TEST_F(ControlThread, TakeOverWritesTheCameraBeforeDrawingTheStatus) {
    command(ControlMode::Static);
    std::atomic<std::size_t> drawnAtWrite{0};
    game.onWrite([&](const FakeWrite&) { drawnAtWrite = game.platform.statusDrawings().size(); });
    const std::size_t drawn = game.platform.statusDrawings().size();
    dc->setCameraSet("Monza", *makeSet(5));
    command(ControlMode::Static);
    game.onWrite({});
    EXPECT_EQ(drawnAtWrite, drawn);
    ASSERT_EQ(game.platform.statusDrawings().size(), drawn + 1);
    EXPECT_NE(game.platform.statusDrawings().back().text.find("Set=Monza"), std::string::npos);
}

TEST_F(ControlThread, HandedOverSetIsACopy) {
    auto set = makeSet(0);
    dc->setCameraSet("A", *set);
    set->Camera0.xPos = 12345; // edits and deletion after the hand-over do not reach the thread
    set.reset();
    command(ControlMode::Static);
    EXPECT_EQ(dc->values(), distinctBlock(0));

    // An effect item carries one camera: only the roll-bar record changes.
    auto effect = makeSet(500, true);
    dc->setCameraSet("E", *effect);
    command(ControlMode::Static);
    CarCameraBlock expected = distinctBlock(0);
    expected[3] = distinctBlock(500)[3];
    EXPECT_EQ(dc->values(), expected);
}

TEST_F(ControlThread, GameLeavingTheFrontDropsTheLinkAtTakeOver) {
    command(ControlMode::Static);
    ASSERT_TRUE(dc->attached());
    game.platform.setForeground(game.otherWindow);
    const auto set = makeSet(3);
    dc->setCameraSet("Lost", *set);
    command(ControlMode::MouseRollBar);
    EXPECT_FALSE(dc->attached());
    EXPECT_EQ(lastStatus(), "Not Attached");
    EXPECT_EQ(dc->requestedMode(), ControlMode::Static);
    EXPECT_EQ(game.writes().size(), 1u);

    // The set was dropped with the link: the next attach writes the old records.
    game.platform.setForeground(game.gameWindow);
    wake();
    ASSERT_EQ(game.writes().size(), 2u);
    EXPECT_EQ(game.writes()[1].block, CarCameraBlock{});
}

// In a Wine virtual desktop the desktop's window is in front and the game's window lies inside it:
// the game counts as in front, for its commands and its status line alike.
TEST_F(ControlThread, AGameInsideTheWindowInFrontIsInFront) {
    const auto desktop = game.platform.addWindow("Films - Wine desktop", 7);
    const auto inside = game.platform.addWindow(gameConstants(false).title, GameStage::kProcess, desktop);
    game.platform.setForeground(desktop);
    const auto set = makeSet(5);
    dc->setCameraSet("Inside", *set);
    command(ControlMode::Static);
    ASSERT_TRUE(dc->attached()) << lastStatus();
    const std::string text =
        "Mode=Static / Set=Inside / Effect=<none> / Speed=0 / Smooth=0 / Single Step=off";
    EXPECT_EQ(lastStatus(), text);
    EXPECT_EQ(game.platform.statusDrawings().back(), (StatusDrawing{inside, text}));
}

TEST_F(ControlThread, MouseModeCapturesOnceAndCentresTheCursor) {
    game.setRollBarMemory(distinctBlock(10));
    dc->toggleSingleStep(); // one step per command, so the records hold still while we look
    command(ControlMode::MouseRollBar);
    EXPECT_EQ(game.platform.cursorMoves(), 1);
    EXPECT_EQ(game.platform.cursorPos().x, 500);
    EXPECT_EQ(game.platform.cursorPos().y, 400);
    EXPECT_EQ(dc->values(), distinctBlock(10)); // cursor at the centre: nothing moved

    game.setRollBarMemory(distinctBlock(20));
    command(ControlMode::MouseRollBar); // entry again: the saved capture stands
    EXPECT_EQ(dc->values(), distinctBlock(10));

    dc->changeMode(true); // Escape forgets it
    idle();
    EXPECT_EQ(dc->mode(), ControlMode::Static);
    game.setRollBarMemory(distinctBlock(20));
    command(ControlMode::MouseRollBar);
    EXPECT_EQ(dc->values(), distinctBlock(20));
}

TEST_F(ControlThread, FailedCaptureLeavesRecordsAndRetriesAtNextEntry) {
    game.setRollBarMemory(distinctBlock(10));
    game.setFailReads(true);
    dc->toggleSingleStep();
    command(ControlMode::MouseRollBar);
    EXPECT_EQ(dc->values()[0], CarCameraValues{});
    game.setFailReads(false);
    game.setRollBarMemory(distinctBlock(10)); // the step wrote the unfilled records over it
    command(ControlMode::MouseRollBar);
    EXPECT_EQ(dc->values()[0], distinctBlock(10)[0]);
}

TEST_F(ControlThread, SingleStepMovesOncePerKeyAndToggleOffResumes) {
    game.setRollBarMemory(distinctBlock(0));
    dc->setSmooth(0);
    dc->toggleSingleStep();
    command(ControlMode::MouseRollBar);
    game.platform.moveCursor(0, 400); // left edge after the entry centred it
    const float yaw0 = distinctBlock(0)[3].yaw;
    const double dYaw = 0.2 * 2 / std::numbers::pi;
    ASSERT_EQ(game.writes().size(), 1u);
    for (int n = 1; n <= 3; ++n) {
        dc->singleStep();
        EXPECT_EQ(game.writes().size(), std::size_t(n + 1));
        EXPECT_NEAR(dc->values()[3].yaw, yaw0 + n * dYaw, 1e-4) << n;
        EXPECT_EQ(dc->frame(), n + 1);
    }

    dc->toggleSingleStep(); // off: the thread runs on by itself
    ASSERT_TRUE(waitFor([&] { return game.writes().size() >= 7; }));
    dc->toggleSingleStep(); // on: it parks after its current pass
    idle();
    const auto writes = game.writes();
    // The first pass after resuming steps the frame already moved: it writes without moving.
    EXPECT_EQ(writes[4].block[3].yaw, writes[3].block[3].yaw);
    EXPECT_NEAR(writes[5].block[3].yaw - writes[4].block[3].yaw, dYaw, 1e-4);
    EXPECT_NEAR(writes[6].block[3].yaw - writes[5].block[3].yaw, dYaw, 1e-4);

    const std::size_t parkedAt = writes.size();
    dc->singleStep();
    EXPECT_EQ(game.writes().size(), parkedAt + 1);
    dc->toggleSingleStep();
    command(ControlMode::Static);
    const std::size_t staticAt = game.writes().size();
    dc->singleStep(); // not in single-step mode: nothing
    EXPECT_EQ(game.writes().size(), staticAt);
}

TEST_F(ControlThread, StatusOnlyWhileTheGameIsInFront) {
    command(ControlMode::Static);
    const std::size_t drawn = game.platform.statusDrawings().size(), reported = statusCount();
    game.platform.setForeground(game.otherWindow);
    dc->setSpeed(50);
    dc->toggleSingleStep();
    EXPECT_EQ(game.platform.statusDrawings().size(), drawn);
    EXPECT_EQ(statusCount(), reported);
    EXPECT_EQ(dc->speedPosition(), 50);
    EXPECT_FLOAT_EQ(dc->speed(), 0.1f);

    game.platform.setForeground(game.gameWindow);
    dc->setSmooth(94);
    const std::string text =
        "Mode=Static / Set=<default> / Effect=<none> / Speed=50 / Smooth=94 / Single Step=on";
    EXPECT_EQ(game.platform.statusDrawings().back(), (StatusDrawing{game.gameWindow, text}));
    EXPECT_EQ(lastStatus(), text);
    EXPECT_EQ(dc->setName(), "<default>"); // stored from then on
    EXPECT_EQ(dc->effectName(), "<none>");
    EXPECT_FLOAT_EQ(dc->smooth(), 92.156863f);
}

TEST_F(ControlThread, PitCameraModeMovesAndResetRestoresIt) {
    CarCameraValues pit = distinctBlock(40)[3];
    game.setPitMemory(pit);
    dc->setSmooth(0);
    dc->toggleSingleStep();
    command(ControlMode::MousePitCam);
    EXPECT_EQ(dc->pitValues(), pit);
    game.platform.moveCursor(500, 0); // top edge: forward 4 units a step
    dc->singleStep();
    dc->singleStep();
    const auto writes = game.writes();
    ASSERT_EQ(writes.size(), 3u);
    EXPECT_TRUE(writes.back().pitCam);
    EXPECT_NE(writes.back().pit, pit);
    EXPECT_EQ(game.block(0), CarCameraBlock{}); // the car blocks are left alone

    dc->setResetPitCam(true);
    wake();
    EXPECT_EQ(dc->pitValues(), pit);
    EXPECT_EQ(game.writes().back().pit, pit);
}

// What the real player makes of a script is EffectPlayback's; here, what the thread does around it.
TEST_F(ControlThread, EffectModeLoadsTheScriptOnceAndAFailedStepLeavesTheCamera) {
    game.setRollBarMemory(distinctBlock(0));
    dc->setEffectScript("Orbit", "X := X + 1");
    dc->toggleSingleStep();
    command(ControlMode::EffectRollBar);
    const CarCameraValues start = distinctBlock(0)[3];
    ASSERT_EQ(effects.loaded(), std::vector<std::string>{"X := X + 1"});
    dc->singleStep();
    EXPECT_NE(lastStatus().find("Effect=Orbit"), std::string::npos);

    effects.throwAt(3);
    dc->singleStep();
    EXPECT_EQ(dc->mode(), ControlMode::Static);
    EXPECT_EQ(dc->requestedMode(), ControlMode::Static); // the next set key does not rerun it
    EXPECT_EQ(lastStatus(), "Mode=Static / Effect error: Division by zero");
    EXPECT_EQ(dc->values()[3].xPos, start.xPos + 2); // the failed evaluation changed nothing ...
    EXPECT_EQ(game.writes().back().block[3].xPos, start.xPos + 2); // ... and the camera stands

    command(ControlMode::EffectRollBar); // the script was loaded once and stays loaded
    EXPECT_EQ(effects.loaded().size(), 1u);
}

TEST_F(ControlThread, EffectModeWithoutPlayerLeavesTheRecord) {
    create(nullptr);
    game.setRollBarMemory(distinctBlock(0));
    dc->setEffectScript("Orbit", "X := 1");
    dc->toggleSingleStep();
    command(ControlMode::EffectRollBar);
    dc->singleStep();
    EXPECT_EQ(dc->values(), distinctBlock(0));
    EXPECT_EQ(game.writes().size(), 2u);
}

TEST_F(ControlThread, StopInterruptsAnEffectThatIgnoresItsDeadline) {
    dc->setEffectScript("Forever", "WHILE 1 DO X := X");
    effects.spin(FakeEffects::Spin::UntilStopped);
    dc->setRequestedMode(ControlMode::EffectRollBar);
    dc->changeMode(false);
    ASSERT_TRUE(waitFor([&] { return effects.spinning(); }));
    dc->stop(); // hangs here if the evaluation is never told
    EXPECT_FALSE(effects.spinning());
}

TEST_F(ControlThread, RaisesThePriorityOfItsOwnThreadOnly) {
    wake();
    const auto callers = priority.callers();
    ASSERT_EQ(callers.size(), 1u);
    EXPECT_NE(callers[0], std::this_thread::get_id());
    EXPECT_EQ(dc->priorityLevel(), skv::platform::PriorityLevel::RaisedNice);
}
