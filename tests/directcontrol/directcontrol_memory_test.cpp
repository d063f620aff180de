// An hour of direct control: the steps are driven one by one, without waiting for real time, and
// the heap holds after them what it held after the first few, so nothing is kept per step.
#include "directcontrol/Directcontrol.h"
#include "fake_game.h"
#include "support/Memoryuse.h"

#include <gtest/gtest.h>

using namespace skv::directcontrol;
using namespace skv::directcontrol::testing;
using namespace std::chrono_literals;

namespace {

constexpr int kStepsPerHour = 37 * 3600;

// Climbs and turns a little at every step; keeps nothing.
class ClimbEffect : public EffectStepper {
public:
    void load(const std::string&) override {}
    void seed(std::int32_t, const skv::model::CarCameraValues&) override {}
    void step(std::int32_t frame, skv::model::CarCameraValues& record, const EffectBudget&) override {
        record.zPos += 0.001f;
        record.yaw = float(frame % 3600) * 0.001f;
    }
};

} // namespace

TEST(ControlThreadMemory, AnHourOfEffectStepsKeepsNothingPerStep) {
    FakeDesktop desktop;
    FakeGameLink game(desktop);
    game.keepWrites(false);
    std::atomic<long> writes{0};
    game.onWrite([&](const FakeWrite&) { ++writes; });
    ClimbEffect effect;
    DirectControl dc(game, desktop, &effect);
    dc.start();
    dc.toggleSingleStep(); // the steps come from here, as fast as they go
    dc.setEffectScript("Climb", "Z := Z + 0.001");
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
