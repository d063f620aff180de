// Effect scripts played by the control thread through the real player: frame counting, seeding,
// read-back without limits, and scripts that fail or never end.
#include "Gamestage.h"
#include "directcontrol/Directcontrol.h"
#include "directcontrol/Directcontrol_status.h"
#include "effects/Effectplayer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <memory>
#include <numbers>
#include <thread>

using namespace skv::directcontrol;
using namespace skv::directcontrol::testing;
using namespace skv::effects;
using namespace std::chrono_literals;
using skv::model::CarCameraBlock;
using skv::model::CarCameraValues;

namespace {

CarCameraValues makeRecord(float base) {
    return {base + 1, base + 2, base + 3, base + 0.1f, base + 0.2f, base + 0.3f, 1.0f, base + 8, base + 9};
}

EffectBudget generous() {
    return {std::chrono::steady_clock::now() + 10s, nullptr};
}

class EffectPlayback : public ::testing::Test {
protected:
    GameStage game;
    TEffectPlayer player;
    StatusLog statuses;
    std::unique_ptr<DirectControl> dc;

    void SetUp() override {
        CarCameraBlock block{};
        block[3] = makeRecord(10);
        game.setRollBarMemory(block);
        game.setPitMemory(makeRecord(50));
        dc = std::make_unique<DirectControl>(game.link, game.platform, &player);
        dc->setPriorityRaiser([] { return skv::platform::PriorityLevel::Unchanged; });
        dc->setStatusCallback(statuses.callback());
        dc->start();
    }
    void TearDown() override { dc.reset(); }

