// Effect scripts played by the control thread through the real engine: frame counting, seeding,
// read-back without limits, and scripts that fail or never end.
#include "Gamestage.h"
#include "directcontrol/Directcontrol.h"
#include "directcontrol/Directcontrol_effects.h"
#include "directcontrol/Directcontrol_status.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <memory>
#include <numbers>
#include <thread>

using namespace skv::directcontrol;
using namespace skv::directcontrol::testing;
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

// The text of the abort that ends one step, or "" when the step ends by itself.
std::string abortOf(TEffectPlayer& player, std::int32_t frame, CarCameraValues& r,
                    const EffectBudget& budget) {
    try {
        player.step(frame, r, budget);
    } catch (const skv::engine::EEvalAborted& e) {
        return e.what();
    }
    return "";
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

TEST(EffectPlayer, BudgetCutsAnEndlessStepAndAStop) {
    TEffectPlayer player;
    CarCameraValues r = makeRecord(0);
    player.load("WHILE 1 DO x := x + 1");
    player.seed(1, r);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(abortOf(player, 1, r, {start + kEffectBudget, nullptr}), kEffectTimeLimitText);
    EXPECT_GE(std::chrono::steady_clock::now() - start, kEffectBudget);
    std::atomic<bool> stopping{true};
    EXPECT_EQ(abortOf(player, 2, r, {start + 1h, &stopping}), kEffectStoppedText);

    // A budget that knows when its step began times the first turns from then: the step is still
    // cut at its deadline, and a stop is still seen.
    const EffectBudget timed = EffectBudget::fromNow();
    EXPECT_EQ(timed.deadline - timed.started, kEffectBudget);
    EXPECT_EQ(abortOf(player, 3, r, timed), kEffectTimeLimitText);
    const auto over = std::chrono::steady_clock::now() - timed.started;
    EXPECT_GE(over, kEffectBudget);
    EXPECT_LT(over, kEffectBudget + 500ms);
    EXPECT_EQ(abortOf(player, 4, r, EffectBudget::fromNow(&stopping)), kEffectStoppedText);
    // Begun long ago and due already: cut within the first batch of turns.
    const auto now = std::chrono::steady_clock::now();
    EXPECT_EQ(abortOf(player, 5, r, {now - 1ms, nullptr, now - 1h}), kEffectTimeLimitText);
    EXPECT_LT(std::chrono::steady_clock::now() - now, 500ms);
}

// The seven values go back into the record as singles: any double a single can hold, nothing
// beyond, and no infinity or NaN, whether the script computed it or found it in the record.
TEST(EffectPlayer, ReadBackTakesWhatASingleHoldsAndNoMore) {
    TEffectPlayer player;
    CarCameraValues r = makeRecord(0);
    player.load("X := 3.4028234663852886E38; Y := -3.4028234663852886E38; Z := 1E-45; YAW := 0.1");
    player.seed(1, r);
    player.step(1, r, generous());
    EXPECT_EQ(r.xPos, std::numeric_limits<float>::max());
    EXPECT_EQ(r.yPos, -std::numeric_limits<float>::max());
    EXPECT_EQ(r.zPos, std::numeric_limits<float>::denorm_min());
    EXPECT_EQ(r.yaw, 0.1f);
    EXPECT_EQ(r.pitch, makeRecord(0).pitch); // left alone: the seeded single

    // The first double above the largest single is refused (larger ones, NaN and the infinities
    // are among the failing scripts of the thread's test).
    player.load("X := 3.4028235E38");
    player.seed(1, r);
    CarCameraValues out = r;
    EXPECT_THROW(player.step(1, out, generous()), std::exception);

    // A record that holds an infinity is refused even by a script that never touches it.
    CarCameraValues odd = makeRecord(0);
    odd.bank = std::numeric_limits<float>::infinity();
    player.load("X := 1");
    player.seed(1, odd);
    EXPECT_THROW(player.step(1, odd, generous()), std::runtime_error);
}

// Scripts that pile up texts or arrays from step to step, and a step that finishes late: each step
// fails with its error, the camera stays as it stood, and what the script held is given back.
TEST(EffectPlayer, PilingScriptsAndLateStepsFailAndLeaveTheCamera) {
    struct Row {
        const char* Script;
        const char* Error;
    };
    const Row rows[] = {
        // 64 MB more every frame
        {"IF FRAMES = 1 THEN A := VarArrayCreate(0, 100, 12); A[FRAMES] := VarArrayCreate(0, 4000000, 12);"
         "X := FRAMES",
         "Out of memory for texts and arrays"},
        // 60 MB texts
        {"IF FRAMES = 1 THEN A := VarArrayCreate(0, 100, 12); S := \"\"; SetLength(S, 60000000); A[FRAMES] "
         ":= S;"
         "X := FRAMES",
         "Out of memory for texts and arrays"},
        // a text left in a camera variable, after two good values
        {"X := FRAMES; Y := FRAMES; IF FRAMES = 3 THEN Z := \"high\" ELSE Z := 1",
         "Invalid variant type conversion"},
        {"X := FRAMES; Y := SQRT(FRAMES - 3)", "Y is not a finite number"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.Script);
        TEffectPlayer player;
        const std::int64_t base = player.context().Values.HeldBytes();
        CarCameraValues r = makeRecord(0);
        player.load(row.Script);
        player.seed(0, r);
        std::int32_t frame = 1;
        CarCameraValues before{};
        try {
            for (; frame <= 20; ++frame) {
                before = r;
                player.step(frame, r, generous());
            }
            ADD_FAILURE() << "no error";
        } catch (const std::exception& e) {
            EXPECT_STREQ(e.what(), row.Error);
        }
        EXPECT_LE(frame, 5);
        EXPECT_EQ(std::memcmp(&r, &before, sizeof r), 0) << "the failed step wrote the camera";
        EXPECT_LT(player.context().Values.HeldBytes() - base, 1 << 20)
            << "the failed script's values are held";
        // It compiles again at its next run and plays from a new start.
        player.seed(0, r);
        if (frame > 1) {
            player.step(1, r, generous());
            EXPECT_EQ(r.xPos, 1.0f);
        }
    }

    // A step that ends after its deadline, with no loop turn to cut it short.
    TEffectPlayer player;
    CarCameraValues r = makeRecord(0);
    player.load("X := 5");
    player.seed(1, r);
    EXPECT_EQ(abortOf(player, 1, r, {std::chrono::steady_clock::now() - 1ms, nullptr}), kEffectTimeLimitText);
    EXPECT_EQ(r.xPos, makeRecord(0).xPos);
    player.step(1, r, generous());
    EXPECT_EQ(r.xPos, 5.0f);
}

TEST(EffectPlayer, EmptyTextKeepsTheScriptAndCheckLeavesItAlone) {
    TEffectPlayer player;
    CarCameraValues r = makeRecord(0);
    player.load("X := X + 2");
    player.load("");
    EXPECT_EQ(player.check("Y := Y * 2"), "");
    EXPECT_NE(player.check("Y := (1"), "");
    EXPECT_EQ(player.check("Y := Q"), "Expression uses unknown variable: Q");
    EXPECT_NE(player.check("Y := SINN(Y)"), "");
    player.seed(1, r);
    player.step(1, r, generous());
    player.step(2, r, generous());
    EXPECT_EQ(r.xPos, makeRecord(0).xPos + 4);
    EXPECT_EQ(r.yPos, makeRecord(0).yPos);
}

} // namespace
