#include "Gamestage.h"
#include "directcontrol/Directcontrol.h"
#include "directcontrol/Hotkeyinput.h"
#include "directcontrol/Hotkeys.h"
#include "directcontrol/Itemlists.h"
#include "directcontrol/Savedpositions.h"
#include "model/Gplcarcameraset.h"
#include "platform/fake/Fakeplatform.h"
#include "platform/fake/Fakethreadpriority.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace skv::directcontrol;
using namespace skv::directcontrol::testing;
using namespace std::chrono_literals;
using skv::model::CarCameraBlock;
using skv::model::TGPLCarCameraSet;
namespace plat = skv::platform;
namespace vk = skv::platform::vk;
using plat::kShortcutCtrl;
using plat::kShortcutShift;
using plat::Shortcut;

// ---- the fixed table ----

TEST(HotKeyTable, EachRowAnswersOnlyItsKeyWithExactlyItsModifiers) {
    using H = HotKeyCommand;
    // Key codes and modifier values as the table is documented, row by row.
    const struct {
        int key;
        Shortcut modifiers;
        H command;
    } rows[] = {
        {27, 0, H::Escape},
        {80, 0, H::SavePitCam},
        {82, 0, H::SaveRollBarCam},
        {35, 0, H::Static},
        {36, 0, H::Reset},
        {33, 0, H::NextSet},
        {34, 0, H::PrevSet},
        {33, 0x4000, H::NextEffect},
        {34, 0x4000, H::PrevEffect},
        {45, 0x4000, H::EffectRollBar},
        {46, 0x4000, H::EffectPitCam},
        {45, 0, H::MouseRollBar},
        {46, 0, H::MousePitCam},
        {83, 0, H::SingleStep1},
        {81, 0, H::SingleStep2},
        {51, 0, H::SmoothDown},
        {52, 0, H::SmoothUp},
        {49, 0, H::SpeedDown},
        {50, 0, H::SpeedUp},
        {76, 0, H::LookMode},
        {66, 0, H::BankMode},
    };
    ASSERT_EQ(std::size(rows), kHotKeyTable.size());
    for (std::size_t i = 0; i < kHotKeyTable.size(); ++i) {
        const auto& r = rows[i];
        EXPECT_EQ(kHotKeyTable[i].command, r.command) << "row " << i + 1;
        EXPECT_EQ(findHotKey(r.key, r.modifiers, false), r.command) << "row " << i + 1;
        // One modifier more, or the other one, and the row no longer answers.
        for (Shortcut extra : {kShortcutShift, kShortcutCtrl}) {
            const auto other = findHotKey(r.key, r.modifiers ^ extra, false);
            EXPECT_NE(other, r.command) << "row " << i + 1 << " with " << extra;
        }
    }
    // The single-step keys match whatever modifiers are held.
    for (int key : {0x66, 0xDC})
        for (Shortcut m : {0, 0x2000, 0x4000, 0x6000})
            EXPECT_EQ(findHotKey(key, m, false), H::Step);
    EXPECT_EQ(findHotKey(vk::Insert, kShortcutShift, false), std::nullopt);
    EXPECT_EQ(findHotKey(vk::PageUp, kShortcutCtrl | kShortcutShift, false), std::nullopt);
    // S is a GPL key only; Q works in both games.
    EXPECT_EQ(findHotKey(vk::S, 0, true), std::nullopt);
    EXPECT_EQ(findHotKey(vk::Q, 0, true), H::SingleStep2);
    EXPECT_EQ(findHotKey(vk::A, 0, false), std::nullopt);
}

// ---- the handler against the control thread, the fake game and the fake platform ----

namespace {

class TestHost : public HotKeyHost {
public:
    explicit TestHost(plat::FakePlatform& p) : platform(p) {}
    bool directControlEnabled() const override { return enabled; }
    bool applicationActive() const override { return active; }
    bool keyDown(int key) const override { return platform.keyDown(key); }
    void speedPositionChanged(int position) override { shown.push_back("speed " + std::to_string(position)); }
    void smoothPositionChanged(int position) override {
        shown.push_back("smooth " + std::to_string(position));
    }
    void lookModeChanged(bool on) override { shown.push_back(on ? "look on" : "look off"); }
    void bankModeChanged(bool on) override { shown.push_back(on ? "bank on" : "bank off"); }

