#include "Gamestage.h"
#include "directcontrol/Directcontrol.h"
#include "model/Gplcarcameraset.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <memory>
#include <thread>

using namespace skv::directcontrol;
using namespace skv::directcontrol::testing;
using namespace std::chrono_literals;
using skv::model::CarCameraBlock;
using skv::model::TGPLCarCameraSet;

namespace {

constexpr int kCommands = 3000;

// Every value of set `id` carries id * 1000, plus a different offset per value.
CarCameraBlock blockOf(int id) {
    return distinctBlock(float(id * 1000));
}

// The set a written block came from, or -1 when its records do not all come from one set. Record 3
// is left out: the mouse and effect modes move it; so is the position of record 0, which stays
// where the game link finds the game (see distinctBlock).
int setOf(const CarCameraBlock& b) {
    int id = -2;
    for (std::size_t r = 0; r < b.size(); ++r) {
        if (r == 3) continue;
        for (std::size_t v = r == 0 ? 3 : 0; v < skv::model::kValuesPerCamera; ++v) {
            const float offset = skv::model::valueAt(b[r], v) - float(r * 10 + v);
            const int here = std::fmod(offset, 1000.0f) == 0 ? int(offset / 1000) : -1;
            if (id == -2) id = here;
            if (here != id) return -1;
        }
    }
    return id;
}

} // namespace

// Commands, single steps and toggles from two other threads while the control thread runs: every
// written block is one set handed over whole, sets arrive in the order they were handed over, the
// thread's steps and single steps never overlap, and each checkpoint command is taken over.
TEST(ControlThreadStress, CommandsAndSingleStepsFromOtherThreads) {
    GameStage game;
    FakeEffects effects;
    game.keepWrites(false);
    std::atomic<int> torn{0}, outOfOrder{0}, lastSet{0}, rollBarWrites{0};
    game.onWrite([&](const FakeWrite& w) {
        if (w.pitCam) return;
        ++rollBarWrites;
        const int id = setOf(w.block);
        if (id < 0) ++torn;
        if (id < lastSet) ++outOfOrder;
        lastSet = id;
    });
    DirectControl dc(game.link, game.platform, &effects);
    dc.start();
    game.platform.moveCursor(100, 100);

    const auto hand = [&](int id) {
        TGPLCarCameraSet set;
        set.setValues(blockOf(id));
        dc.setCameraSet("S" + std::to_string(id), set);
    };
    hand(0);
    dc.changeMode(false);
    ASSERT_TRUE(dc.waitUntilIdle(5s));
    ASSERT_TRUE(dc.attached());

    std::atomic<bool> done{false};
    // The input source: buttons and modes flip while the thread moves the camera.
    std::thread input([&] {
        for (int i = 0; !done; ++i) {
            dc.setLeftButtonDown(i % 2);
            dc.setRightButtonDown(i % 3 == 0);
            dc.setLookMode(i % 5 == 0);
            dc.setBankMode(i % 7 == 0);
            (void)dc.attached();
            (void)dc.mode();
            std::this_thread::yield();
        }
    });

    const ControlMode modes[] = {ControlMode::Static, ControlMode::MouseRollBar, ControlMode::MousePitCam,
                                 ControlMode::EffectRollBar, ControlMode::EffectPitCam};
    int checkpointsMissed = 0;
    for (int i = 1; i <= kCommands; ++i) {
        hand(i);
        if (i % 13 == 0) dc.setEffectScript("E" + std::to_string(i), "X := X + 1");
        if (i % 11 == 0) dc.setSpeed(i % 101);
        if (i % 17 == 0) dc.setSmooth(i % 101);
        if (i % 7 == 0) dc.toggleSingleStep();
        if (i % 19 == 0) dc.setResetRollBar(true);
        dc.setRequestedMode(modes[i % 5]);
        dc.changeMode(i % 97 == 0);
        if (i % 3 == 0) dc.singleStep();
        if (i % 250 == 0) {
            // A checkpoint: a Static command must be taken over with this very set.
            dc.setRequestedMode(ControlMode::Static);
            dc.changeMode(false);
            if (!dc.waitUntilIdle(5s) || dc.values() != blockOf(i)) ++checkpointsMissed;
        }
    }
    done = true;
    input.join();

    if (dc.singleStepMode()) dc.toggleSingleStep();
    hand(kCommands + 1);
    dc.setRequestedMode(ControlMode::Static);
    dc.changeMode(false);
    ASSERT_TRUE(dc.waitUntilIdle(5s));

    EXPECT_EQ(torn, 0);
    EXPECT_EQ(outOfOrder, 0);
    EXPECT_EQ(checkpointsMissed, 0);
    EXPECT_FALSE(game.overlappingWrites());
    EXPECT_EQ(lastSet, kCommands + 1);
    EXPECT_EQ(dc.values(), blockOf(kCommands + 1));
    EXPECT_EQ(game.block(6), blockOf(kCommands + 1));
    EXPECT_EQ(dc.setName(), "S" + std::to_string(kCommands + 1));
    EXPECT_GT(rollBarWrites, kCommands / 10);
    EXPECT_TRUE(dc.attached());
}
