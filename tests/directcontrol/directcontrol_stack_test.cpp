// The direct-control owner over the scripted backend: the start values reach the thread once, keys
// from the input source carry their own Shift and Ctrl, the reason the link is down reaches the
// status receiver, and a shut-down with an effect running leaves no thread, input or receiver behind.
#include "Gamestage.h"
#include "directcontrol/Directcontrol_stack.h"
#include "directcontrol/Directcontrol_status.h"
#include "model/Gplcarcameraset.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>

using namespace skv::directcontrol;
using namespace skv::directcontrol::testing;
using namespace std::chrono_literals;
namespace plat = skv::platform;
namespace vk = skv::platform::vk;

namespace {

class Host final : public HotKeyHost {
public:
    bool directControlEnabled() const override { return true; }
    bool applicationActive() const override { return false; }
    bool keyDown(int) const override { return false; } // only the event may say what was held
};

class Stack : public ::testing::Test {
protected:
    GameStage game;
    Host host;
    StatusLog statuses;
    std::unique_ptr<TDirectControlStack> stack;
    std::atomic<int> wakes{0};

    void SetUp() override { make(std::make_unique<FakeEffects>()); }
    // A stack over the stage with these effects (none: the real player).
    void make(std::unique_ptr<skv::effects::EffectStepper> fx) {
        stack.reset();
        stack = std::make_unique<TDirectControlStack>(std::make_unique<LentPlatform>(game.platform),
                                                      game.paths, host, std::move(fx));
        stack->link().setGamePrograms((game.folder.path() / "gpl" / "gpl.exe").string(),
                                      (game.folder.path() / "nr2003" / "NR2003.exe").string());
        stack->setStatusCallback(statuses.callback());
        stack->setInputWakeUp([this] { ++wakes; });
    }

    void key(int virtualKey, bool ctrl = false) {
        plat::InputEvent event;
        event.virtualKey = virtualKey;
        event.ctrlDown = ctrl;
        game.platform.postInput(event);
        stack->dispatchInput();
        ASSERT_TRUE(stack->thread().waitForPass(5s));
    }
};

} // namespace

TEST_F(Stack, StartGivesTheThreadItsValuesOnce) {
    EXPECT_FALSE(stack->started());
    stack->start({30, 70, true, false});
    stack->start({99, 1, false, true}); // a second show changes nothing
    EXPECT_TRUE(stack->started());
    DirectControl& dc = stack->thread();
    EXPECT_EQ(dc.speedPosition(), 30);
    EXPECT_EQ(dc.smoothPosition(), 70);
    EXPECT_TRUE(dc.lookMode());
    EXPECT_FALSE(dc.bankMode());
}

TEST_F(Stack, TheStatusSaysWhyTheLinkIsDownOncePerReason) {
    stack->start({});
    game.platform.setForeground(game.otherWindow);
    for (int i = 0; i < 3; ++i) {
        stack->thread().changeMode(false);
        ASSERT_TRUE(stack->thread().waitForPass(5s));
    }
    const std::string reason = linkStatusText(LinkStatus::NoGameWindow);
    EXPECT_EQ(statuses.last(), reason);
    EXPECT_EQ(stack->thread().linkState().text, reason);
    EXPECT_EQ(statuses.count(), 2u); // "Not Attached" at connection, then the reason once
}

// One walk: the keys, then a shut-down while the effect they started runs.
TEST_F(Stack, KeysCarryTheirModifiersAndAShutDownWithAnEffectRunningLeavesNothingBehind) {
    skv::model::TGPLCarCameraSet effect;
    effect.Caption = "Sweep";
    effect.Type = skv::model::eCameraSetType::CstRollBarCam;
    effect.setEffect("X := X + 1");
    const TItemIdentity identity(effect);
    const TItemIdentity* page[] = {&identity};
    stack->itemLists().rebuild(page);
    stack->start({});
    EXPECT_EQ(stack->setMode(true, true), "");
    ASSERT_TRUE(stack->input().installed());

    key(vk::Insert, true); // Ctrl was down at the key, though nobody holds it any more
    EXPECT_EQ(stack->thread().mode(), ControlMode::EffectRollBar);
    EXPECT_EQ(stack->thread().effectName(), "Sweep");
    key(vk::Insert); // Insert alone is the mouse mode
    EXPECT_EQ(stack->thread().mode(), ControlMode::MouseRollBar);
    EXPECT_GE(wakes.load(), 2);
    key(vk::Insert, true);
    const std::size_t started = game.writes().size();
    ASSERT_TRUE(waitFor([&] { return game.writes().size() >= started + 3; }));

    stack->shutDown();
    EXPECT_FALSE(stack->input().installed());
    const std::size_t written = game.writes().size();
    const std::size_t reported = statuses.count();
    const int woken = wakes.load();
    std::this_thread::sleep_for(100ms); // three steps' time: a thread still running would write
    EXPECT_EQ(game.writes().size(), written);
    game.platform.postInput({});
    EXPECT_EQ(stack->dispatchInput(), 0u);
    EXPECT_EQ(wakes.load(), woken);
    stack->thread().detach(); // would report, were a receiver still connected
    EXPECT_EQ(statuses.count(), reported);
    stack->shutDown(); // a second time is harmless
    stack.reset();
}

TEST(StackBackend, SaysWhyDirectControlIsUnavailable) {
    Host host;
    auto fake = std::make_unique<plat::FakePlatform>();
    fake->setUnavailableReason("no X display: direct control needs one");
    const skv::model::TGamePaths paths{[](const std::string&) { return std::optional<std::string>(); }};
    TDirectControlStack stack(std::move(fake), paths, host);
    EXPECT_EQ(stack.unavailableReason(), "no X display: direct control needs one");
    EXPECT_EQ(stack.setMode(true, true), "no X display: direct control needs one");
    EXPECT_THROW(TDirectControlStack(nullptr, paths, host), std::invalid_argument);
}

TEST_F(Stack, AScriptsMessageBoxesGoToTheStatusWithoutStoppingTheThread) {
    make(nullptr);
    stack->start({});
    stack->thread().setEffectScript("Talk", "BEGIN ShowMessage(\"moving\"); "
                                            "MessageDlg(\"Go on?\", 3, 3, 0); X := X + 1; END");
    stack->thread().setRequestedMode(ControlMode::EffectRollBar);
    stack->thread().changeMode(false);
    // Nobody answers a box here: steps that go on writing are steps that did not wait for one.
    ASSERT_TRUE(waitFor([&] { return game.writes().size() >= 5; })) << statuses.last();
    EXPECT_EQ(stack->thread().mode(), ControlMode::EffectRollBar);
    EXPECT_TRUE(waitFor([&] { return statuses.last() == "Effect message: Go on?"; })) << statuses.last();
    stack->shutDown();
    const std::size_t reported = statuses.count();
    std::this_thread::sleep_for(60ms);
    EXPECT_EQ(statuses.count(), reported);
}
