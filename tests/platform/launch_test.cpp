// The commands that start the games and tools, and starting them as children of this process.
#include "model/Tempfolder.h"
#include "platform/Launch.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <thread>

using namespace skv::platform;
namespace fs = std::filesystem;

namespace {

// A folder laid out as Wine leaves a prefix, with a program inside its drive C.
fs::path makePrefix(const fs::path& at) {
    fs::create_directories(at / "drive_c" / "Sierra" / "gpl");
    std::ofstream(at / "system.reg") << "WINE REGISTRY Version 2\n";
    return at;
}

std::string readAll(const fs::path& file) {
    std::ifstream in(file);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(LaunchCommand, BuildsTheCommandForEachKindOfProgramAndHost) {
    skv::test::TempFolder temp;
    const fs::path prefix = makePrefix(temp.path() / "games");
    const std::string inPrefix = (prefix / "drive_c" / "Sierra" / "gpl" / "GPL.EXE").string();
    const std::string outside = (temp.path() / "tools" / "vcap.exe").string();
    const std::string gplText = "-ko\"0:rasterizer:fullScreen:1\"";

    struct Row {
        const char* what;
        LaunchRequest request;
        bool windowsHost;
        LaunchCommand expected;
    };
    const Row rows[] = {
        {"a Windows program inside a prefix runs through Wine in that prefix",
         {inPrefix, gplText, ""},
         false,
         {"wine", {"wine", inPrefix, "-ko0:rasterizer:fullScreen:1"}, "", "", true, prefix.string()}},
        {"one outside any prefix runs in Wine's default prefix, in its own folder",
         {outside, "", (temp.path() / "tools").string()},
         false,
         {"wine", {"wine", outside}, "", (temp.path() / "tools").string(), true, ""}},
        {"a native program runs directly",
         {"/usr/bin/capture", "--fps 30", "/usr/bin/"},
         false,
         {"/usr/bin/capture", {"/usr/bin/capture", "--fps", "30"}, "", "/usr/bin/", false, ""}},
        {"on Windows the parameter text follows the quoted program unchanged",
         {"C:\\Sierra\\gpl\\gpl.exe", gplText, ""},
         true,
         {"", {}, "\"C:\\Sierra\\gpl\\gpl.exe\" " + gplText, "", false, ""}},
        {"on Windows no parameters leave no blank",
         {"C:\\Tools\\v.exe", "", "C:\\Tools\\"},
         true,
         {"", {}, "\"C:\\Tools\\v.exe\"", "C:\\Tools\\", false, ""}},
    };
    for (const Row& row : rows)
        EXPECT_EQ(buildLaunchCommand(row.request, row.windowsHost), row.expected) << row.what;
}

TEST(LaunchCommand, SplitsParameterTextAsWindowsProgramsDo) {
    struct Row {
        std::string_view text;
        std::vector<std::string> arguments;
    };
    const Row rows[] = {
        {"", {}},
        {"  a\tb  ", {"a", "b"}},
        {"-ko\"0:rasterizer:fullScreen:0\"", {"-ko0:rasterizer:fullScreen:0"}},
        {"\"C:\\Program Files\\x\" \"\"", {"C:\\Program Files\\x", ""}},
        {"a\\\\\"b c\" d", {"a\\b c", "d"}},    // 2n backslashes before a quote: n, and the quote groups
        {"a\\\"b", {"a\"b"}},                   // 2n+1: n and a literal quote
        {"C:\\dir\\ x", {"C:\\dir\\", "x"}},    // backslashes elsewhere stay as they are
        {"\"say \"\"hi\"\"\"", {"say \"hi\""}}, // a doubled quote inside quotes is one quote
    };
    for (const Row& row : rows)
        EXPECT_EQ(splitWindowsArguments(row.text), row.arguments) << row.text;
}

TEST(LaunchCommand, APrefixNeedsBothItsDriveAndItsRegistry) {
    skv::test::TempFolder temp;
    fs::create_directories(temp.path() / "half" / "drive_c" / "x");
    EXPECT_FALSE(isWinePrefix(temp.path() / "half"));
    EXPECT_EQ(winePrefixHolding(temp.path() / "half" / "drive_c" / "x" / "a.exe"), fs::path());
    const fs::path outer = makePrefix(temp.path() / "outer");
    const fs::path inner = makePrefix(outer / "drive_c" / "inner");
    EXPECT_EQ(winePrefixHolding(inner / "drive_c" / "a.exe"), inner) << "the nearest prefix holds it";
    EXPECT_FALSE(isWindowsProgram("gpl.exe.txt"));
    EXPECT_TRUE(isWindowsProgram("NR2003.ExE"));
    EXPECT_FALSE(isWindowsProgram(".exe"));
}

TEST(LaunchCommand, BrowserCommandCutsTheTemplateBeforeItsPlaceholder) {
    const std::string url = "https://skyvane.example/";
    EXPECT_EQ(browserCommandLine("\"C:\\B\\b.exe\" -nohome \"%1\"", url), "\"C:\\B\\b.exe\" -nohome  " + url);
    EXPECT_EQ(browserCommandLine("C:\\B\\b.exe -url %1 -new", url), "C:\\B\\b.exe -url  " + url);
    EXPECT_EQ(browserCommandLine("C:\\B\\b.exe -new", url), "C:\\B\\b.exe -new " + url);
}

// The started program is this process's own child, in the folder asked for, with the arguments given.
TEST(Launch, StartsAChildInItsWorkingFolder) {
    skv::test::TempFolder temp;
    const fs::path out = temp.path() / "out.txt";
    LaunchCommand command;
    command.file = "sh";
    command.arguments = {"sh", "-c", "echo \"$PPID $(pwd) $1\" > " + out.string(), "sh", "two words"};
    command.workingFolder = temp.path().string();
    const ProcessId pid = launch(command);
    EXPECT_GT(pid, 0u);
    for (int i = 0; i < 200 && readAll(out).empty(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(readAll(out), std::to_string(::getpid()) + " " + temp.path().string() + " two words\n");
}

TEST(Launch, SaysWhatIsMissing) {
    skv::test::TempFolder temp;
    const std::string oldPath = std::getenv("PATH") ? std::getenv("PATH") : "";
    ::setenv("PATH", temp.path().c_str(), 1); // an empty folder: no Wine on this path
    const LaunchCommand wine = buildLaunchCommand({"/games/gpl.exe", "", ""}, false);
    try {
        launch(wine);
        ADD_FAILURE() << "a Windows program started without Wine";
    } catch (const ELaunchError& e) {
        EXPECT_NE(std::string(e.what()).find("Wine"), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find("/games/gpl.exe"), std::string::npos) << e.what();
    }
    ::setenv("PATH", oldPath.c_str(), 1);
    EXPECT_THROW(launch(buildLaunchCommand({(temp.path() / "none").string(), "", ""}, false)), ELaunchError);
    EXPECT_THROW(launch(buildLaunchCommand({"/bin/true", "", (temp.path() / "gone").string()}, false)),
                 ELaunchError);
}

} // namespace