    plat::FakePlatform& platform;
    bool enabled = true, active = false;
    std::vector<std::string> shown;
};

class HotKeys : public ::testing::Test {
protected:
    GameStage game;
    FakeEffects effects;
    plat::FakePlatform& platform = game.platform;
    plat::FakeThreadPriority priority;
    TestHost host{platform};
    TItemLists lists;
    TSavedPositions positions;
    std::vector<std::unique_ptr<TGPLCarCameraSet>> items;
    std::vector<TItemIdentity> identities;
    std::unique_ptr<DirectControl> dc;
    std::unique_ptr<THotKeys> keys;

    void SetUp() override {
        dc = std::make_unique<DirectControl>(game.link, game.platform, &effects);
        dc->setPriorityRaiser([this] { return priority.raise(); });
        dc->start();
        keys = std::make_unique<THotKeys>(*dc, lists, positions, host);
    }
    void TearDown() override { dc->stop(); }

    TGPLCarCameraSet& add(const std::string& caption, Shortcut key = 0, bool effect = false) {
        auto set = std::make_unique<TGPLCarCameraSet>();
        set->Caption = caption;
        set->ActivationKey = key;
        if (effect) {
            set->Type = skv::model::eCameraSetType::CstRollBarCam;
            set->setEffect("X := X + " + caption);
        }
        set->setValues(distinctBlock(float(items.size() * 100)));
        items.push_back(std::move(set));
        return *items.back();
    }
    void rebuild() {
        identities.clear();
        for (const auto& item : items)
            identities.emplace_back(*item);
        std::vector<const TItemIdentity*> page;
        for (const auto& identity : identities)
            page.push_back(&identity);
        lists.rebuild(page);
    }
    void press(int key, Shortcut modifiers = 0) {
        platform.setKeyDown(vk::Shift, modifiers & kShortcutShift);
        platform.setKeyDown(vk::Control, modifiers & kShortcutCtrl);
        keys->handleHotKey(static_cast<std::uint16_t>(key));
        platform.setKeyDown(vk::Shift, false);
        platform.setKeyDown(vk::Control, false);
        ASSERT_TRUE(dc->waitForPass(5s));
    }
    void attach() {
        dc->changeMode(false);
        ASSERT_TRUE(dc->waitForPass(5s));
        ASSERT_TRUE(dc->attached());
    }
};

} // namespace

TEST_F(HotKeys, ModeKeysSetTheRequestedModeAndTheThreadTakesItOver) {
    add("Set");
    add("Spin", 0, true);
    rebuild();
    attach();
    const struct {
        int key;
        Shortcut modifiers;
        ControlMode mode;
    } cases[] = {
        {vk::Insert, 0, ControlMode::MouseRollBar},
        {vk::End, 0, ControlMode::Static},
        {vk::Delete, 0, ControlMode::MousePitCam},
        {vk::Escape, 0, ControlMode::Static},
        {vk::Insert, kShortcutCtrl, ControlMode::EffectRollBar},
        {vk::Delete, kShortcutCtrl, ControlMode::EffectPitCam},
    };
    for (const auto& c : cases) {
        press(c.key, c.modifiers);
        EXPECT_EQ(dc->mode(), c.mode) << c.key << "+" << c.modifiers;
    }
    EXPECT_EQ(dc->effectName(), "Spin");
    EXPECT_EQ(effects.loaded(), (std::vector<std::string>{"X := X + Spin", "X := X + Spin"}));
    press(vk::Insert, kShortcutShift); // no row: nothing changes
    EXPECT_EQ(dc->mode(), ControlMode::EffectPitCam);
}

