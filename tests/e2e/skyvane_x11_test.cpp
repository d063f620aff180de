// The program as a user runs it: the real skyvane on a private X server, a settings file that
// reopens a library, the stand-in game in front, keys typed through XTest. What it does is read
// back from the stand-in game's own memory and its window's status-line band.
#include "directcontrol/Directcontrol_gamelink.h"
#include "model/Gamepaths.h"
#include "model/Gplcarcameraset.h"
#include "model/Libraryfile.h"
#include "model/Tempfolder.h"
#include "platform/fake/Fakeplatform.h"
#include "support/Xsession.h"
#include "support/Xwindows.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <gtest/gtest.h>

#include <bit>
#include <filesystem>
#include <fstream>
#include <sstream>

using namespace std::chrono_literals;
using skv::testing::ChildProcess;
using skv::testing::XvfbServer;
namespace fs = std::filesystem;

namespace {

constexpr float kKey[3] = {-41.25f, 7.5f, 1.125f};
constexpr std::size_t kRoofX = 3 * 9; // the roof camera's xPos among a block's 54 words

// A set whose records all differ from the other set's; record 0 keeps the game's key, so that the
// link finds the game again whatever was written.
std::unique_ptr<skv::model::TGPLCarCameraSet> cameraSet(const char* caption, float base) {
    auto set = std::make_unique<skv::model::TGPLCarCameraSet>();
    set->Caption = caption;
    skv::model::CarCameraBlock block{};
    for (std::size_t r = 0; r < block.size(); ++r)
        for (std::size_t v = 0; v < skv::model::kValuesPerCamera; ++v)
            skv::model::valueAt(block[r], v) = base + float(r * 10 + v);
    block[0].xPos = kKey[0];
    block[0].yPos = kKey[1];
    block[0].zPos = kKey[2];
    set->setValues(block);
    return set;
}

std::vector<std::uint32_t> wordsOf(const skv::model::TGPLCarCameraSet& set) {
    skv::model::CarCameraBlock block{};
    set.getValues(block);
    std::vector<std::uint32_t> words;
    for (const auto& record : block)
        for (std::size_t v = 0; v < skv::model::kValuesPerCamera; ++v)
            words.push_back(std::bit_cast<std::uint32_t>(skv::model::valueAt(record, v)));
    return words;
}

class Skyvane : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(Server.display().empty()) << "Xvfb could not be started (Debian package xvfb)";
        Typist = XOpenDisplay(Server.display().c_str());
        ASSERT_TRUE(Typist);
        int event = 0, error = 0, major = 0, minor = 0;
        ASSERT_TRUE(XTestQueryExtension(Typist, &event, &error, &major, &minor));
    }
    void TearDown() override {
        Program.reset();
        Game.reset();
        if (Typist) XCloseDisplay(Typist);
    }

    // The program copied into a folder of its own, so that its settings file lies there.
    void install(const std::string& library) {
        const fs::path program = Folder.path() / "skyvane";
        fs::copy_file(SKV_RUNTIME_DIR "/skyvane", program);
        fs::permissions(program, fs::perms::owner_all, fs::perm_options::add);
        std::ofstream(Folder.path() / "skyvane.INI")
            << "[MainForm]\nDirectControl=1\nSpeed=50\nSmooth=94\n"
            << "[General]\nFirstRun=0\nFirstNR2003=0\nGameSelector=0\n"
            << "[Files]\nGPL=" << gplProgram() << "\n"
            << "[Open Cmf Files]\nfile1=" << library << "\n";
    }
    std::string gplProgram() const { return (Folder.path() / "gpl" / "gpl.exe").string(); }

    // The reference camera file where the program's own link looks for it, and the game over it.
    void startGame() {
        skv::platform::FakePlatform none;
        const skv::model::TGamePaths paths;
        skv::directcontrol::TGameLink link(none, paths);
        link.setGamePrograms(gplProgram(), "");
        const fs::path reference = link.referenceFilePath(false);
        fs::create_directories(reference.parent_path());
        skv::testing::writeCamFile(reference.string(), kKey);
        Game = std::make_unique<ChildProcess>(std::vector<std::string>{SKV_RUNTIME_DIR "/fakegame", "--game",
                                                                       "gpl", "--offset", "4096", "--camfile",
                                                                       reference.string()},
                                              std::vector<std::string>{"DISPLAY=" + Server.display()});
        const auto ready = Game->readLine();
        ASSERT_TRUE(ready && ready->rfind("ready", 0) == 0) << "fakegame did not start";
    }

    void startProgram() {
        Program = std::make_unique<ChildProcess>(
            std::vector<std::string>{(Folder.path() / "skyvane").string()},
            std::vector<std::string>{"DISPLAY=" + Server.display(), "QT_QPA_PLATFORM=xcb"});
        ASSERT_TRUE(skv::testing::waitForTopLevelWindow(Typist, "Brightlap Skyvane", 10s))
            << "the program's window did not come up";
    }

    // The game takes the keyboard back, as it does when the user clicks into it.
    void focusGame() {
        Game->writeLine("focus");
        ASSERT_EQ(Game->readLine().value_or(""), "ok");
    }

    void type(KeySym key, bool ctrl = false) {
        const KeyCode control = XKeysymToKeycode(Typist, XK_Control_L);
        if (ctrl) XTestFakeKeyEvent(Typist, control, True, CurrentTime);
        XTestFakeKeyEvent(Typist, XKeysymToKeycode(Typist, key), True, CurrentTime);
        XTestFakeKeyEvent(Typist, XKeysymToKeycode(Typist, key), False, CurrentTime);
        if (ctrl) XTestFakeKeyEvent(Typist, control, False, CurrentTime);
        XSync(Typist, False);
    }

    std::vector<std::vector<std::uint32_t>> dumpBlocks() {
        Game->writeLine("dump");
        std::vector<std::vector<std::uint32_t>> blocks;
        for (auto line = Game->readLine(); line && *line != "end"; line = Game->readLine())
            blocks.push_back(skv::testing::hexWords(*line, 2));
        return blocks;
    }
    float roofX() {
        const auto blocks = dumpBlocks();
        return blocks.empty() ? 0.0f : std::bit_cast<float>(blocks[0][kRoofX]);
    }

    template <class Pred> bool waitFor(Pred pred, std::chrono::milliseconds timeout) {
        const auto end = std::chrono::steady_clock::now() + timeout;
        while (!pred()) {
            if (std::chrono::steady_clock::now() > end) return false;
            std::this_thread::sleep_for(20ms);
        }
        return true;
    }

    XvfbServer Server;
    skv::test::TempFolder Folder;
    Display* Typist = nullptr;
    std::unique_ptr<ChildProcess> Game, Program;
};

} // namespace

