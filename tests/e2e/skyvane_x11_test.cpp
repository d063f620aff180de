// The program as a user runs it: the real skyvane on a private X server, a settings file that
// reopens a library, the stand-in game in front, keys typed through XTest. What it does is read
// back from the stand-in game's own memory and its window's status-line band.
#include "model/Tempfolder.h"
#include "support/Skyvanerun.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace std::chrono_literals;
using skv::testing::ChildProcess;

namespace {

constexpr float kKey[3] = {-41.25f, 7.5f, 1.125f};

} // namespace

TEST(Skyvane, HotKeysInTheGameSwitchSetsAndRunAnEffect) {
    skv::testing::XvfbServer server;
    ASSERT_FALSE(server.display().empty()) << "Xvfb could not be started (Debian package xvfb)";
    skv::test::TempFolder folder;
    skv::testing::SkyvaneRun run(folder.path(), server.display());
    ASSERT_TRUE(run.canType()) << "no XTest on the private server";

    const std::string gpl = (folder.path() / "gpl" / "gpl.exe").string();
    const skv::testing::FilmLibrary library(folder.path(), kKey);
    run.install(gpl, library.path);
    ChildProcess game({SKV_RUNTIME_DIR "/fakegame", "--game", "gpl", "--offset", "4096", "--camfile",
                       skv::testing::writeReferenceCamFile(gpl, kKey).string()},
                      {"DISPLAY=" + server.display()});
    const auto ready = game.readLine();
    ASSERT_TRUE(ready && ready->rfind("ready", 0) == 0) << "fakegame did not start";
    ASSERT_TRUE(run.start(10s)) << "the program's window did not come up";

    const auto blocks = [&] { return skv::testing::dumpBlocks(game); };
    // The game takes the keyboard back, as it does when the user clicks into it.
    const auto focusGame = [&] {
        game.writeLine("focus");
        ASSERT_EQ(game.readLine().value_or(""), "ok");
    };
    skv::testing::flyTheFilm(run, library, blocks, focusGame);

    // The status line drawn into the game's window: white text on its black band.
    game.writeLine("band");
    std::istringstream band(game.readLine().value_or(""));
    std::string word;
    long white = 0, black = 0, other = 0;
    band >> word >> white >> black >> other;
    EXPECT_GT(white, 50);
    EXPECT_GT(black, 50);
}