TEST_F(HotKeys, TableWinsOverSetKeysButSFallsThroughForNr2003) {
    add("OnEnd", vk::End);
    add("OnS", vk::S);
    rebuild();
    attach();
    press(vk::End);
    press(vk::S);
    EXPECT_TRUE(dc->singleStepMode());
    EXPECT_EQ(dc->setName(), "<default>"); // neither set was handed over
    press(vk::Q);
    EXPECT_FALSE(dc->singleStepMode());

    dc->setNR2003(true);
    press(vk::S);
    EXPECT_FALSE(dc->singleStepMode());
    EXPECT_EQ(dc->setName(), "OnS");
    EXPECT_EQ(game.block(0), distinctBlock(100)); // activating writes the set into the game once
    press(vk::Q);
    EXPECT_TRUE(dc->singleStepMode());
}

TEST_F(HotKeys, PageUpAndDownWrapOverThreeSetsWhileAttachedAndPickTheFirstBefore) {
    add("S0");
    add("S1");
    add("S2", 'K');
    rebuild();
    game.setRunning(false);
    press(vk::PageUp);
    press(vk::PageUp);
    EXPECT_EQ(dc->setName(), "S0");
    press('K'); // a set's own key names that set, attached or not
    EXPECT_EQ(dc->setName(), "S2");
    EXPECT_FALSE(dc->attached());

    game.setRunning(true);
    attach();
    EXPECT_EQ(game.block(0), distinctBlock(200)); // the set handed over before takes effect at the attach
    rebuild();                                    // as the window does when the user switches to the game
    std::vector<std::string> seen;
    for (int i = 0; i < 4; ++i) {
        press(vk::PageUp);
        seen.push_back(dc->setName());
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"S1", "S2", "S0", "S1"}));
    rebuild();
    press(vk::PageDown);
    EXPECT_EQ(dc->setName(), "S2");
}

TEST_F(HotKeys, OneAttachWakePerLinkDownPeriod) {
    game.setRunning(false);
    press(vk::L); // L itself sends no wake
    press(vk::L);
    EXPECT_EQ(game.attachCalls(), 1);
    EXPECT_TRUE(keys->attachRequested());

    game.setRunning(true);
    attach();
    press(vk::L);
    EXPECT_FALSE(keys->attachRequested());

    game.platform.setForeground(
        game.otherWindow); // the game leaves the front: the link drops at the next command
    press(vk::End);
    ASSERT_FALSE(dc->attached());
    game.platform.setForeground(game.gameWindow);
    const int before = game.attachCalls();
    press(vk::L);
    press(vk::L);
    EXPECT_EQ(game.attachCalls(), before + 1);
    EXPECT_TRUE(dc->attached());
}

TEST_F(HotKeys, EffectKeysLoadScriptsAndDoNothingWithoutEffects) {
    press(vk::Insert, kShortcutCtrl);
    press(vk::PageUp, kShortcutCtrl);
    EXPECT_EQ(dc->requestedMode(), ControlMode::Static);
    EXPECT_TRUE(effects.loaded().empty());

    add("E0", 0, true);
    add("Set");
    add("E1", 0, true);
    rebuild();
    attach();
    press(vk::Insert);
    press(vk::PageUp, kShortcutCtrl);
    EXPECT_EQ(dc->effectName(), "E1");
    EXPECT_EQ(dc->mode(), ControlMode::MouseRollBar); // the mode stays; the script is loaded
    press(vk::PageUp, kShortcutCtrl);
    EXPECT_EQ(dc->effectName(), "E0");
    press(vk::PageDown, kShortcutCtrl);
    EXPECT_EQ(effects.loaded(), (std::vector<std::string>{"X := X + E1", "X := X + E0", "X := X + E1"}));
    EXPECT_EQ(dc->setName(), "<default>"); // no set handed over
}

TEST_F(HotKeys, TrackBarAndMouseOptionKeys) {
    dc->setSpeed(1);
    dc->setSmooth(99);
    for (int key : {'1', '1', '2', '4', '4', '3'})
        press(key);
    press(vk::L);
    press(vk::B);
    press(vk::L);
    EXPECT_EQ(dc->speedPosition(), 1);
    EXPECT_EQ(dc->smoothPosition(), 99);
    EXPECT_FALSE(dc->lookMode());
    EXPECT_TRUE(dc->bankMode());
    EXPECT_EQ(host.shown,
              (std::vector<std::string>{"speed 0", "speed 0", "speed 1", "smooth 100", "smooth 100",
                                        "smooth 99", "look on", "bank on", "look off"}));
}