    // A mode command as the hot keys give it, taken over before this returns.
    void command(ControlMode mode, const std::string& script = {}) {
        if (!script.empty()) dc->setEffectScript("Test", script);
        dc->setRequestedMode(mode);
        dc->changeMode(false);
        ASSERT_TRUE(dc->waitForPass(5s));
    }
    CarCameraValues roof() const { return dc->values()[3]; }
    std::string lastStatus() { return statuses.last(); }
};

TEST_F(EffectPlayback, FramesCountFromOneAfterEveryModeChange) {
    dc->toggleSingleStep();
    command(ControlMode::EffectRollBar, "X := FRAMES; RESULT := 77");
    EXPECT_EQ(roof().xPos, 1.0f);
    dc->singleStep();
    dc->singleStep();
    EXPECT_EQ(roof().xPos, 3.0f);
    // A pass whose frame has not advanced evaluates once more: Y counts evaluations, X the frame.
    command(ControlMode::EffectRollBar, "Y := 0");
    command(ControlMode::EffectRollBar, "X := FRAMES; Y := Y + 1");
    dc->singleStep(); // frame 2
    dc->toggleSingleStep();
    dc->toggleSingleStep(); // at least one pass runs, the first of them at frame 2 again
    ASSERT_TRUE(dc->waitUntilIdle(5s));
    EXPECT_EQ(roof().yPos, roof().xPos + 1);
    command(ControlMode::EffectPitCam);
    EXPECT_EQ(dc->pitValues().xPos, 1.0f);
    command(ControlMode::EffectRollBar);
    EXPECT_EQ(roof().xPos, 1.0f);
}

TEST_F(EffectPlayback, ReadOnlyScriptLeavesTheCameraAndUnlimitedValuesPass) {
    dc->toggleSingleStep();
    command(ControlMode::EffectRollBar, "d := X + Y + Z + YAW + PITCH + BANK + ZOOM + FRAMES");
    dc->singleStep();
    dc->singleStep();
    EXPECT_EQ(roof(), makeRecord(10));

    // No clamping: the mouse modes would hold zoom at pi and the height at 0.
    command(ControlMode::EffectRollBar, "ZOOM := 5; Z := -3; YAW := YAW + 100");
    const CarCameraValues r = roof();
    EXPECT_EQ(r.zoomAngle, 5.0f);
    EXPECT_EQ(r.zPos, -3.0f);
    EXPECT_EQ(r.yaw, static_cast<float>(static_cast<double>(makeRecord(10).yaw) + 100));
    EXPECT_EQ(r.unknown1, makeRecord(10).unknown1); // the carried values are never touched
    EXPECT_EQ(r.unknown2, makeRecord(10).unknown2);
}

TEST_F(EffectPlayback, PitEffectReseedsFromThePitCamera) {
    dc->toggleSingleStep();
    command(ControlMode::EffectRollBar, "X := X + 1");
    dc->singleStep();
    EXPECT_EQ(roof().xPos, makeRecord(10).xPos + 2);
    command(ControlMode::EffectPitCam);
    EXPECT_EQ(dc->pitValues().xPos, makeRecord(50).xPos + 1);
    EXPECT_EQ(dc->pitValues().yPos, makeRecord(50).yPos);
}

TEST_F(EffectPlayback, NextEffectInAMouseModeLoadsWithoutRunning) {
    dc->toggleSingleStep();
    command(ControlMode::MouseRollBar);
    command(ControlMode::MouseRollBar, "ZOOM := 5"); // the next-effect key: same mode, new script
    dc->singleStep();
    EXPECT_LE(roof().zoomAngle, std::numbers::pi_v<float>);
    command(ControlMode::EffectRollBar);
    EXPECT_EQ(roof().zoomAngle, 5.0f);
}

// The effect editor checks and tries scripts with a player of its own while the thread plays:
// the two share no engine object (the sanitizer build watches for races).
TEST_F(EffectPlayback, AnEditorsOwnPlayerWorksBesideTheThreads) {
    command(ControlMode::EffectRollBar,
            "X := X + 0.001; S := Format(\"%d\", FRAMES); A := VarArrayCreate(0, 1, 12); A[0] := S");
    TEffectPlayer editor;
    CarCameraValues tried = makeRecord(0);
    const auto until = std::chrono::steady_clock::now() + 300ms; // about ten of the thread's steps
    for (int i = 0; i < 50 || std::chrono::steady_clock::now() < until; ++i) {
        EXPECT_EQ(editor.check("Y := Y * 2; T := IntToStr(FRAMES) + \"x\""), "");
        EXPECT_EQ(editor.check("Y := Q"), "Expression uses unknown variable: Q");
        editor.load("Z := FRAMES; W := Format(\"%d\", FRAMES)");
        editor.step(i + 1, tried, generous());
        EXPECT_EQ(tried.zPos, static_cast<float>(i + 1));
    }
    ASSERT_TRUE(dc->waitForPass(5s));
    EXPECT_EQ(dc->mode(), ControlMode::EffectRollBar) << "status: " << lastStatus();
    EXPECT_GT(roof().xPos, makeRecord(10).xPos);
}

TEST_F(EffectPlayback, FailingOrEndlessScriptDropsToStaticAndTheThreadGoesOn) {
    const struct {
        const char* script;
        const char* error;
    } cases[] = {
        {"WHILE 1 DO x := x + 1;", "Time limit exceeded"},
        {"X := 1 / 0", "Division by zero"},
        {"X := \"far\"", "Invalid variant type conversion"},
        {"X := 1E300", "Overflow"},
        {"Y := 1; ZOOM := SQRT(-1)", "ZOOM is not a finite number"}, // nor is an infinity
        {"X := ", "Invalid assignment. Statement: X :="},
        {"X := Q", "Expression uses unknown variable: Q"},
        {"X := DATE()", "DATE"}, // dates are off in the effect registry
        // An error quoting a long statement is cut to fit the band.
        {"REPEAT X := X + YAW + PITCH + BANK + ZOOM + FRAMES + YAW + PITCH + BANK + ZOOM UNTIL 1", "..."},
    };
    for (const auto& c : cases) {
        command(ControlMode::EffectRollBar, "X := X");
        const CarCameraValues stood = roof();
        const auto before = std::chrono::steady_clock::now();
        command(ControlMode::EffectRollBar, c.script);
        const auto took = std::chrono::steady_clock::now() - before;
        EXPECT_EQ(dc->mode(), ControlMode::Static) << c.script;
        EXPECT_EQ(roof(), stood) << c.script;
        EXPECT_EQ(game.writes().back().block[3], stood) << c.script;
        const std::string status = lastStatus();
        EXPECT_EQ(status.rfind("Mode=Static / Effect error: ", 0), 0u) << status;
        EXPECT_NE(status.find(c.error), std::string::npos) << status;
        EXPECT_LE(status.size(), kStatusLineMaxChars) << status;
        EXPECT_EQ(game.platform.statusDrawings().back().text, status);
        EXPECT_LT(took, 2s) << c.script; // cut off, not hung (the budget is 50 ms)

        command(ControlMode::Static); // the next command replaces the error
        EXPECT_EQ(lastStatus().rfind("Mode=Static / Set=", 0), 0u) << lastStatus();
    }
    // A working script after all that, and Escape as ever.
    dc->toggleSingleStep();
    command(ControlMode::EffectRollBar, "X := 42");
    EXPECT_EQ(roof().xPos, 42.0f);
    dc->changeMode(true);
    ASSERT_TRUE(dc->waitForPass(5s));
    EXPECT_EQ(dc->mode(), ControlMode::Static);
}

} // namespace
