// The program as Linux users run it with a Windows game: the real skyvane on a private X server
// starts the Windows stand-in game from its own game button, through Wine, in the prefix the
// game lies in and in the Wine virtual desktop that prefix gives the game; then the hot keys typed
// into the desktop fly the film in the game's memory, which the test reads itself.
#include "model/Tempfolder.h"
#include "platform/x11/X11platform.h"
#include "support/Skyvanerun.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

constexpr float kKey[3] = {-41.25f, 7.5f, 1.125f};
constexpr skv::platform::Address kFirstBlock = 0x5F2000; // the stand-in's default offset, 0x2000
constexpr const char* kDesktop = "Films - Wine desktop";

// Whether ancestor is among the process's ancestors.
bool descendsFrom(skv::platform::ProcessId process, pid_t ancestor) {
    for (int depth = 0; depth < 32 && process > 1; ++depth) {
        std::ifstream status("/proc/" + std::to_string(process) + "/status");
        std::string key;
        skv::platform::ProcessId parent = 0;
        while (status >> key)
            if (key == "PPid:" && status >> parent) break;
        if (parent == skv::platform::ProcessId(ancestor)) return true;
        process = parent;
    }
    return false;
}

// A private X server and a Wine prefix of the test's own (build/release/wine-prefix, removed again
// at the end), with the environment every Wine program of the test starts in.
class SkyvaneUnderWine : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(Server.display().empty()) << "Xvfb could not be started (Debian package xvfb)";
        ::setenv("DISPLAY", Server.display().c_str(), 1);
        ::setenv("WINEPREFIX", prefix().c_str(), 1);
        ::setenv("WINEDEBUG", "-all", 1);
        ::setenv("WINEDLLOVERRIDES", "mscoree,mshtml=", 1); // no offer to install .NET or a browser
        fs::remove_all(prefix());
        const auto begin = std::chrono::steady_clock::now();
        ASSERT_TRUE(runToEnd({"/usr/bin/wine", "wineboot", "--init"}, 180s) == 0 &&
                    runToEnd({"/usr/bin/wineserver", "--wait"}, 180s) == 0)
            << "wineboot could not make the prefix " << prefix();
        const auto took = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
        std::printf("[ wine     ] prefix %s made in %.1f s\n", prefix().c_str(), took);
    }
    void TearDown() override {
        if (!Server.display().empty()) runToEnd({"/usr/bin/wineserver", "--kill"}, 30s);
        fs::remove_all(prefix());
    }

    static fs::path prefix() { return fs::path(SKV_RUNTIME_DIR).parent_path() / "wine-prefix"; }
    const std::string& display() const { return Server.display(); }
    // Runs a command to its end with the test's environment; its exit status, or -1 after limit.
    static int runToEnd(const std::vector<std::string>& argv, std::chrono::seconds limit) {
        skv::testing::ChildProcess child(argv);
        child.closeInput();
        while (child.readLine(limit)) {
        }
        return child.wait(limit);
    }

    skv::testing::XvfbServer Server;
};

} // namespace

TEST_F(SkyvaneUnderWine, StartsTheGameInItsVirtualDesktopAndFliesItsCamera) {
    // The game installed in the prefix under the game's own name, its reference camera file below
    // it, and the prefix set to give gpl.exe a virtual desktop of its own, as a user sets it.
    const fs::path gpl = prefix() / "drive_c" / "GPL" / "gpl.exe";
    fs::create_directories(gpl.parent_path());
    fs::copy_file(SKV_RUNTIME_DIR "/fakegame32.exe", gpl, fs::copy_options::overwrite_existing);
    skv::testing::writeReferenceCamFile(gpl.string(), kKey);
    ASSERT_EQ(runToEnd({"/usr/bin/wine", "reg", "add", R"(HKCU\Software\Wine\AppDefaults\gpl.exe\Explorer)",
                        "/v", "Desktop", "/d", "Films", "/f"},
                       60s),
              0);
    ASSERT_EQ(runToEnd({"/usr/bin/wine", "reg", "add", R"(HKCU\Software\Wine\Explorer\Desktops)", "/v",
                        "Films", "/d", "800x600", "/f"},
                       60s),
              0);

    skv::test::TempFolder folder;
    const skv::testing::FilmLibrary library(folder.path(), kKey);
    skv::testing::SkyvaneRun run(folder.path(), display());
    ASSERT_TRUE(run.canType()) << "no XTest on the private server";
    run.install(gpl.string(), library.path);
    ASSERT_TRUE(run.start(30s)) << "the program's window did not come up";

    // The game button: the first of the second tool-bar row, which lies below the row of menus and
    // icon buttons. Clicked again until the game shows, in case the first click came before the
    // window took input.
    const Window program = skv::testing::findWindow(run.typist(), "Brightlap Skyvane");
    Window game = 0;
    for (int attempt = 0; attempt < 3 && game == 0; ++attempt) {
        run.click(program, 40, 52);
        skv::testing::waitFor(
            [&] { return (game = skv::testing::findWindow(run.typist(), "Papyrus Window")) != 0; }, 30s);
    }
    ASSERT_NE(game, 0u) << "the game button did not start the game";

    skv::platform::X11Platform platform(display().c_str());
    const Window desktop = skv::testing::findWindow(run.typist(), kDesktop);
    ASSERT_NE(desktop, 0u) << "the game runs outside a virtual desktop";
    EXPECT_EQ(platform.findWindowBelow(desktop, "Papyrus Window"), game) << "the game is inside the desktop";
    skv::platform::ProcessId process = 0;
    ASSERT_TRUE(skv::testing::waitFor([&] { return (process = platform.windowProcess(game)) != 0; }, 10s));
    EXPECT_TRUE(descendsFrom(process, run.program().pid())) << "the game runs as process " << process;

    // The blocks read from the game's memory as the program writes them.
    const auto memory = platform.openProcess(process);
    ASSERT_TRUE(memory);
    const auto blocks = [&] {
        std::vector<std::uint8_t> bytes(7 * 216);
        skv::testing::Blocks all;
        if (!memory->read(kFirstBlock, bytes.data(), bytes.size())) return all;
        for (std::size_t b = 0; b < 7; ++b) {
            std::vector<std::uint32_t> words(54);
            std::memcpy(words.data(), bytes.data() + b * 216, 216);
            all.push_back(std::move(words));
        }
        return all;
    };
    const auto focusGame = [&] { skv::testing::focusWindow(run.typist(), kDesktop); };
    skv::testing::flyTheFilm(run, library, blocks, focusGame);

    // The status line reaches the game's window inside the desktop: white text on its black band.
    const skv::testing::BandPixels band = skv::testing::statusBand(run.typist(), game);
    EXPECT_GT(band.white, 50);
    EXPECT_GT(band.black, 50);
    ::kill(pid_t(process), SIGKILL);
}