TEST_F(HotKeys, IgnoredOnlyWhenDisabledWhileThisProgramIsActive) {
    host.enabled = false;
    host.active = true;
    press(vk::L);
    EXPECT_FALSE(dc->lookMode());
    EXPECT_EQ(game.attachCalls(), 0);
    host.active = false;
    press(vk::L);
    EXPECT_TRUE(dc->lookMode());
}

TEST_F(HotKeys, StepKeysStepOnlyInSingleStepMode) {
    attach();
    press(0x66); // not in single-step mode: nothing
    press(vk::Q);
    const auto before = game.writes().size();
    press(0xDC, kShortcutCtrl | kShortcutShift);
    press(0x66);
    EXPECT_EQ(game.writes().size(), before + 2);
    EXPECT_EQ(dc->frame(), 4);
}

TEST_F(HotKeys, SaveKeysLogWhatTheGameHoldsOnlyWhileAttached) {
    CarCameraBlock live = distinctBlock(0.5f);
    game.setRollBarMemory(live);
    game.setPitMemory(live[1]);
    game.setRunning(false);
    press(vk::R); // not attached: nothing, and no number used up
    EXPECT_EQ(positions.rollBar().counter(), 0u);

    game.setRunning(true);
    attach();
    game.setRollBarMemory(live); // the game moved its camera after the attach
    press(vk::R);
    press(vk::P);
    press(vk::R);
    game.setFailReads(true);
    press(vk::P);
    ASSERT_EQ(positions.rollBar().counter(), 2u);
    EXPECT_EQ(positions.pitCam().counter(), 1u);
    const auto& lines = positions.rollBar().lines();
    EXPECT_EQ(lines[0], "[Position0]");
    EXPECT_EQ(lines[1], "X=30.5"); // record 3 of the first block
    EXPECT_EQ(lines[9], "[Position1]");
    EXPECT_EQ(positions.pitCam().lines()[1], "X=10.5");
    for (const auto& line : lines)
        EXPECT_NE(line.rfind("Name=", 0), 0u);
}

// ---- the global input source ----

TEST_F(HotKeys, InputSourceLivesWhileShownAndEnabledAndFeedsKeysAndButtons) {
    THotKeyInput input(platform, *keys, *dc);
    int wakes = 0;
    input.setWakeUp([&] { ++wakes; });
    EXPECT_EQ(input.setMode(false, true), "");
    EXPECT_FALSE(input.installed());
    EXPECT_EQ(input.setMode(true, true), "");
    ASSERT_TRUE(input.installed());

    using K = plat::InputEvent::Kind;
    platform.postInput({K::KeyDown, vk::L, plat::MouseButton::Left, false});
    platform.postInput({K::KeyDown, vk::B, plat::MouseButton::Left, true}); // with Alt: a system key
    platform.postInput({K::ButtonDown, 0, plat::MouseButton::Right, false});
    platform.postInput({K::ButtonDown, 0, plat::MouseButton::Left, false});
    platform.postInput({K::ButtonUp, 0, plat::MouseButton::Left, false});
    EXPECT_EQ(wakes, 5);
    EXPECT_EQ(input.dispatchPending(), 5u);
    EXPECT_EQ(input.dispatchPending(), 0u); // each event is handled once
    EXPECT_TRUE(dc->lookMode());
    EXPECT_FALSE(dc->bankMode());
    EXPECT_TRUE(dc->rightButtonDown());
    EXPECT_FALSE(dc->leftButtonDown());

    input.setMode(false, false); // while hidden nothing changes
    EXPECT_TRUE(input.installed());
    input.setMode(true, false);
    EXPECT_FALSE(input.installed());
    platform.postInput({K::KeyDown, vk::L, plat::MouseButton::Left, false});
    EXPECT_EQ(input.dispatchPending(), 0u);
    EXPECT_TRUE(dc->lookMode());

    platform.setUnavailableReason("no display");
    EXPECT_EQ(input.setMode(true, true), "no display");
    EXPECT_FALSE(input.installed());
}