TEST_F(Skyvane, HotKeysInTheGameSwitchSetsAndRunAnEffect) {
    skv::model::TCameraSetList items;
    items.push_back(cameraSet("Low", 100));
    items.push_back(cameraSet("High", 500));
    auto effect = std::make_unique<skv::model::TGPLCarCameraSet>();
    effect->Caption = "Drift";
    effect->Type = skv::model::eCameraSetType::CstRollBarCam;
    effect->setEffect("X := X + 0.5;\r\n");
    items.push_back(std::move(effect));
    const std::vector<std::uint32_t> first = wordsOf(*items[0]);
    const std::string library = (Folder.path() / "films.cmf").string();
    skv::model::saveLibraryFile(library, items);
    install(library);
    startGame();
    startProgram();

    // Page Up: the first set of the reopened library, in all seven blocks. The program may still be
    // making its input source when the first key comes: a key nobody heard changes nothing, so it is
    // typed again until the game shows it.
    const auto firstSetWritten = [&] {
        const auto blocks = dumpBlocks();
        if (blocks.size() != 7) return false;
        for (const auto& block : blocks)
            if (block != first) return false;
        return true;
    };
    bool written = false;
    for (int attempt = 0; attempt < 10 && !written; ++attempt) {
        focusGame();
        type(XK_Prior);
        written = waitFor(firstSetWritten, 1s);
    }
    ASSERT_TRUE(written) << "Page Up did not write the first set into the game";
    // The status line drawn into the game's window: white text on its black band.
    Game->writeLine("band");
    std::istringstream band(Game->readLine().value_or(""));
    std::string word;
    long white = 0, black = 0, other = 0;
    band >> word >> white >> black >> other;
    EXPECT_GT(white, 50);
    EXPECT_GT(black, 50);

    // Page Up again: the next set.
    const std::vector<std::uint32_t> second = wordsOf(*items[1]);
    type(XK_Prior);
    EXPECT_TRUE(waitFor(
        [&] {
            const auto blocks = dumpBlocks();
            return !blocks.empty() && blocks[0] == second;
        },
        2s));

    // Ctrl+Insert: the effect moves the roof camera half a unit a step, some 37 steps a second.
    const float start = roofX();
    type(XK_Insert, true);
    ASSERT_TRUE(waitFor([&] { return roofX() > start; }, 3s)) << "the effect did not start";
    const float x0 = roofX();
    const auto t0 = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(1500ms);
    const float x1 = roofX();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    const double rate = (x1 - x0) / 0.5 / seconds;
    std::printf("effect: %.1f writes a second (%.3f s measured)\n", rate, seconds);
    EXPECT_GT(rate, 25.0);
    EXPECT_LT(rate, 45.0);

    // End: Static again, and the camera stays where it is.
    type(XK_End);
    ASSERT_TRUE(waitFor(
        [&] {
            const float a = roofX();
            std::this_thread::sleep_for(150ms);
            return roofX() == a;
        },
        3s));
    const float stopped = roofX();
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(roofX(), stopped);
}
