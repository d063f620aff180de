// The effect player on its own: the step budget, the read-back into the camera record, scripts
// that pile up or finish late, and the editor's check.
#include "effects/Effectplayer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <limits>

using namespace skv::effects;
using namespace std::chrono_literals;
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
