#include "model/Gamepaths.h"

#include "Tempfolder.h"

#include <gtest/gtest.h>

#include <map>

using namespace skv::model;
namespace fs = std::filesystem;

namespace {

TGamePaths::EnvironmentLookup environment(std::map<std::string, std::string> vars) {
    return [vars = std::move(vars)](const std::string& name) -> std::optional<std::string> {
        auto it = vars.find(name);
        if (it == vars.end()) return std::nullopt;
        return it->second;
    };
}

} // namespace

TEST(GamePaths, FolderPartEndsAtLastSeparatorOrColon) {
    const std::pair<const char*, const char*> cases[] = {
        {"C:\\Sierra\\gpl\\gpl.exe", "C:\\Sierra\\gpl\\"},
        {"C:\\Papyrus\\NASCAR Racing 2003 Season\\nr2003.exe", "C:\\Papyrus\\NASCAR Racing 2003 Season\\"},
        {"/opt/games/gpl/gpl.exe", "/opt/games/gpl/"},
        {"C:gpl.exe", "C:"},
        {"D:\\games/gpl\\gpl.exe", "D:\\games/gpl\\"},
        {"C:\\Sierra\\gpl\\", "C:\\Sierra\\gpl\\"},
        {"gpl.exe", ""},
        {"", ""},
    };
    for (const auto& [path, folder] : cases)
        EXPECT_EQ(extractFilePath(path), folder) << path;
}

TEST(GamePaths, JoinWritesRelativePartWithPlatformSeparator) {
    const std::string sep(1, static_cast<char>(fs::path::preferred_separator));
    EXPECT_EQ(joinGamePath("C:\\Sierra\\gpl\\", "cars\\cars67\\lotus\\lotus.cam"),
              "C:\\Sierra\\gpl\\cars" + sep + "cars67" + sep + "lotus" + sep + "lotus.cam");
    EXPECT_EQ(joinGamePath("", "series\\cup\\"), "series" + sep + "cup" + sep);
}

TEST(GamePaths, WinePrefixFromEnvironmentElseHome) {
    EXPECT_EQ(TGamePaths(environment({{"WINEPREFIX", "/w"}, {"HOME", "/h"}})).winePrefix(), fs::path("/w"));
    EXPECT_EQ(TGamePaths(environment({{"WINEPREFIX", ""}, {"HOME", "/h"}})).winePrefix(),
              fs::path("/h/.wine"));
    EXPECT_EQ(TGamePaths(environment({{"HOME", "/h"}})).winePrefix(), fs::path("/h/.wine"));
    EXPECT_TRUE(TGamePaths(environment({})).winePrefix().empty());
}

class GamePathsOnDisk : public ::testing::Test {
protected:
    void SetUp() override {
        if (fs::path::preferred_separator == '\\') GTEST_SKIP() << "paths are used as written here";
    }
    skv::test::TempFolder tmp;
};

TEST_F(GamePathsOnDisk, WindowsPathResolvesInsideWinePrefixWithCaseBlindMatching) {
    const fs::path prefix = tmp.mkdir("prefix");
    tmp.mkdir("prefix/drive_c/SIERRA/Gpl/Cars/Cars67/Lotus");
    tmp.write("prefix/drive_c/SIERRA/Gpl/Cars/Cars67/Lotus/LOTUS.CAM", "x");
    const TGamePaths paths(environment({{"WINEPREFIX", prefix.string()}, {"HOME", "/nowhere"}}));

    EXPECT_EQ(paths.resolve("C:\\Sierra\\gpl\\gpl.exe"), prefix / "drive_c/SIERRA/Gpl/gpl.exe");
    EXPECT_EQ(paths.resolveBelow("c:\\sierra\\GPL\\gpl.exe", "cars\\cars67\\lotus\\lotus.cam"),
              prefix / "drive_c/SIERRA/Gpl/Cars/Cars67/Lotus/LOTUS.CAM");
    EXPECT_TRUE(fs::is_directory(paths.resolveBelow("C:\\Sierra\\gpl\\gpl.exe", "cars\\cars67\\")));
    // A path rooted without a drive is on drive C as well.
    EXPECT_EQ(paths.resolve("\\sierra\\gpl"), prefix / "drive_c/SIERRA/Gpl");
}

TEST_F(GamePathsOnDisk, HomeWineFolderAndOtherDrives) {
    const fs::path home = tmp.mkdir("home");
    tmp.mkdir("home/.wine/drive_c/Papyrus/Series/Cup");
    tmp.mkdir("home/.wine/dosdevices/d:/Games");
    const TGamePaths paths(environment({{"HOME", home.string()}}));

    EXPECT_EQ(paths.resolveBelow("C:\\papyrus\\nr2003.exe", "series\\cup\\"),
              home / ".wine/drive_c/Papyrus/Series/Cup");
    EXPECT_EQ(paths.resolve("D:\\games\\x.exe"), home / ".wine/dosdevices/d:/Games/x.exe");
}

TEST_F(GamePathsOnDisk, MissingComponentAndWhatFollowsAreUsedAsWrittenAndNothingIsCreated) {
    const fs::path prefix = tmp.mkdir("prefix");
    tmp.mkdir("prefix/drive_c/Sierra/GPL/cars");
    const TGamePaths paths(environment({{"WINEPREFIX", prefix.string()}}));

    EXPECT_EQ(paths.resolveBelow("C:\\sierra\\gpl\\gpl.exe", "cars\\cars67\\Lotus\\lotus.cam"),
              prefix / "drive_c/Sierra/GPL/cars/cars67/Lotus/lotus.cam");
    EXPECT_EQ(paths.resolve("C:\\Nothing\\Here"), prefix / "drive_c/Nothing/Here");
    EXPECT_FALSE(fs::exists(prefix / "drive_c/Sierra/GPL/cars/cars67"));
    EXPECT_FALSE(fs::exists(prefix / "drive_c/Nothing"));
}

TEST_F(GamePathsOnDisk, ExactNamePreferredOverOtherCasesAndNativePathsMatchedToo) {
    tmp.mkdir("game/cars");
    tmp.mkdir("game/Cars");
    tmp.mkdir("game/Series/CUP");
    const TGamePaths paths(environment({}));

    EXPECT_EQ(paths.resolve((tmp.path() / "game/cars").string()), tmp.path() / "game/cars");
    EXPECT_EQ(paths.resolve((tmp.path() / "game/Cars").string()), tmp.path() / "game/Cars");
    // Neither spelling matches exactly: the first in name order is taken, whatever the disk's order.
    EXPECT_EQ(paths.resolve((tmp.path() / "game/CARS").string()), tmp.path() / "game/Cars");
    EXPECT_EQ(paths.resolveBelow((tmp.path() / "game/nr2003.exe").string(), "series\\cup\\"),
              tmp.path() / "game/Series/CUP");
}

TEST_F(GamePathsOnDisk, DrivePathWithoutAnyPrefixKeepsTheDrive) {
    const TGamePaths paths(environment({}));
    EXPECT_EQ(paths.resolve("C:\\Sierra\\gpl.exe"), fs::path("C:/Sierra/gpl.exe"));
}
