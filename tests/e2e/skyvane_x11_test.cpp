// The program as a user runs it: the real skyvane on a private X server, the stand-in game in front,
// keys typed and windows answered through XTest. What it does is read back from the stand-in game's
// own memory, the clipboard and the program's settings file.
#include "directcontrol/Savedpositions.h"
#include "engine/Inifile.h"
#include "model/Tempfolder.h"
#include "support/Skyvanerun.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace std::chrono_literals;
using skv::testing::ChildProcess;
using skv::testing::waitFor;
using skv::testing::XvfbServer;
namespace fs = std::filesystem;

namespace {

constexpr std::size_t kRoofX = 3 * 9; // the roof camera's xPos among a block's 54 words

std::vector<std::uint32_t> wordsOf(const skv::model::TGPLCarCameraSet& set) {
    skv::model::CarCameraBlock block{};
    set.getValues(block);
    return skv::testing::wordsOf(block);
}

// A camera record from nine of the game's words.
skv::model::CarCameraValues recordOf(const std::vector<std::uint32_t>& words, std::size_t first) {
    skv::model::CarCameraValues values{};
    for (std::size_t v = 0; v < skv::model::kValuesPerCamera && first + v < words.size(); ++v)
        skv::model::valueAt(values, v) = std::bit_cast<float>(words[first + v]);
    return values;
}

// The lines a saved position shows, as one text.
std::string positionText(const skv::model::CarCameraValues& values) {
    std::string text;
    for (const std::string& line : skv::directcontrol::positionBlock(0, "", values))
        text += line + "\n";
    return text;
}

// A new user's machine: a private X server, the program in a folder of its own, the stand-in game.
class NewUser : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(Server.display().empty()) << "Xvfb could not be started (Debian package xvfb)";
        Run = std::make_unique<skv::testing::SkyvaneRun>(Folder.path(), Server.display());
        ASSERT_TRUE(Run->canType()) << "no XTest on the private server";
        Typist = Run->typist();
    }
    void TearDown() override {
        Run.reset();
        Game.reset();
    }

    fs::path settingsFile() const { return Folder.path() / "skyvane.INI"; }
    std::string gplProgram() const { return (Folder.path() / "gpl" / "gpl.exe").string(); }
    // The reference camera file where the program's own link looks for it.
    fs::path referenceFile() const { return skv::testing::referenceCamFilePath(gplProgram()); }

    // The game over the reference camera file the program put into its folder.
    void startGame() {
        Game = std::make_unique<ChildProcess>(std::vector<std::string>{SKV_RUNTIME_DIR "/fakegame", "--game",
                                                                       "gpl", "--offset", "4096", "--camfile",
                                                                       referenceFile().string()},
                                              std::vector<std::string>{"DISPLAY=" + Server.display()});
        const auto ready = Game->readLine();
        ASSERT_TRUE(ready && ready->rfind("ready", 0) == 0) << "fakegame did not start";
    }

    void startProgram() {
        MainWindow = Run->start(10s);
        ASSERT_TRUE(MainWindow) << "the program's window did not come up";
    }

    // The game takes the keyboard back, as it does when the user clicks into it.
    void focusGame() {
        Game->writeLine("focus");
        ASSERT_EQ(Game->readLine().value_or(""), "ok");
    }

    void type(KeySym key, unsigned modifiers = 0) { skv::testing::typeKey(Typist, key, modifiers); }

    // Waits for the program's window of that title and gives it the keyboard; 0 if it did not come.
    Window focusWindow(const char* title) {
        const Window window = skv::testing::waitForTopLevelWindow(Typist, title, 10s);
        if (window) skv::testing::giveFocus(Typist, window);
        return window;
    }
    bool windowGoes(const char* title) { return skv::testing::waitForNoTopLevelWindow(Typist, title, 10s); }

    skv::testing::Blocks dumpBlocks() { return skv::testing::dumpBlocks(*Game); }
    float roofX() {
        const auto blocks = dumpBlocks();
        return blocks.empty() ? 0.0f : std::bit_cast<float>(blocks[0][kRoofX]);
    }
    skv::model::CarCameraValues roofCamera() {
        const auto blocks = dumpBlocks();
        return blocks.empty() ? skv::model::CarCameraValues{} : recordOf(blocks[0], kRoofX);
    }
    skv::model::CarCameraValues pitCamera() {
        Game->writeLine("pit");
        return recordOf(skv::testing::hexWords(Game->readLine().value_or(""), 1), 0);
    }

    // Page Up until the set stands in all seven blocks. The program may still be making its input
    // source when the first key comes: a key nobody heard changes nothing, so it is typed again.
    bool pageUpWrites(const std::vector<std::uint32_t>& set) {
        const auto written = [&] {
            const auto blocks = dumpBlocks();
            if (blocks.size() != 7) return false;
            for (const auto& block : blocks)
                if (block != set) return false;
            return true;
        };
        for (int attempt = 0; attempt < 10; ++attempt) {
            focusGame();
            type(XK_Prior);
            if (waitFor(written, 1s)) return true;
        }
        return false;
    }

    // Whether the camera stands still: two reads some frames apart agree.
    bool roofStops() {
        return waitFor(
            [&] {
                const float a = roofX();
                std::this_thread::sleep_for(150ms);
                return roofX() == a;
            },
            3s);
    }

    XvfbServer Server;
    skv::test::TempFolder Folder;
    Display* Typist = nullptr;
    Window MainWindow = 0;
    std::unique_ptr<skv::testing::SkyvaneRun> Run;
    std::unique_ptr<ChildProcess> Game;
};

} // namespace

