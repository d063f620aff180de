// An hour of direct control with an effect script: the steps are driven one by one, without waiting for real
// time, and the heap holds after them what it held after the first few, so nothing is kept per step.
#include "Gamestage.h"
#include "directcontrol/Directcontrol.h"
#include "effects/Effectplayer.h"
#include "support/Memoryuse.h"

#include <gtest/gtest.h>

#include <string>

using namespace skv::directcontrol;
using namespace skv::directcontrol::testing;
using skv::effects::TEffectPlayer;
using namespace std::chrono_literals;

namespace {

constexpr int kStepsPerHour = 37 * 3600;

} // namespace

TEST(ControlThreadMemory, AnHourOfEffectStepsKeepsNothingPerStep) {
    GameStage game;
    game.keepWrites(false);
    std::atomic<long> writes{0};
    game.onWrite([&](const FakeWrite&) { ++writes; });
    TEffectPlayer effect;
    DirectControl dc(game.link, game.platform, &effect);
    // What is measured is memory, not time: a step starved by a loaded machine must not drop the
    // effect to Static half way.
    dc.setEffectBudget(30s);
    dc.start();
    dc.toggleSingleStep(); // the steps come from here, as fast as they go
    dc.setEffectScript("Orbit", "BEGIN X := X + 0.05 * COS(FRAMES / 50); Y := Y + 0.05 * SIN(FRAMES / 50); "
                                "IF FRAMES MOD 100 = 0 THEN ZOOM := ZOOM * 0.999; END");
    dc.setRequestedMode(ControlMode::EffectRollBar);
    dc.changeMode(false);
    ASSERT_TRUE(dc.waitUntilIdle(5s));
    ASSERT_TRUE(dc.attached());

    constexpr int kWarmUp = 1000;
    for (int i = 0; i < kWarmUp; ++i)
        dc.singleStep();
    const std::size_t before = skv::testing::liveHeapBytes();
    for (int i = kWarmUp; i < kStepsPerHour; ++i)
        dc.singleStep();
    const std::size_t after = skv::testing::liveHeapBytes();

    EXPECT_EQ(dc.mode(), ControlMode::EffectRollBar);
    EXPECT_EQ(dc.frame(), kStepsPerHour + 1);
    EXPECT_EQ(writes, kStepsPerHour + 1); // the entry's write, then one per step
    // Half a byte a step would show as 64 KiB.
    EXPECT_LT(after, before + 65536) << "heap " << before << " -> " << after << " bytes";
}