// A new user's first session and the start of the second: no settings at first, the two messages
// answered and the game's path typed into the preferences, the shipped library opened through the
// file dialog, the camera flown in the stand-in game, two positions saved, and after a restart the
// library open again without asking for it.
TEST_F(NewUser, FliesTheDefaultLibraryAndFindsItAgainAfterARestart) {
    const auto begin = std::chrono::steady_clock::now();
    Run->copyProgram({"default.cmf", "brabham.cam"});
    const fs::path library = Folder.path() / "default.cmf";
    const skv::model::TCameraSetList items = skv::model::loadLibraryFile(library.string());
    ASSERT_GE(items.size(), 4u);
    ASSERT_EQ(items[0]->Type, skv::model::eCameraSetType::CstCarCamSet);
    const std::vector<std::uint32_t> firstSet = wordsOf(*items[0]);
    const auto orbit = std::find_if(items.begin(), items.end(), [](const auto& item) {
        return item->Type == skv::model::eCameraSetType::CstRollBarCam;
    });
    ASSERT_NE(orbit, items.end());
    ASSERT_EQ((*orbit)->Caption, "Orbit") << "the first effect is the one checked below";
    // The game is installed; its reference camera file is the program's to provide.
    fs::create_directories(referenceFile().parent_path());
    ASSERT_FALSE(fs::exists(settingsFile()));
    startProgram();

    // The getting-started message, then the preferences with the game's path, then the NR2003 notes.
    ASSERT_TRUE(focusWindow("Information")) << "no getting-started message";
    type(XK_Return);
    ASSERT_TRUE(focusWindow("Preferences")) << "the preferences did not follow the message";
    type(XK_a, ControlMask); // the cursor stands in the GPL path, which holds the game's usual place
    skv::testing::typeText(Typist, gplProgram());
    type(XK_Return); // Close
    ASSERT_TRUE(windowGoes("Preferences"));
    ASSERT_TRUE(focusWindow("Information")) << "no NR2003 notes";
    type(XK_Return);
    ASSERT_TRUE(windowGoes("Information"));
    ASSERT_TRUE(waitFor([&] { return fs::exists(referenceFile()); }, 5s))
        << "closing the preferences did not put the reference camera file into the game's folder";

    // File/Open: the dialog starts in the program's folder, where the user types the library's name.
    // (Direct control listens already: the "l" of the name switches the mouse's look mode, which
    // changes nothing the mouse is used for below.)
    skv::testing::giveFocus(Typist, MainWindow);
    type(XK_f, Mod1Mask);
    type(XK_o);
    ASSERT_TRUE(focusWindow("Open")) << "File/Open showed no dialog";
    skv::testing::typeText(Typist, "default.cmf");
    // A completion list that pops up over the field takes the first Return.
    ASSERT_TRUE(waitFor(
        [&] {
            type(XK_Return);
            return skv::testing::waitForNoTopLevelWindow(Typist, "Open", 1s);
        },
        10s))
        << "the file dialog did not take the typed path";

    // In the game: Page Up writes the library's first set into all seven blocks.
    startGame();
    ASSERT_TRUE(pageUpWrites(firstSet)) << "Page Up did not write the first set of default.cmf";

    // Insert: the mouse flies the roll-bar camera. The mode starts by putting the pointer in the
    // middle of the screen; left of the middle turns the camera to the left, right of it back.
    const int width = DisplayWidth(Typist, DefaultScreen(Typist));
    const int height = DisplayHeight(Typist, DefaultScreen(Typist));
    XTestFakeMotionEvent(Typist, -1, 20, 20, CurrentTime);
    type(XK_Insert);
    const auto pointerCentred = [&] {
        Window root = 0, child = 0;
        int x = 0, y = 0, wx = 0, wy = 0;
        unsigned mask = 0;
        XQueryPointer(Typist, DefaultRootWindow(Typist), &root, &child, &x, &y, &wx, &wy, &mask);
        return x == width / 2 && y == height / 2;
    };
    ASSERT_TRUE(waitFor(pointerCentred, 5s)) << "Insert did not start the mouse mode";
    const float yaw0 = roofCamera().yaw;
    XTestFakeMotionEvent(Typist, -1, width / 10, height / 2, CurrentTime);
    XSync(Typist, False);
    ASSERT_TRUE(waitFor([&] { return roofCamera().yaw > yaw0 + 0.2f; }, 5s))
        << "the mouse did not turn the camera";
    const float yaw1 = roofCamera().yaw;
    XTestFakeMotionEvent(Typist, -1, width - width / 10, height / 2, CurrentTime);
    XSync(Typist, False);
    ASSERT_TRUE(waitFor([&] { return roofCamera().yaw < yaw1 - 0.2f; }, 5s))
        << "the mouse did not turn the camera back";

    // Ctrl+Insert: the first effect circles the car 6 m out at 1.5 m, facing it, whatever the mouse did.
    type(XK_Insert, ControlMask);
    const auto onTheOrbit = [](const skv::model::CarCameraValues& c) {
        return std::abs(c.xPos + 6 * std::cos(c.yaw)) < 1e-3f &&
               std::abs(c.yPos + 6 * std::sin(c.yaw)) < 1e-3f && c.zPos == 1.5f && c.bank == 0.0f &&
               c.zoomAngle == 0.9f;
    };
    ASSERT_TRUE(waitFor([&] { return onTheOrbit(roofCamera()); }, 5s))
        << "Ctrl+Insert did not start the orbit";
    const float around0 = roofCamera().yaw;
    ASSERT_TRUE(waitFor(
        [&] {
            const auto c = roofCamera();
            return onTheOrbit(c) && c.yaw > around0 + 0.05f;
        },
        5s))
        << "the orbit does not go round";

    // Escape: the camera stays where the effect left it.
    type(XK_Escape);
    ASSERT_TRUE(roofStops()) << "Escape did not stop the effect";
    EXPECT_TRUE(onTheOrbit(roofCamera()));

    // R and P: the cameras' positions as the game holds them, in the saved-positions window, copied
    // out of it as the user would.
    const std::string rollBarPosition = positionText(roofCamera());
    const std::string pitPosition = positionText(pitCamera());
    type(XK_r);
    type(XK_p);
    skv::testing::giveFocus(Typist, MainWindow);
    type(XK_e, Mod1Mask);
    type(XK_s);
    ASSERT_TRUE(focusWindow("frmSavedPositions")) << "Extra/Show Saved Positions showed no window";
    const auto copied = [&](const std::string& expected) {
        return waitFor(
            [&] {
                type(XK_a, ControlMask);
                type(XK_c, ControlMask);
                return skv::testing::clipboardText(Typist, 1s).value_or("") == expected;
            },
            5s);
    };
    EXPECT_TRUE(copied(pitPosition)) << "the pit camera's log does not hold\n" << pitPosition;
    type(XK_Tab);
    EXPECT_TRUE(copied(rollBarPosition)) << "the roll-bar camera's log does not hold\n" << rollBarPosition;

    // File/Exit: the settings remember the answered messages, the game's path and the open library.
    skv::testing::giveFocus(Typist, MainWindow);
    type(XK_f, Mod1Mask);
    type(XK_e);
    ASSERT_EQ(Run->program().wait(10s), 0) << "File/Exit did not end the program";
    skv::engine::TIniFile settings;
    settings.LoadFromFile(settingsFile().string());
    EXPECT_EQ(settings.ReadString("General", "FirstRun", ""), "0");
    EXPECT_EQ(settings.ReadString("General", "FirstNR2003", ""), "0");
    EXPECT_EQ(settings.ReadString("Files", "GPL", ""), gplProgram());
    EXPECT_EQ(settings.ReadString("Open Cmf Files", "file1", ""), library.string());

    // The second start: no message, and Page Up in a game started afresh writes the first set of
    // the library reopened at start-up.
    Game.reset();
    startGame();
    startProgram();
    ASSERT_TRUE(pageUpWrites(firstSet)) << "the library was not reopened";
    EXPECT_FALSE(skv::testing::hasTopLevelWindow(Typist, "Information"));
    EXPECT_FALSE(skv::testing::hasTopLevelWindow(Typist, "Preferences"));
    std::printf("new user's walk: %.1f s\n",
                std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count());
}
